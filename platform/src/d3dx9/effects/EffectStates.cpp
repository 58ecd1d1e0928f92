// State names and value words of effect files.
#include "d3dx9/effects/EffectStates.h"

#include <strings.h>

namespace D3DXEffects {

namespace {

enum Words {
    kNone,
    kBool,
    kBlend,
    kBlendOp,
    kCmp,
    kCull,
    kStencilOp,
    kFill,
    kShade,
    kZBuffer,
    kFog,
    kMaterial,
    kFilter,
    kAddress,
    kTextureOp,
    kTextureArg,
    kColorWrite,
    kWordTables
};

struct Word {
    int table;
    const char* name;
    DWORD value;
};

const Word kWords[] = {
    {kBool, "TRUE", 1},
    {kBool, "FALSE", 0},
    {kBlend, "ZERO", D3DBLEND_ZERO},
    {kBlend, "ONE", D3DBLEND_ONE},
    {kBlend, "SRCCOLOR", D3DBLEND_SRCCOLOR},
    {kBlend, "INVSRCCOLOR", D3DBLEND_INVSRCCOLOR},
    {kBlend, "SRCALPHA", D3DBLEND_SRCALPHA},
    {kBlend, "INVSRCALPHA", D3DBLEND_INVSRCALPHA},
    {kBlend, "DESTALPHA", D3DBLEND_DESTALPHA},
    {kBlend, "INVDESTALPHA", D3DBLEND_INVDESTALPHA},
    {kBlend, "DESTCOLOR", D3DBLEND_DESTCOLOR},
    {kBlend, "INVDESTCOLOR", D3DBLEND_INVDESTCOLOR},
    {kBlend, "SRCALPHASAT", D3DBLEND_SRCALPHASAT},
    {kBlend, "BOTHSRCALPHA", D3DBLEND_BOTHSRCALPHA},
    {kBlend, "BOTHINVSRCALPHA", D3DBLEND_BOTHINVSRCALPHA},
    {kBlend, "BLENDFACTOR", D3DBLEND_BLENDFACTOR},
    {kBlend, "INVBLENDFACTOR", D3DBLEND_INVBLENDFACTOR},
    {kBlendOp, "ADD", D3DBLENDOP_ADD},
    {kBlendOp, "SUBTRACT", D3DBLENDOP_SUBTRACT},
    {kBlendOp, "REVSUBTRACT", D3DBLENDOP_REVSUBTRACT},
    {kBlendOp, "MIN", D3DBLENDOP_MIN},
    {kBlendOp, "MAX", D3DBLENDOP_MAX},
    {kCmp, "NEVER", D3DCMP_NEVER},
    {kCmp, "LESS", D3DCMP_LESS},
    {kCmp, "EQUAL", D3DCMP_EQUAL},
    {kCmp, "LESSEQUAL", D3DCMP_LESSEQUAL},
    {kCmp, "GREATER", D3DCMP_GREATER},
    {kCmp, "NOTEQUAL", D3DCMP_NOTEQUAL},
    {kCmp, "GREATEREQUAL", D3DCMP_GREATEREQUAL},
    {kCmp, "ALWAYS", D3DCMP_ALWAYS},
    {kCull, "NONE", D3DCULL_NONE},
    {kCull, "CW", D3DCULL_CW},
    {kCull, "CCW", D3DCULL_CCW},
    {kStencilOp, "KEEP", D3DSTENCILOP_KEEP},
    {kStencilOp, "ZERO", D3DSTENCILOP_ZERO},
    {kStencilOp, "REPLACE", D3DSTENCILOP_REPLACE},
    {kStencilOp, "INCRSAT", D3DSTENCILOP_INCRSAT},
    {kStencilOp, "DECRSAT", D3DSTENCILOP_DECRSAT},
    {kStencilOp, "INVERT", D3DSTENCILOP_INVERT},
    {kStencilOp, "INCR", D3DSTENCILOP_INCR},
    {kStencilOp, "DECR", D3DSTENCILOP_DECR},
    {kFill, "POINT", D3DFILL_POINT},
    {kFill, "WIREFRAME", D3DFILL_WIREFRAME},
    {kFill, "SOLID", D3DFILL_SOLID},
    {kShade, "FLAT", D3DSHADE_FLAT},
    {kShade, "GOURAUD", D3DSHADE_GOURAUD},
    {kShade, "PHONG", D3DSHADE_PHONG},
    {kZBuffer, "TRUE", D3DZB_TRUE},
    {kZBuffer, "FALSE", D3DZB_FALSE},
    {kZBuffer, "USEW", D3DZB_USEW},
    {kFog, "NONE", D3DFOG_NONE},
    {kFog, "EXP", D3DFOG_EXP},
    {kFog, "EXP2", D3DFOG_EXP2},
    {kFog, "LINEAR", D3DFOG_LINEAR},
    {kMaterial, "MATERIAL", D3DMCS_MATERIAL},
    {kMaterial, "COLOR1", D3DMCS_COLOR1},
    {kMaterial, "COLOR2", D3DMCS_COLOR2},
    {kFilter, "NONE", D3DTEXF_NONE},
    {kFilter, "POINT", D3DTEXF_POINT},
    {kFilter, "LINEAR", D3DTEXF_LINEAR},
    {kFilter, "ANISOTROPIC", D3DTEXF_ANISOTROPIC},
    {kFilter, "PYRAMIDALQUAD", D3DTEXF_PYRAMIDALQUAD},
    {kFilter, "GAUSSIANQUAD", D3DTEXF_GAUSSIANQUAD},
    {kAddress, "WRAP", D3DTADDRESS_WRAP},
    {kAddress, "MIRROR", D3DTADDRESS_MIRROR},
    {kAddress, "CLAMP", D3DTADDRESS_CLAMP},
    {kAddress, "BORDER", D3DTADDRESS_BORDER},
    {kAddress, "MIRRORONCE", D3DTADDRESS_MIRRORONCE},
    {kTextureOp, "DISABLE", D3DTOP_DISABLE},
    {kTextureOp, "SELECTARG1", D3DTOP_SELECTARG1},
    {kTextureOp, "SELECTARG2", D3DTOP_SELECTARG2},
    {kTextureOp, "MODULATE", D3DTOP_MODULATE},
    {kTextureOp, "MODULATE2X", D3DTOP_MODULATE2X},
    {kTextureOp, "MODULATE4X", D3DTOP_MODULATE4X},
    {kTextureOp, "ADD", D3DTOP_ADD},
    {kTextureOp, "ADDSIGNED", D3DTOP_ADDSIGNED},
    {kTextureOp, "ADDSIGNED2X", D3DTOP_ADDSIGNED2X},
    {kTextureOp, "SUBTRACT", D3DTOP_SUBTRACT},
    {kTextureOp, "ADDSMOOTH", D3DTOP_ADDSMOOTH},
    {kTextureOp, "BLENDDIFFUSEALPHA", D3DTOP_BLENDDIFFUSEALPHA},
    {kTextureOp, "BLENDTEXTUREALPHA", D3DTOP_BLENDTEXTUREALPHA},
    {kTextureOp, "BLENDFACTORALPHA", D3DTOP_BLENDFACTORALPHA},
    {kTextureOp, "BLENDTEXTUREALPHAPM", D3DTOP_BLENDTEXTUREALPHAPM},
    {kTextureOp, "BLENDCURRENTALPHA", D3DTOP_BLENDCURRENTALPHA},
    {kTextureOp, "PREMODULATE", D3DTOP_PREMODULATE},
    {kTextureOp, "DOTPRODUCT3", D3DTOP_DOTPRODUCT3},
    {kTextureOp, "MULTIPLYADD", D3DTOP_MULTIPLYADD},
    {kTextureOp, "LERP", D3DTOP_LERP},
    {kTextureArg, "DIFFUSE", D3DTA_DIFFUSE},
    {kTextureArg, "CURRENT", D3DTA_CURRENT},
    {kTextureArg, "TEXTURE", D3DTA_TEXTURE},
    {kTextureArg, "TFACTOR", D3DTA_TFACTOR},
    {kTextureArg, "SPECULAR", D3DTA_SPECULAR},
    {kTextureArg, "TEMP", D3DTA_TEMP},
    {kTextureArg, "CONSTANT", D3DTA_CONSTANT},
    {kTextureArg, "COMPLEMENT", D3DTA_COMPLEMENT},
    {kTextureArg, "ALPHAREPLICATE", D3DTA_ALPHAREPLICATE},
    {kColorWrite, "RED", D3DCOLORWRITEENABLE_RED},
    {kColorWrite, "GREEN", D3DCOLORWRITEENABLE_GREEN},
    {kColorWrite, "BLUE", D3DCOLORWRITEENABLE_BLUE},
    {kColorWrite, "ALPHA", D3DCOLORWRITEENABLE_ALPHA},
};

struct Entry {
    const char* name;
    StateName value;
};

const Entry kPassStates[] = {
    {"ZENABLE", {StateKind::Render, D3DRS_ZENABLE, false, kZBuffer}},
    {"FILLMODE", {StateKind::Render, D3DRS_FILLMODE, false, kFill}},
    {"SHADEMODE", {StateKind::Render, D3DRS_SHADEMODE, false, kShade}},
    {"ZWRITEENABLE", {StateKind::Render, D3DRS_ZWRITEENABLE, false, kBool}},
    {"ALPHATESTENABLE", {StateKind::Render, D3DRS_ALPHATESTENABLE, false, kBool}},
    {"LASTPIXEL", {StateKind::Render, D3DRS_LASTPIXEL, false, kBool}},
    {"SRCBLEND", {StateKind::Render, D3DRS_SRCBLEND, false, kBlend}},
    {"DESTBLEND", {StateKind::Render, D3DRS_DESTBLEND, false, kBlend}},
    {"CULLMODE", {StateKind::Render, D3DRS_CULLMODE, false, kCull}},
    {"ZFUNC", {StateKind::Render, D3DRS_ZFUNC, false, kCmp}},
    {"ALPHAREF", {StateKind::Render, D3DRS_ALPHAREF, false, kNone}},
    {"ALPHAFUNC", {StateKind::Render, D3DRS_ALPHAFUNC, false, kCmp}},
    {"DITHERENABLE", {StateKind::Render, D3DRS_DITHERENABLE, false, kBool}},
    {"ALPHABLENDENABLE", {StateKind::Render, D3DRS_ALPHABLENDENABLE, false, kBool}},
    {"FOGENABLE", {StateKind::Render, D3DRS_FOGENABLE, false, kBool}},
    {"SPECULARENABLE", {StateKind::Render, D3DRS_SPECULARENABLE, false, kBool}},
    {"FOGCOLOR", {StateKind::Render, D3DRS_FOGCOLOR, false, kNone}},
    {"FOGTABLEMODE", {StateKind::Render, D3DRS_FOGTABLEMODE, false, kFog}},
    {"FOGSTART", {StateKind::Render, D3DRS_FOGSTART, true, kNone}},
    {"FOGEND", {StateKind::Render, D3DRS_FOGEND, true, kNone}},
    {"FOGDENSITY", {StateKind::Render, D3DRS_FOGDENSITY, true, kNone}},
    {"RANGEFOGENABLE", {StateKind::Render, D3DRS_RANGEFOGENABLE, false, kBool}},
    {"STENCILENABLE", {StateKind::Render, D3DRS_STENCILENABLE, false, kBool}},
    {"STENCILFAIL", {StateKind::Render, D3DRS_STENCILFAIL, false, kStencilOp}},
    {"STENCILZFAIL", {StateKind::Render, D3DRS_STENCILZFAIL, false, kStencilOp}},
    {"STENCILPASS", {StateKind::Render, D3DRS_STENCILPASS, false, kStencilOp}},
    {"STENCILFUNC", {StateKind::Render, D3DRS_STENCILFUNC, false, kCmp}},
    {"STENCILREF", {StateKind::Render, D3DRS_STENCILREF, false, kNone}},
    {"STENCILMASK", {StateKind::Render, D3DRS_STENCILMASK, false, kNone}},
    {"STENCILWRITEMASK", {StateKind::Render, D3DRS_STENCILWRITEMASK, false, kNone}},
    {"TEXTUREFACTOR", {StateKind::Render, D3DRS_TEXTUREFACTOR, false, kNone}},
    {"CLIPPING", {StateKind::Render, D3DRS_CLIPPING, false, kBool}},
    {"LIGHTING", {StateKind::Render, D3DRS_LIGHTING, false, kBool}},
    {"AMBIENT", {StateKind::Render, D3DRS_AMBIENT, false, kNone}},
    {"FOGVERTEXMODE", {StateKind::Render, D3DRS_FOGVERTEXMODE, false, kFog}},
    {"COLORVERTEX", {StateKind::Render, D3DRS_COLORVERTEX, false, kBool}},
    {"NORMALIZENORMALS", {StateKind::Render, D3DRS_NORMALIZENORMALS, false, kBool}},
    {"DIFFUSEMATERIALSOURCE", {StateKind::Render, D3DRS_DIFFUSEMATERIALSOURCE, false, kMaterial}},
    {"AMBIENTMATERIALSOURCE", {StateKind::Render, D3DRS_AMBIENTMATERIALSOURCE, false, kMaterial}},
    {"CLIPPLANEENABLE", {StateKind::Render, D3DRS_CLIPPLANEENABLE, false, kNone}},
    {"POINTSIZE", {StateKind::Render, D3DRS_POINTSIZE, true, kNone}},
    {"POINTSPRITEENABLE", {StateKind::Render, D3DRS_POINTSPRITEENABLE, false, kBool}},
    {"MULTISAMPLEANTIALIAS", {StateKind::Render, D3DRS_MULTISAMPLEANTIALIAS, false, kBool}},
    {"COLORWRITEENABLE", {StateKind::Render, D3DRS_COLORWRITEENABLE, false, kColorWrite}},
    {"COLORWRITEENABLE1", {StateKind::Render, D3DRS_COLORWRITEENABLE1, false, kColorWrite}},
    {"COLORWRITEENABLE2", {StateKind::Render, D3DRS_COLORWRITEENABLE2, false, kColorWrite}},
    {"COLORWRITEENABLE3", {StateKind::Render, D3DRS_COLORWRITEENABLE3, false, kColorWrite}},
    {"BLENDOP", {StateKind::Render, D3DRS_BLENDOP, false, kBlendOp}},
    {"SCISSORTESTENABLE", {StateKind::Render, D3DRS_SCISSORTESTENABLE, false, kBool}},
    {"SLOPESCALEDEPTHBIAS", {StateKind::Render, D3DRS_SLOPESCALEDEPTHBIAS, true, kNone}},
    {"DEPTHBIAS", {StateKind::Render, D3DRS_DEPTHBIAS, true, kNone}},
    {"TWOSIDEDSTENCILMODE", {StateKind::Render, D3DRS_TWOSIDEDSTENCILMODE, false, kBool}},
    {"CCW_STENCILFAIL", {StateKind::Render, D3DRS_CCW_STENCILFAIL, false, kStencilOp}},
    {"CCW_STENCILZFAIL", {StateKind::Render, D3DRS_CCW_STENCILZFAIL, false, kStencilOp}},
    {"CCW_STENCILPASS", {StateKind::Render, D3DRS_CCW_STENCILPASS, false, kStencilOp}},
    {"CCW_STENCILFUNC", {StateKind::Render, D3DRS_CCW_STENCILFUNC, false, kCmp}},
    {"BLENDFACTOR", {StateKind::Render, D3DRS_BLENDFACTOR, false, kNone}},
    {"SRGBWRITEENABLE", {StateKind::Render, D3DRS_SRGBWRITEENABLE, false, kBool}},
    {"SEPARATEALPHABLENDENABLE", {StateKind::Render, D3DRS_SEPARATEALPHABLENDENABLE, false, kBool}},
    {"SRCBLENDALPHA", {StateKind::Render, D3DRS_SRCBLENDALPHA, false, kBlend}},
    {"DESTBLENDALPHA", {StateKind::Render, D3DRS_DESTBLENDALPHA, false, kBlend}},
    {"BLENDOPALPHA", {StateKind::Render, D3DRS_BLENDOPALPHA, false, kBlendOp}},
    {"COLOROP", {StateKind::TextureStage, D3DTSS_COLOROP, false, kTextureOp}},
    {"COLORARG0", {StateKind::TextureStage, D3DTSS_COLORARG0, false, kTextureArg}},
    {"COLORARG1", {StateKind::TextureStage, D3DTSS_COLORARG1, false, kTextureArg}},
    {"COLORARG2", {StateKind::TextureStage, D3DTSS_COLORARG2, false, kTextureArg}},
    {"ALPHAOP", {StateKind::TextureStage, D3DTSS_ALPHAOP, false, kTextureOp}},
    {"ALPHAARG0", {StateKind::TextureStage, D3DTSS_ALPHAARG0, false, kTextureArg}},
    {"ALPHAARG1", {StateKind::TextureStage, D3DTSS_ALPHAARG1, false, kTextureArg}},
    {"ALPHAARG2", {StateKind::TextureStage, D3DTSS_ALPHAARG2, false, kTextureArg}},
    {"RESULTARG", {StateKind::TextureStage, D3DTSS_RESULTARG, false, kTextureArg}},
    {"TEXCOORDINDEX", {StateKind::TextureStage, D3DTSS_TEXCOORDINDEX, false, kNone}},
    {"TEXTURETRANSFORMFLAGS", {StateKind::TextureStage, D3DTSS_TEXTURETRANSFORMFLAGS, false, kNone}},
    {"TEXTURE", {StateKind::Texture, 0, false, kNone}},
    {"SAMPLER", {StateKind::SamplerBinding, 0, false, kNone}},
    {"VERTEXSHADER", {StateKind::VertexShader, 0, false, kNone}},
    {"PIXELSHADER", {StateKind::PixelShader, 0, false, kNone}},
};

const Entry kSamplerStates[] = {
    {"ADDRESSU", {StateKind::Sampler, D3DSAMP_ADDRESSU, false, kAddress}},
    {"ADDRESSV", {StateKind::Sampler, D3DSAMP_ADDRESSV, false, kAddress}},
    {"ADDRESSW", {StateKind::Sampler, D3DSAMP_ADDRESSW, false, kAddress}},
    {"BORDERCOLOR", {StateKind::Sampler, D3DSAMP_BORDERCOLOR, false, kNone}},
    {"MAGFILTER", {StateKind::Sampler, D3DSAMP_MAGFILTER, false, kFilter}},
    {"MINFILTER", {StateKind::Sampler, D3DSAMP_MINFILTER, false, kFilter}},
    {"MIPFILTER", {StateKind::Sampler, D3DSAMP_MIPFILTER, false, kFilter}},
    {"MIPMAPLODBIAS", {StateKind::Sampler, D3DSAMP_MIPMAPLODBIAS, true, kNone}},
    {"MAXMIPLEVEL", {StateKind::Sampler, D3DSAMP_MAXMIPLEVEL, false, kNone}},
    {"MAXANISOTROPY", {StateKind::Sampler, D3DSAMP_MAXANISOTROPY, false, kNone}},
    {"SRGBTEXTURE", {StateKind::Sampler, D3DSAMP_SRGBTEXTURE, false, kBool}},
    {"TEXTURE", {StateKind::Texture, 0, false, kNone}},
};

template <size_t N> bool find(const Entry (&table)[N], const std::string& name, StateName& out)
{
    for (const Entry& e : table) {
        if (strcasecmp(e.name, name.c_str()) == 0) {
            out = e.value;
            return true;
        }
    }
    return false;
}

} // namespace

bool findPassState(const std::string& name, StateName& out)
{
    // Sampler states are also assigned in passes, indexed by sampler: MinFilter[0] = Linear.
    return find(kPassStates, name, out) || find(kSamplerStates, name, out);
}

bool findSamplerState(const std::string& name, StateName& out)
{
    return find(kSamplerStates, name, out);
}

bool findStateWord(int words, const std::string& word, DWORD& value)
{
    for (const Word& w : kWords) {
        if (w.table == words && strcasecmp(w.name, word.c_str()) == 0) {
            value = w.value;
            return true;
        }
    }
    if (strcasecmp(word.c_str(), "TRUE") == 0 || strcasecmp(word.c_str(), "FALSE") == 0) {
        value = strcasecmp(word.c_str(), "TRUE") == 0;
        return true;
    }
    for (const Word& w : kWords) {
        if (strcasecmp(w.name, word.c_str()) == 0) {
            value = w.value;
            return true;
        }
    }
    return false;
}

} // namespace D3DXEffects
