// Device states: defaults, the Set and Get calls, and state blocks.
#include "d3d9/Device.h"

#include <d3dx9math.h>

#include <algorithm>
#include <bitset>
#include <cstring>
#include <type_traits>

namespace D3D9Internal {

namespace {

// Copies the entries of `from` the mask names into `to`: a whole array at once when the mask
// names all (a block of every state is captured each pass), else only the bits set.
template <size_t N, typename T> void copyMasked(const std::bitset<N>& mask, T (&to)[N], const T (&from)[N])
{
    static_assert(std::is_trivially_copyable_v<T>);
    if (mask.all()) {
        std::memcpy(to, from, sizeof to);
        return;
    }
    for (size_t i = mask._Find_first(); i < N; i = mask._Find_next(i))
        std::memcpy(&to[i], &from[i], sizeof(T));
}

// Whether every entry the mask names is the same in both arrays.
template <size_t N, typename T> bool sameMasked(const std::bitset<N>& mask, const T (&a)[N], const T (&b)[N])
{
    if (mask.all())
        return std::memcmp(a, b, sizeof a) == 0;
    for (size_t i = mask._Find_first(); i < N; i = mask._Find_next(i))
        if (std::memcmp(&a[i], &b[i], sizeof(T)) != 0)
            return false;
    return true;
}

const D3DMATRIX kIdentity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};

// A Get call handing out what a slot holds, with a reference for the caller.
template <class Interface, class T> HRESULT handOut(Interface** out, T* held)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = held;
    if (held)
        held->addRef();
    return D3D_OK;
}

// Keeps a binding reference on whatever a slot holds.
template <class T> void assign(T*& slot, T* value)
{
    if (slot == value)
        return;
    if (value)
        value->bindRef();
    T* old = slot;
    slot = value;
    if (old)
        old->unbindRef();
}

const D3DRENDERSTATETYPE kPixelRenderStates[] = {D3DRS_ZENABLE,
                                                 D3DRS_FILLMODE,
                                                 D3DRS_SHADEMODE,
                                                 D3DRS_ZWRITEENABLE,
                                                 D3DRS_ALPHATESTENABLE,
                                                 D3DRS_LASTPIXEL,
                                                 D3DRS_SRCBLEND,
                                                 D3DRS_DESTBLEND,
                                                 D3DRS_ZFUNC,
                                                 D3DRS_ALPHAREF,
                                                 D3DRS_ALPHAFUNC,
                                                 D3DRS_DITHERENABLE,
                                                 D3DRS_FOGSTART,
                                                 D3DRS_FOGEND,
                                                 D3DRS_FOGDENSITY,
                                                 D3DRS_ALPHABLENDENABLE,
                                                 D3DRS_DEPTHBIAS,
                                                 D3DRS_STENCILENABLE,
                                                 D3DRS_STENCILFAIL,
                                                 D3DRS_STENCILZFAIL,
                                                 D3DRS_STENCILPASS,
                                                 D3DRS_STENCILFUNC,
                                                 D3DRS_STENCILREF,
                                                 D3DRS_STENCILMASK,
                                                 D3DRS_STENCILWRITEMASK,
                                                 D3DRS_TEXTUREFACTOR,
                                                 D3DRS_WRAP0,
                                                 D3DRS_WRAP1,
                                                 D3DRS_WRAP2,
                                                 D3DRS_WRAP3,
                                                 D3DRS_WRAP4,
                                                 D3DRS_WRAP5,
                                                 D3DRS_WRAP6,
                                                 D3DRS_WRAP7,
                                                 D3DRS_WRAP8,
                                                 D3DRS_WRAP9,
                                                 D3DRS_WRAP10,
                                                 D3DRS_WRAP11,
                                                 D3DRS_WRAP12,
                                                 D3DRS_WRAP13,
                                                 D3DRS_WRAP14,
                                                 D3DRS_WRAP15,
                                                 D3DRS_COLORWRITEENABLE,
                                                 D3DRS_BLENDOP,
                                                 D3DRS_SCISSORTESTENABLE,
                                                 D3DRS_SLOPESCALEDEPTHBIAS,
                                                 D3DRS_ANTIALIASEDLINEENABLE,
                                                 D3DRS_TWOSIDEDSTENCILMODE,
                                                 D3DRS_CCW_STENCILFAIL,
                                                 D3DRS_CCW_STENCILZFAIL,
                                                 D3DRS_CCW_STENCILPASS,
                                                 D3DRS_CCW_STENCILFUNC,
                                                 D3DRS_COLORWRITEENABLE1,
                                                 D3DRS_COLORWRITEENABLE2,
                                                 D3DRS_COLORWRITEENABLE3,
                                                 D3DRS_BLENDFACTOR,
                                                 D3DRS_SRGBWRITEENABLE,
                                                 D3DRS_SEPARATEALPHABLENDENABLE,
                                                 D3DRS_SRCBLENDALPHA,
                                                 D3DRS_DESTBLENDALPHA,
                                                 D3DRS_BLENDOPALPHA};

