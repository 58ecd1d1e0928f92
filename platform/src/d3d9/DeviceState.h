#pragma once
// Everything SetRenderState & co. record, as one value a state block can copy, and the masks that
// say which parts a state block holds.
#include <d3d9.h>

#include <bitset>
#include <vector>

namespace D3D9Internal {

class BaseTextureObject;
class VertexBuffer;
class IndexBuffer;
class VertexDeclaration;
class VertexShader;
class PixelShader;

constexpr int kRenderStateCount = 256;
constexpr int kSamplerCount = 20; // 16 pixel samplers, then D3DVERTEXTEXTURESAMPLER0..3
constexpr int kSamplerStateCount = 14;
constexpr int kStageCount = 8;
constexpr int kStageStateCount = 33;
constexpr int kStreamCount = 16;
constexpr int kClipPlaneCount = 6;
constexpr int kTransformCount = 14; // view, projection, texture 0..7, world 0..3
constexpr int kVSConstF = 256;
constexpr int kPSConstF = 224;
constexpr int kConstI = 16;
constexpr int kConstB = 16;
constexpr int kMaxLights = 8;
constexpr int kMaxRenderTargets = 4;

// Sampler number as the interface takes it (0..15, D3DVERTEXTEXTURESAMPLER0..3) to our slot.
inline int samplerSlot(DWORD sampler)
{
    if (sampler < 16)
        return static_cast<int>(sampler);
    if (sampler >= D3DVERTEXTEXTURESAMPLER0 && sampler <= D3DVERTEXTEXTURESAMPLER3)
        return 16 + static_cast<int>(sampler - D3DVERTEXTEXTURESAMPLER0);
    return -1;
}

// Transform type to slot, -1 for types not kept.
inline int transformSlot(D3DTRANSFORMSTATETYPE type)
{
    int t = static_cast<int>(type);
    if (t == D3DTS_VIEW)
        return 0;
    if (t == D3DTS_PROJECTION)
        return 1;
    if (t >= D3DTS_TEXTURE0 && t <= D3DTS_TEXTURE7)
        return 2 + (t - D3DTS_TEXTURE0);
    if (t >= 256 && t < 260)
        return 10 + (t - 256);
    return -1;
}
constexpr int kViewSlot = 0;
constexpr int kProjectionSlot = 1;
constexpr int kTextureSlot0 = 2;
constexpr int kWorldSlot = 10;

struct StreamBinding {
    VertexBuffer* buffer = nullptr;
    UINT offset = 0;
    UINT stride = 0;
    UINT frequency = 1;
};

struct LightSlot {
    D3DLIGHT9 light{};
    BOOL enabled = FALSE;
    bool set = false;
};

struct DeviceState {
    DWORD renderStates[kRenderStateCount];
    DWORD samplerStates[kSamplerCount][kSamplerStateCount];
    DWORD stageStates[kStageCount][kStageStateCount];
    BaseTextureObject* textures[kSamplerCount];
    D3DMATRIX transforms[kTransformCount];
    D3DVIEWPORT9 viewport;
    RECT scissor;
    float clipPlanes[kClipPlaneCount][4];
    DWORD fvf;
    VertexDeclaration* declaration;
    StreamBinding streams[kStreamCount];
    IndexBuffer* indices;
    VertexShader* vertexShader;
    PixelShader* pixelShader;
    float vsConstF[kVSConstF][4];
    int vsConstI[kConstI][4];
    BOOL vsConstB[kConstB];
    float psConstF[kPSConstF][4];
    int psConstI[kConstI][4];
    BOOL psConstB[kConstB];
    D3DMATERIAL9 material;
    LightSlot lights[kMaxLights];
};

// Which parts of a DeviceState a state block holds.
struct StateMask {
    std::bitset<kRenderStateCount> renderStates;
    std::bitset<kSamplerStateCount> samplerStates[kSamplerCount];
    std::bitset<kStageStateCount> stageStates[kStageCount];
    std::bitset<kSamplerCount> textures;
    std::bitset<kTransformCount> transforms;
    bool viewport = false;
    bool scissor = false;
    std::bitset<kClipPlaneCount> clipPlanes;
    bool fvf = false;
    bool declaration = false;
    std::bitset<kStreamCount> streamSources;
    std::bitset<kStreamCount> streamFrequencies;
    bool indices = false;
    bool vertexShader = false;
    bool pixelShader = false;
    std::bitset<kVSConstF> vsConstF;
    std::bitset<kConstI> vsConstI;
    std::bitset<kConstB> vsConstB;
    std::bitset<kPSConstF> psConstF;
    std::bitset<kConstI> psConstI;
    std::bitset<kConstB> psConstB;
    bool material = false;
    std::bitset<kMaxLights> lights;

    void setAll();
    void setPixelStates();
    void setVertexStates();
};

// D3D9's documented defaults; `autoDepth` decides D3DRS_ZENABLE.
void setDefaultState(DeviceState& state, bool autoDepth);
// Exchanges the float bits a DWORD render state carries.
inline float asFloat(DWORD value)
{
    float f;
    static_assert(sizeof f == sizeof value);
    __builtin_memcpy(&f, &value, sizeof f);
    return f;
}
inline DWORD asDword(float value)
{
    DWORD d;
    __builtin_memcpy(&d, &value, sizeof d);
    return d;
}

} // namespace D3D9Internal