const D3DRENDERSTATETYPE kVertexRenderStates[] = {D3DRS_CULLMODE,
                                                  D3DRS_FOGENABLE,
                                                  D3DRS_FOGCOLOR,
                                                  D3DRS_FOGTABLEMODE,
                                                  D3DRS_FOGSTART,
                                                  D3DRS_FOGEND,
                                                  D3DRS_FOGDENSITY,
                                                  D3DRS_RANGEFOGENABLE,
                                                  D3DRS_AMBIENT,
                                                  D3DRS_COLORVERTEX,
                                                  D3DRS_FOGVERTEXMODE,
                                                  D3DRS_CLIPPING,
                                                  D3DRS_LIGHTING,
                                                  D3DRS_LOCALVIEWER,
                                                  D3DRS_EMISSIVEMATERIALSOURCE,
                                                  D3DRS_AMBIENTMATERIALSOURCE,
                                                  D3DRS_DIFFUSEMATERIALSOURCE,
                                                  D3DRS_SPECULARMATERIALSOURCE,
                                                  D3DRS_VERTEXBLEND,
                                                  D3DRS_CLIPPLANEENABLE,
                                                  D3DRS_POINTSIZE,
                                                  D3DRS_POINTSIZE_MIN,
                                                  D3DRS_POINTSPRITEENABLE,
                                                  D3DRS_POINTSCALEENABLE,
                                                  D3DRS_POINTSCALE_A,
                                                  D3DRS_POINTSCALE_B,
                                                  D3DRS_POINTSCALE_C,
                                                  D3DRS_MULTISAMPLEANTIALIAS,
                                                  D3DRS_MULTISAMPLEMASK,
                                                  D3DRS_PATCHEDGESTYLE,
                                                  D3DRS_POINTSIZE_MAX,
                                                  D3DRS_INDEXEDVERTEXBLENDENABLE,
                                                  D3DRS_TWEENFACTOR,
                                                  D3DRS_POSITIONDEGREE,
                                                  D3DRS_NORMALDEGREE,
                                                  D3DRS_MINTESSELLATIONLEVEL,
                                                  D3DRS_MAXTESSELLATIONLEVEL,
                                                  D3DRS_ADAPTIVETESS_X,
                                                  D3DRS_ADAPTIVETESS_Y,
                                                  D3DRS_ADAPTIVETESS_Z,
                                                  D3DRS_ADAPTIVETESS_W,
                                                  D3DRS_ENABLEADAPTIVETESSELLATION,
                                                  D3DRS_NORMALIZENORMALS,
                                                  D3DRS_SPECULARENABLE,
                                                  D3DRS_SHADEMODE};

} // namespace

// ---------------------------------------------------------------------------------------------
// Defaults and masks

void setDefaultState(DeviceState& s, bool autoDepth)
{
    s = DeviceState{};
    DWORD* rs = s.renderStates;
    rs[D3DRS_ZENABLE] = autoDepth ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = asDword(1.0f);
    rs[D3DRS_FOGDENSITY] = asDword(1.0f);
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFF;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_POINTSIZE] = asDword(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = asDword(1.0f);
    rs[D3DRS_POINTSCALE_A] = asDword(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_DEBUGMONITORTOKEN] = 0xBAADCAFE;
    rs[D3DRS_POINTSIZE_MAX] = asDword(256.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_POSITIONDEGREE] = 3;
    rs[D3DRS_NORMALDEGREE] = 1;
    rs[D3DRS_MINTESSELLATIONLEVEL] = asDword(1.0f);
    rs[D3DRS_MAXTESSELLATIONLEVEL] = asDword(1.0f);
    rs[D3DRS_ADAPTIVETESS_Z] = asDword(1.0f);
    rs[D3DRS_CCW_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_COLORWRITEENABLE1] = 0xF;
    rs[D3DRS_COLORWRITEENABLE2] = 0xF;
    rs[D3DRS_COLORWRITEENABLE3] = 0xF;
    rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
    for (int i = 0; i < kSamplerCount; ++i) {
        DWORD* ss = s.samplerStates[i];
        ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_MAGFILTER] = ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DSAMP_MAXANISOTROPY] = 1;
    }
    for (int i = 0; i < kStageCount; ++i) {
        DWORD* ts = s.stageStates[i];
        ts[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(i);
        ts[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
    for (D3DMATRIX& m : s.transforms)
        m = kIdentity;
    for (StreamBinding& stream : s.streams)
        stream.frequency = 1;
    for (LightSlot& light : s.lights) {
        light.light.Type = D3DLIGHT_DIRECTIONAL;
        light.light.Diffuse = D3DCOLORVALUE{1, 1, 1, 0};
        light.light.Direction = D3DVECTOR{0, 0, 1};
    }
}

void StateMask::setAll()
{
    renderStates.set();
    for (auto& sampler : samplerStates)
        sampler.set();
    for (auto& stage : stageStates)
        stage.set();
    textures.set();
    transforms.set();
    viewport = scissor = true;
    clipPlanes.set();
    fvf = declaration = true;
    streamSources.set();
    streamFrequencies.set();
    indices = vertexShader = pixelShader = true;
    vsConstF.set();
    vsConstI.set();
    vsConstB.set();
    psConstF.set();
    psConstI.set();
    psConstB.set();
    material = true;
    lights.set();
}

void StateMask::setPixelStates()
{
    for (D3DRENDERSTATETYPE state : kPixelRenderStates)
        renderStates.set(state);
    for (auto& sampler : samplerStates) {
        sampler.set();
        sampler.reset(D3DSAMP_DMAPOFFSET);
    }
    for (auto& stage : stageStates) {
        stage.set();
        stage.reset(D3DTSS_TEXCOORDINDEX);
        stage.reset(D3DTSS_TEXTURETRANSFORMFLAGS);
    }
    pixelShader = true;
    psConstF.set();
    psConstI.set();
    psConstB.set();
}

void StateMask::setVertexStates()
{
    for (D3DRENDERSTATETYPE state : kVertexRenderStates)
        renderStates.set(state);
    for (auto& sampler : samplerStates)
        sampler.set(D3DSAMP_DMAPOFFSET);
    for (auto& stage : stageStates) {
        stage.set(D3DTSS_TEXCOORDINDEX);
        stage.set(D3DTSS_TEXTURETRANSFORMFLAGS);
    }
    fvf = declaration = true;
    streamFrequencies.set();
    vertexShader = true;
    vsConstF.set();
    vsConstI.set();
    vsConstB.set();
    lights.set();
}

// ---------------------------------------------------------------------------------------------
// Reset of the state

void Device::releaseBindings()
{
    for (BaseTextureObject*& texture : m_state.textures)
        assign<BaseTextureObject>(texture, nullptr);
    for (StreamBinding& stream : m_state.streams)
        assign<VertexBuffer>(stream.buffer, nullptr);
    assign<IndexBuffer>(m_state.indices, nullptr);
    assign<VertexDeclaration>(m_state.declaration, nullptr);
    assign<VertexShader>(m_state.vertexShader, nullptr);
    assign<PixelShader>(m_state.pixelShader, nullptr);
    for (Surface*& target : m_renderTargets)
        assign<Surface>(target, nullptr);
    assign<Surface>(m_depthStencil, nullptr);
    m_currentProgram = nullptr;
    m_inputDeclaration = nullptr;
    m_upInputDeclaration = 0;
}

void Device::resetState()
{
    releaseBindings();
    setDefaultState(m_state, m_autoDepth != nullptr);
    setDefaultRenderTargets();
    m_dirty = kDirtyAll;
    m_attachmentsDirty = true;
    m_dirtyTextures = m_dirtySamplers = (1u << kSamplerCount) - 1;
    ++m_fixupVersion;
    ++m_clipVersion;
    ++m_pixelVersion;
    ++m_transformVersion;
    ++m_materialVersion;
    ++m_constVersion;
    m_boundProgram = ~0u;
}

void Device::setDefaultRenderTargets()
{
    assign<Surface>(m_renderTargets[0], m_backBuffer);
    assign<Surface>(m_depthStencil, m_autoDepth);
    m_state.viewport = D3DVIEWPORT9{0, 0, m_params.BackBufferWidth, m_params.BackBufferHeight, 0.0f, 1.0f};
    m_state.scissor =
        RECT{0, 0, static_cast<LONG>(m_params.BackBufferWidth), static_cast<LONG>(m_params.BackBufferHeight)};
}

void Device::onRenderStateChanged(D3DRENDERSTATETYPE state)
{
    switch (state) {
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ZFUNC:
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
    case D3DRS_TWOSIDEDSTENCILMODE:
    case D3DRS_CCW_STENCILFAIL:
    case D3DRS_CCW_STENCILZFAIL:
    case D3DRS_CCW_STENCILPASS:
    case D3DRS_CCW_STENCILFUNC:
        m_dirty |= kDirtyDepthStencil;
        break;
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
    case D3DRS_BLENDOPALPHA:
    case D3DRS_BLENDFACTOR:
        m_dirty |= kDirtyBlend;
        break;
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_DEPTHBIAS:
    case D3DRS_SLOPESCALEDEPTHBIAS:
    case D3DRS_SCISSORTESTENABLE:
        m_dirty |= kDirtyRaster;
        break;
    case D3DRS_COLORWRITEENABLE:
    case D3DRS_COLORWRITEENABLE1:
    case D3DRS_COLORWRITEENABLE2:
    case D3DRS_COLORWRITEENABLE3:
        m_dirty |= kDirtyColorMask;
        break;
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC:
    case D3DRS_SRGBWRITEENABLE:
        m_dirty |= kDirtyProgram; // they choose the pixel variant
        ++m_pixelVersion;
        break;
    case D3DRS_ALPHAREF:
    case D3DRS_TEXTUREFACTOR:
        ++m_pixelVersion;
        break;
    case D3DRS_CLIPPING:
    case D3DRS_CLIPPLANEENABLE:
        m_dirty |= kDirtyClip | kDirtyProgram; // they choose the vertex variant
        ++m_clipVersion;
        break;
    case D3DRS_LIGHTING:
    case D3DRS_SHADEMODE:
    case D3DRS_COLORVERTEX:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_SPECULARENABLE:
        m_dirty |= kDirtyProgram;
        break;
    case D3DRS_AMBIENT:
        ++m_materialVersion;
        break;
    case D3DRS_POINTSIZE:
        ++m_transformVersion;
        break;
    default:
        break; // kept for GetRenderState, no effect here
    }
}

// ---------------------------------------------------------------------------------------------
// Render, sampler and texture stage states

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    if (static_cast<DWORD>(State) >= kRenderStateCount)
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        m_recording->state().renderStates[State] = Value;
        m_recording->mask().renderStates.set(State);
        return D3D_OK;
    }
    if (m_state.renderStates[State] == Value)
        return D3D_OK;
    m_state.renderStates[State] = Value;
    onRenderStateChanged(State);
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue)
{
    if (!pValue || static_cast<DWORD>(State) >= kRenderStateCount)
        return D3DERR_INVALIDCALL;
    *pValue = m_state.renderStates[State];
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    int slot = samplerSlot(Sampler);
    if (slot < 0 || Type < D3DSAMP_ADDRESSU || Type >= kSamplerStateCount)
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        m_recording->state().samplerStates[slot][Type] = Value;
        m_recording->mask().samplerStates[slot].set(Type);
        return D3D_OK;
    }
    if (m_state.samplerStates[slot][Type] == Value)
        return D3D_OK;
    m_state.samplerStates[slot][Type] = Value;
    m_dirtySamplers |= 1u << slot;
    if (pixelShaderReadsSamplers())
        m_dirty |= kDirtyProgram; // may change which fetches share (buildSamplerAliases)
    return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue)
{
    int slot = samplerSlot(Sampler);
    if (!pValue || slot < 0 || Type < D3DSAMP_ADDRESSU || Type >= kSamplerStateCount)
        return D3DERR_INVALIDCALL;
    *pValue = m_state.samplerStates[slot][Type];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value)
{
    if (Stage >= kStageCount || Type < D3DTSS_COLOROP || Type >= kStageStateCount)
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        m_recording->state().stageStates[Stage][Type] = Value;
        m_recording->mask().stageStates[Stage].set(Type);
        return D3D_OK;
    }
    if (m_state.stageStates[Stage][Type] == Value)
        return D3D_OK;
    m_state.stageStates[Stage][Type] = Value;
    m_dirty |= kDirtyProgram;
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue)
{
    if (!pValue || Stage >= kStageCount || Type < D3DTSS_COLOROP || Type >= kStageStateCount)
        return D3DERR_INVALIDCALL;
    *pValue = m_state.stageStates[Stage][Type];
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture)
{
    int slot = samplerSlot(Stage);
    if (slot < 0)
        return D3DERR_INVALIDCALL;
    BaseTextureObject* texture = textureObject(pTexture);
    if (pTexture && (!texture || texture->device() != this))
        return D3DERR_INVALIDCALL;
    if (texture && texture->pool() != D3DPOOL_DEFAULT && texture->pool() != D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        assign(m_recording->state().textures[slot], texture);
        m_recording->mask().textures.set(static_cast<size_t>(slot));
        return D3D_OK;
    }
    // A texture set for drawing gets the texels it still owes (outside any draw's set-up).
    if (texture) {
        texture->ensureContent();
        texture->markUsed();
    }
    BaseTextureObject* old = m_state.textures[slot];
    if (old == texture)
        return D3D_OK;
    bool typeChanged = !old || !texture || old->bindTarget() != texture->bindTarget();
    assign(m_state.textures[slot], texture);
    m_dirtyTextures |= 1u << slot;
    if (texture)
        m_textureSlots |= 1u << slot;
    else
        m_textureSlots &= ~(1u << slot);
    if ((slot < kStageCount && typeChanged) || pixelShaderReadsSamplers())
        m_dirty |= kDirtyProgram;
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture)
{
    int slot = samplerSlot(Stage);
    if (!ppTexture || slot < 0)
        return D3DERR_INVALIDCALL;
    BaseTextureObject* texture = m_state.textures[slot];
    *ppTexture = texture ? texture->asInterface() : nullptr;
    if (texture)
        texture->addRef();
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Transforms, viewport, scissor, clip planes, material and lights

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    if (!pMatrix)
        return D3DERR_INVALIDCALL;
    int slot = transformSlot(State);
    if (slot < 0)
        return D3D_OK; // other world matrices: vertex blending is not done here
    if (m_recording) {
        m_recording->state().transforms[slot] = *pMatrix;
        m_recording->mask().transforms.set(static_cast<size_t>(slot));
        return D3D_OK;
    }
    // The same matrix again changes nothing the programs read.
    if (std::memcmp(&m_state.transforms[slot], pMatrix, sizeof *pMatrix) == 0)
        return D3D_OK;
    m_state.transforms[slot] = *pMatrix;
    ++m_transformVersion;
    ++m_clipVersion;
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix)
{
    if (!pMatrix)
        return D3DERR_INVALIDCALL;
    int slot = transformSlot(State);
    *pMatrix = slot < 0 ? kIdentity : m_state.transforms[slot];
    return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    if (!pMatrix)
        return D3DERR_INVALIDCALL;
    int slot = transformSlot(State);
    if (slot < 0)
        return D3D_OK;
    D3DXMATRIX product = D3DXMATRIX(*pMatrix) * D3DXMATRIX(m_state.transforms[slot]);
    return SetTransform(State, &product);
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* pViewport)
{
    if (!pViewport)
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        m_recording->state().viewport = *pViewport;
        m_recording->mask().viewport = true;
        return D3D_OK;
    }
    const D3DSURFACE_DESC& target = m_renderTargets[0]->desc();
    const D3DVIEWPORT9& v = *pViewport;
    if (v.Width == 0 || v.Height == 0 || static_cast<uint64_t>(v.X) + v.Width > target.Width ||
        static_cast<uint64_t>(v.Y) + v.Height > target.Height)
        return D3DERR_INVALIDCALL;
    if (!(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f))
        return D3DERR_INVALIDCALL;
    if (std::memcmp(&m_state.viewport, &v, sizeof v) == 0)
        return D3D_OK;
    m_state.viewport = v;
    m_dirty |= kDirtyViewport;
    ++m_fixupVersion;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* pViewport)
{
    if (!pViewport)
        return D3DERR_INVALIDCALL;
    *pViewport = m_state.viewport;
    return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* pRect)
{
    if (!pRect)
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        m_recording->state().scissor = *pRect;
        m_recording->mask().scissor = true;
        return D3D_OK;
    }
    m_state.scissor = *pRect;
    m_dirty |= kDirtyViewport;
    return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* pRect)
{
    if (!pRect)
        return D3DERR_INVALIDCALL;
    *pRect = m_state.scissor;
    return D3D_OK;
}

HRESULT Device::SetClipPlane(DWORD Index, const float* pPlane)
{
    if (!pPlane || Index >= kClipPlaneCount)
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        std::memcpy(m_recording->state().clipPlanes[Index], pPlane, sizeof(float) * 4);
        m_recording->mask().clipPlanes.set(Index);
        return D3D_OK;
    }
    std::memcpy(m_state.clipPlanes[Index], pPlane, sizeof(float) * 4);
    ++m_clipVersion;
    return D3D_OK;
}

HRESULT Device::GetClipPlane(DWORD Index, float* pPlane)
{
    if (!pPlane || Index >= kClipPlaneCount)
        return D3DERR_INVALIDCALL;
    std::memcpy(pPlane, m_state.clipPlanes[Index], sizeof(float) * 4);
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* pMaterial)
{
    if (!pMaterial)
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        m_recording->state().material = *pMaterial;
        m_recording->mask().material = true;
        return D3D_OK;
    }
    m_state.material = *pMaterial;
    ++m_materialVersion;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* pMaterial)
{
    if (!pMaterial)
        return D3DERR_INVALIDCALL;
    *pMaterial = m_state.material;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD Index, const D3DLIGHT9* pLight)
{
    if (!pLight || pLight->Type < D3DLIGHT_POINT || pLight->Type > D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    if (Index >= kMaxLights)
        return D3D_OK; // only the first lights take part here
    DeviceState& target = m_recording ? m_recording->state() : m_state;
    target.lights[Index].light = *pLight;
    target.lights[Index].set = true;
    if (m_recording)
        m_recording->mask().lights.set(Index);
    else
        ++m_materialVersion;
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD Index, D3DLIGHT9* pLight)
{
    if (!pLight || Index >= kMaxLights || !m_state.lights[Index].set)
        return D3DERR_INVALIDCALL;
    *pLight = m_state.lights[Index].light;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD Index, BOOL Enable)
{
    if (Index >= kMaxLights)
        return D3D_OK;
    DeviceState& target = m_recording ? m_recording->state() : m_state;
    target.lights[Index].enabled = Enable ? TRUE : FALSE;
    target.lights[Index].set = true;
    if (m_recording)
        m_recording->mask().lights.set(Index);
    else
        ++m_materialVersion;
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD Index, BOOL* pEnable)
{
    if (!pEnable || Index >= kMaxLights || !m_state.lights[Index].set)
        return D3DERR_INVALIDCALL;
    *pEnable = m_state.lights[Index].enabled ? 128 : FALSE;
    return D3D_OK;
}

HRESULT Device::SetSoftwareVertexProcessing(BOOL bSoftware)
{
    m_softwareVertexProcessing = bSoftware;
    return D3D_OK;
}

BOOL Device::GetSoftwareVertexProcessing()
{
    return m_softwareVertexProcessing;
}

// ---------------------------------------------------------------------------------------------
// Vertex input

VertexDeclaration* Device::fvfDeclaration(DWORD fvf)
{
    if (m_lastFvfDeclaration && m_lastFvf == fvf)
        return m_lastFvfDeclaration;
    auto it = m_fvfDeclarations.find(fvf);
    VertexDeclaration* declaration = it != m_fvfDeclarations.end() ? it->second : nullptr;
    if (!declaration) {
        std::vector<D3DVERTEXELEMENT9> elements;
        if (!VertexDeclaration::elementsForFvf(fvf, elements))
            return nullptr;
        declaration = VertexDeclaration::create(this, elements.data(), true);
        if (!declaration)
            return nullptr;
        m_fvfDeclarations.emplace(fvf, declaration);
    }
    m_lastFvf = fvf;
    m_lastFvfDeclaration = declaration;
    return declaration;
}

HRESULT Device::SetFVF(DWORD FVF)
{
    VertexDeclaration* declaration = nullptr;
    if (FVF != 0) {
        declaration = fvfDeclaration(FVF);
        if (!declaration)
            return D3DERR_INVALIDCALL;
    }
    if (m_recording) {
        m_recording->state().fvf = FVF;
        assign(m_recording->state().declaration, declaration);
        m_recording->mask().fvf = m_recording->mask().declaration = true;
        return D3D_OK;
    }
    if (m_state.fvf == FVF && m_state.declaration == declaration)
        return D3D_OK;
    m_state.fvf = FVF;
    assign(m_state.declaration, declaration);
    m_dirty |= kDirtyVertexInput | kDirtyProgram;
    return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* pFVF)
{
    if (!pFVF)
        return D3DERR_INVALIDCALL;
    *pFVF = m_state.fvf;
    return D3D_OK;
}

HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl)
{
    VertexDeclaration* declaration = pDecl ? dynamic_cast<VertexDeclaration*>(pDecl) : nullptr;
    if (pDecl && (!declaration || declaration->device() != this))
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        assign(m_recording->state().declaration, declaration);
        m_recording->state().fvf = 0;
        m_recording->mask().declaration = m_recording->mask().fvf = true;
        return D3D_OK;
    }
    if (m_state.declaration == declaration)
        return D3D_OK;
    assign(m_state.declaration, declaration);
    m_state.fvf = 0;
    m_dirty |= kDirtyVertexInput | kDirtyProgram;
    return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl)
{
    return handOut(ppDecl, m_state.declaration);
}

HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes, UINT Stride)
{
    if (StreamNumber >= kStreamCount)
        return D3DERR_INVALIDCALL;
    VertexBuffer* buffer = pStreamData ? dynamic_cast<VertexBuffer*>(pStreamData) : nullptr;
    if (pStreamData && (!buffer || buffer->device() != this))
        return D3DERR_INVALIDCALL;
    DeviceState& target = m_recording ? m_recording->state() : m_state;
    StreamBinding& stream = target.streams[StreamNumber];
    assign(stream.buffer, buffer);
    stream.offset = OffsetInBytes;
    stream.stride = Stride;
    if (m_recording)
        m_recording->mask().streamSources.set(StreamNumber);
    else
        m_dirty |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                UINT* pStride)
{
    if (StreamNumber >= kStreamCount || !ppStreamData)
        return D3DERR_INVALIDCALL;
    const StreamBinding& stream = m_state.streams[StreamNumber];
    *ppStreamData = stream.buffer;
    if (stream.buffer)
        stream.buffer->addRef();
    if (pOffsetInBytes)
        *pOffsetInBytes = stream.offset;
    if (pStride)
        *pStride = stream.stride;
    return D3D_OK;
}

HRESULT Device::SetStreamSourceFreq(UINT StreamNumber, UINT Setting)
{
    if (StreamNumber >= kStreamCount)
        return D3DERR_INVALIDCALL;
    bool indexed = (Setting & D3DSTREAMSOURCE_INDEXEDDATA) != 0;
    bool instance = (Setting & D3DSTREAMSOURCE_INSTANCEDATA) != 0;
    if ((indexed && instance) || (instance && StreamNumber == 0) || (Setting & 0x3FFFFFFF) == 0)
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        m_recording->state().streams[StreamNumber].frequency = Setting;
        m_recording->mask().streamFrequencies.set(StreamNumber);
        return D3D_OK;
    }
    if (m_state.streams[StreamNumber].frequency != Setting) {
        m_state.streams[StreamNumber].frequency = Setting;
        m_dirty |= kDirtyVertexInput;
    }
    return D3D_OK;
}

HRESULT Device::GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting)
{
    if (StreamNumber >= kStreamCount || !pSetting)
        return D3DERR_INVALIDCALL;
    *pSetting = m_state.streams[StreamNumber].frequency;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* pIndexData)
{
    IndexBuffer* buffer = pIndexData ? dynamic_cast<IndexBuffer*>(pIndexData) : nullptr;
    if (pIndexData && (!buffer || buffer->device() != this))
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        assign(m_recording->state().indices, buffer);
        m_recording->mask().indices = true;
        return D3D_OK;
    }
    assign(m_state.indices, buffer);
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** ppIndexData)
{
    return handOut(ppIndexData, m_state.indices);
}

// ---------------------------------------------------------------------------------------------
// Shaders and constants

HRESULT Device::SetVertexShader(IDirect3DVertexShader9* pShader)
{
    VertexShader* shader = pShader ? dynamic_cast<VertexShader*>(pShader) : nullptr;
    if (pShader && (!shader || shader->device() != this))
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        assign(m_recording->state().vertexShader, shader);
        m_recording->mask().vertexShader = true;
        return D3D_OK;
    }
    if (m_state.vertexShader != shader) {
        assign(m_state.vertexShader, shader);
        m_dirty |= kDirtyProgram;
    }
    return D3D_OK;
}

HRESULT Device::GetVertexShader(IDirect3DVertexShader9** ppShader)
{
    return handOut(ppShader, m_state.vertexShader);
}

HRESULT Device::SetPixelShader(IDirect3DPixelShader9* pShader)
{
    PixelShader* shader = pShader ? dynamic_cast<PixelShader*>(pShader) : nullptr;
    if (pShader && (!shader || shader->device() != this))
        return D3DERR_INVALIDCALL;
    if (m_recording) {
        assign(m_recording->state().pixelShader, shader);
        m_recording->mask().pixelShader = true;
        return D3D_OK;
    }
    if (m_state.pixelShader != shader) {
        assign(m_state.pixelShader, shader);
        m_dirty |= kDirtyProgram;
    }
    return D3D_OK;
}

HRESULT Device::GetPixelShader(IDirect3DPixelShader9** ppShader)
{
    return handOut(ppShader, m_state.pixelShader);
}

namespace {

template <class T, size_t N, size_t M>
HRESULT setConstants(T (&registers)[N][M], std::bitset<N>* mask, UINT start, const T* data, UINT count)
{
    if (!data || start > N || count > N - start)
        return D3DERR_INVALIDCALL;
    std::memcpy(registers[start], data, sizeof(T) * M * count);
    if (mask) {
        for (UINT i = 0; i < count; ++i)
            mask->set(start + i);
    }
    return D3D_OK;
}

template <class T, size_t N, size_t M> HRESULT getConstants(const T (&registers)[N][M], UINT start, T* data, UINT count)
{
    if (!data || start > N || count > N - start)
        return D3DERR_INVALIDCALL;
    std::memcpy(data, registers[start], sizeof(T) * M * count);
    return D3D_OK;
}

template <size_t N>
HRESULT setBools(BOOL (&registers)[N], std::bitset<N>* mask, UINT start, const BOOL* data, UINT count)
{
    if (!data || start > N || count > N - start)
        return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < count; ++i) {
        registers[start + i] = data[i] ? TRUE : FALSE;
        if (mask)
            mask->set(start + i);
    }
    return D3D_OK;
}

template <size_t N> HRESULT getBools(const BOOL (&registers)[N], UINT start, BOOL* data, UINT count)
{
    if (!data || start > N || count > N - start)
        return D3DERR_INVALIDCALL;
    std::memcpy(data, registers + start, sizeof(BOOL) * count);
    return D3D_OK;
}

} // namespace

#define ULVO_CONSTANT_SETTER(Name, Kind, Field, MaskField, Setter)                                                     \
    HRESULT Device::Name(UINT StartRegister, const Kind* pConstantData, UINT Count)                                    \
    {                                                                                                                  \
        DeviceState& target = m_recording ? m_recording->state() : m_state;                                            \
        HRESULT hr = Setter(target.Field, m_recording ? &m_recording->mask().MaskField : nullptr, StartRegister,       \
                            pConstantData, Count);                                                                     \
        if (SUCCEEDED(hr) && !m_recording)                                                                             \
            ++m_constVersion;                                                                                          \
        return hr;                                                                                                     \
    }
#define ULVO_CONSTANT_GETTER(Name, Kind, Field, Getter)                                                                \
    HRESULT Device::Name(UINT StartRegister, Kind* pConstantData, UINT Count)                                          \
    {                                                                                                                  \
        return Getter(m_state.Field, StartRegister, pConstantData, Count);                                             \
    }

ULVO_CONSTANT_SETTER(SetVertexShaderConstantF, float, vsConstF, vsConstF, setConstants)
ULVO_CONSTANT_GETTER(GetVertexShaderConstantF, float, vsConstF, getConstants)
ULVO_CONSTANT_SETTER(SetVertexShaderConstantI, int, vsConstI, vsConstI, setConstants)
ULVO_CONSTANT_GETTER(GetVertexShaderConstantI, int, vsConstI, getConstants)
ULVO_CONSTANT_SETTER(SetVertexShaderConstantB, BOOL, vsConstB, vsConstB, setBools)
ULVO_CONSTANT_GETTER(GetVertexShaderConstantB, BOOL, vsConstB, getBools)
ULVO_CONSTANT_SETTER(SetPixelShaderConstantF, float, psConstF, psConstF, setConstants)
ULVO_CONSTANT_GETTER(GetPixelShaderConstantF, float, psConstF, getConstants)
ULVO_CONSTANT_SETTER(SetPixelShaderConstantI, int, psConstI, psConstI, setConstants)
ULVO_CONSTANT_GETTER(GetPixelShaderConstantI, int, psConstI, getConstants)
ULVO_CONSTANT_SETTER(SetPixelShaderConstantB, BOOL, psConstB, psConstB, setBools)
ULVO_CONSTANT_GETTER(GetPixelShaderConstantB, BOOL, psConstB, getBools)

#undef ULVO_CONSTANT_SETTER
#undef ULVO_CONSTANT_GETTER

// ---------------------------------------------------------------------------------------------
// State blocks

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB)
{
    if (!ppSB)
        return D3DERR_INVALIDCALL;
    *ppSB = nullptr;
    if (m_recording)
        return D3DERR_INVALIDCALL;
    StateMask mask;
    switch (Type) {
    case D3DSBT_ALL:
        mask.setAll();
        break;
    case D3DSBT_PIXELSTATE:
        mask.setPixelStates();
        break;
    case D3DSBT_VERTEXSTATE:
        mask.setVertexStates();
        break;
    default:
        return D3DERR_INVALIDCALL;
    }
    StateBlock* block = new StateBlock(this, mask);
    captureStateBlock(*block);
    *ppSB = block;
    return D3D_OK;
}

HRESULT Device::BeginStateBlock()
{
    if (m_recording)
        return D3DERR_INVALIDCALL;
    m_recording = new StateBlock(this, StateMask{});
    return D3D_OK;
}

HRESULT Device::EndStateBlock(IDirect3DStateBlock9** ppSB)
{
    if (!ppSB || !m_recording)
        return D3DERR_INVALIDCALL;
    *ppSB = m_recording;
    m_recording = nullptr;
    return D3D_OK;
}

void Device::captureStateBlock(StateBlock& block)
{
    DeviceState& s = block.state();
    const StateMask& m = block.mask();
    copyMasked(m.renderStates, s.renderStates, m_state.renderStates);
    for (int i = 0; i < kSamplerCount; ++i)
        copyMasked(m.samplerStates[i], s.samplerStates[i], m_state.samplerStates[i]);
    for (int i = 0; i < kStageCount; ++i)
        copyMasked(m.stageStates[i], s.stageStates[i], m_state.stageStates[i]);
    for (int i = 0; i < kSamplerCount; ++i)
        if (m.textures.test(i))
            assign(s.textures[i], m_state.textures[i]);
    copyMasked(m.transforms, s.transforms, m_state.transforms);
    if (m.viewport)
        s.viewport = m_state.viewport;
    if (m.scissor)
        s.scissor = m_state.scissor;
    copyMasked(m.clipPlanes, s.clipPlanes, m_state.clipPlanes);
    if (m.fvf)
        s.fvf = m_state.fvf;
    if (m.declaration)
        assign(s.declaration, m_state.declaration);
    for (int i = 0; i < kStreamCount; ++i) {
        if (m.streamSources.test(i)) {
            assign(s.streams[i].buffer, m_state.streams[i].buffer);
            s.streams[i].offset = m_state.streams[i].offset;
            s.streams[i].stride = m_state.streams[i].stride;
        }
        if (m.streamFrequencies.test(i))
            s.streams[i].frequency = m_state.streams[i].frequency;
    }
    if (m.indices)
        assign(s.indices, m_state.indices);
    if (m.vertexShader)
        assign(s.vertexShader, m_state.vertexShader);
    if (m.pixelShader)
        assign(s.pixelShader, m_state.pixelShader);
    copyMasked(m.vsConstF, s.vsConstF, m_state.vsConstF);
    copyMasked(m.psConstF, s.psConstF, m_state.psConstF);
    copyMasked(m.vsConstI, s.vsConstI, m_state.vsConstI);
    copyMasked(m.psConstI, s.psConstI, m_state.psConstI);
    copyMasked(m.vsConstB, s.vsConstB, m_state.vsConstB);
    copyMasked(m.psConstB, s.psConstB, m_state.psConstB);
    if (m.material)
        s.material = m_state.material;
    copyMasked(m.lights, s.lights, m_state.lights);
}

void Device::applyStateBlock(const DeviceState& s, const StateMask& m)
{
    // Setting a state to the value it has changes nothing: arrays found the same are skipped.
    if (m_recording || !sameMasked(m.renderStates, s.renderStates, m_state.renderStates))
        for (size_t i = m.renderStates._Find_first(); i < kRenderStateCount; i = m.renderStates._Find_next(i))
            SetRenderState(static_cast<D3DRENDERSTATETYPE>(i), s.renderStates[i]);
    for (int i = 0; i < kSamplerCount; ++i) {
        DWORD sampler = i < 16 ? static_cast<DWORD>(i) : D3DVERTEXTEXTURESAMPLER0 + static_cast<DWORD>(i - 16);
        if (m_recording || !sameMasked(m.samplerStates[i], s.samplerStates[i], m_state.samplerStates[i]))
            for (size_t j = m.samplerStates[i]._Find_first(); j < kSamplerStateCount;
                 j = m.samplerStates[i]._Find_next(j))
                SetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(j), s.samplerStates[i][j]);
        if (m.textures.test(i))
            SetTexture(sampler, s.textures[i] ? s.textures[i]->asInterface() : nullptr);
    }
    for (int i = 0; i < kStageCount; ++i)
        if (m_recording || !sameMasked(m.stageStates[i], s.stageStates[i], m_state.stageStates[i]))
            for (size_t j = m.stageStates[i]._Find_first(); j < kStageStateCount; j = m.stageStates[i]._Find_next(j))
                SetTextureStageState(static_cast<DWORD>(i), static_cast<D3DTEXTURESTAGESTATETYPE>(j),
                                     s.stageStates[i][j]);
    static const D3DTRANSFORMSTATETYPE kTransformTypes[kTransformCount] = {
        D3DTS_VIEW,     D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE1, D3DTS_TEXTURE2,
        D3DTS_TEXTURE3, D3DTS_TEXTURE4,   D3DTS_TEXTURE5, D3DTS_TEXTURE6, D3DTS_TEXTURE7,
        D3DTS_WORLD,    D3DTS_WORLD1,     D3DTS_WORLD2,   D3DTS_WORLD3};
    for (int i = 0; i < kTransformCount; ++i)
        if (m.transforms.test(i))
            SetTransform(kTransformTypes[i], &s.transforms[i]);
    if (m.viewport && m_recording) {
        SetViewport(&s.viewport);
    } else if (m.viewport) {
        // Restored as captured, even when the target bound now is smaller.
        m_state.viewport = s.viewport;
        m_dirty |= kDirtyViewport;
        ++m_fixupVersion;
    }
    if (m.scissor)
        SetScissorRect(&s.scissor);
    for (int i = 0; i < kClipPlaneCount; ++i)
        if (m.clipPlanes.test(i))
            SetClipPlane(static_cast<DWORD>(i), s.clipPlanes[i]);
    if (m.fvf && s.fvf != 0)
        SetFVF(s.fvf);
    else if (m.declaration)
        SetVertexDeclaration(s.declaration);
    for (int i = 0; i < kStreamCount; ++i) {
        if (m.streamSources.test(i))
            SetStreamSource(static_cast<UINT>(i), s.streams[i].buffer, s.streams[i].offset, s.streams[i].stride);
        if (m.streamFrequencies.test(i))
            SetStreamSourceFreq(static_cast<UINT>(i), s.streams[i].frequency);
    }
    if (m.indices)
        SetIndices(s.indices);
    if (m.vertexShader)
        SetVertexShader(s.vertexShader);
    if (m.pixelShader)
        SetPixelShader(s.pixelShader);
    // Every constant set counts as a change the programs upload again: only those that differ
    // are set (a recording block takes them all).
    auto differs = [this](const auto& saved, const auto& current) {
        return m_recording || std::memcmp(&saved, &current, sizeof saved) != 0;
    };
    // A block of every state mostly finds the constants as it left them: one compare each.
    if (m_recording || !sameMasked(m.vsConstF, s.vsConstF, m_state.vsConstF))
        for (size_t i = m.vsConstF._Find_first(); i < kVSConstF; i = m.vsConstF._Find_next(i))
            if (differs(s.vsConstF[i], m_state.vsConstF[i]))
                SetVertexShaderConstantF(static_cast<UINT>(i), s.vsConstF[i], 1);
    if (m_recording || !sameMasked(m.psConstF, s.psConstF, m_state.psConstF))
        for (size_t i = m.psConstF._Find_first(); i < kPSConstF; i = m.psConstF._Find_next(i))
            if (differs(s.psConstF[i], m_state.psConstF[i]))
                SetPixelShaderConstantF(static_cast<UINT>(i), s.psConstF[i], 1);
    for (int i = 0; i < kConstI; ++i) {
        if (m.vsConstI.test(i) && differs(s.vsConstI[i], m_state.vsConstI[i]))
            SetVertexShaderConstantI(static_cast<UINT>(i), s.vsConstI[i], 1);
        if (m.psConstI.test(i) && differs(s.psConstI[i], m_state.psConstI[i]))
            SetPixelShaderConstantI(static_cast<UINT>(i), s.psConstI[i], 1);
    }
    for (int i = 0; i < kConstB; ++i) {
        if (m.vsConstB.test(i) && differs(s.vsConstB[i], m_state.vsConstB[i]))
            SetVertexShaderConstantB(static_cast<UINT>(i), &s.vsConstB[i], 1);
        if (m.psConstB.test(i) && differs(s.psConstB[i], m_state.psConstB[i]))
            SetPixelShaderConstantB(static_cast<UINT>(i), &s.psConstB[i], 1);
    }
    if (m.material)
        SetMaterial(&s.material);
    for (int i = 0; i < kMaxLights; ++i) {
        if (m.lights.test(i) && s.lights[i].set) {
            SetLight(static_cast<DWORD>(i), &s.lights[i].light);
            LightEnable(static_cast<DWORD>(i), s.lights[i].enabled);
        }
    }
}

StateBlock::StateBlock(Device* device, const StateMask& mask) : ObjectBase(device, D3DPOOL_MANAGED), m_mask(mask)
{
    m_state = DeviceState{};
    for (StreamBinding& stream : m_state.streams)
        stream.frequency = 1;
}

StateBlock::~StateBlock()
{
    releaseObjects();
}

bool StateBlock::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DStateBlock9;
}

HRESULT StateBlock::Capture()
{
    if (!m_device || m_device->isRecording())
        return D3DERR_INVALIDCALL;
    m_device->captureStateBlock(*this);
    return D3D_OK;
}

HRESULT StateBlock::Apply()
{
    if (!m_device)
        return D3DERR_INVALIDCALL;
    m_device->applyStateBlock(m_state, m_mask);
    return D3D_OK;
}

void StateBlock::releaseObjects()
{
    for (BaseTextureObject*& texture : m_state.textures)
        assign<BaseTextureObject>(texture, nullptr);
    for (StreamBinding& stream : m_state.streams)
        assign<VertexBuffer>(stream.buffer, nullptr);
    assign<IndexBuffer>(m_state.indices, nullptr);
    assign<VertexDeclaration>(m_state.declaration, nullptr);
    assign<VertexShader>(m_state.vertexShader, nullptr);
    assign<PixelShader>(m_state.pixelShader, nullptr);
}

} // namespace D3D9Internal
