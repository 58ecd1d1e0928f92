#pragma once
// The Direct3D 9 device on an OpenGL 3.3 core context of the window's SDL window.
//
// Conventions (see the platform design notes): every target is rendered y-flipped, so D3D's top
// row is row 0 of each GL image and uploads, locks and read-backs need no conversion; a fix-up
// appended to every vertex stage flips y, applies the half-pixel offset and maps depth to 0..1;
// the back buffer is a GL texture blitted to the window at Present, so it can be read afterwards.
#include "d3d9/Buffers.h"
#include "d3d9/DeviceState.h"
#include "d3d9/GLState.h"
#include "d3d9/Programs.h"
#include "d3d9/Resources.h"
#include "d3d9/Shaders.h"
#include "d3d9/StateBlock.h"
#include "d3d9/VertexDeclaration.h"
#include "common/ComObject.h"

#include <SDL.h>

#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace D3D9Internal {

class Direct3D9;

class Device final : public PlatformInternal::ComObject<IDirect3DDevice9> {
public:
    static HRESULT create(Direct3D9* d3d, UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                          D3DPRESENT_PARAMETERS* params, Device** out);
    ~Device() override;

    // Device, presentation and loss
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT EvictManagedResources() override;
    HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot, IDirect3DSurface9* pCursorBitmap) override;
    void SetCursorPosition(int X, int Y, DWORD Flags) override;
    BOOL ShowCursor(BOOL bShow) override;
    UINT GetNumberOfSwapChains() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const _RGNDATA* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) override;
    HRESULT SetDialogBoxMode(BOOL bEnableDialogs) override;
    void SetGammaRamp(UINT iSwapChain, DWORD Flags, const D3DGAMMARAMP* pRamp) override;
    void GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) override;

    // Resources (DeviceResources.cpp)
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;
    HRESULT CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                D3DPOOL Pool, IDirect3DVolumeTexture9** ppVolumeTexture,
                                HANDLE* pSharedHandle) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DCubeTexture9** ppCubeTexture, HANDLE* pSharedHandle) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                               DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                               HANDLE* pSharedHandle) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                      DWORD MultisampleQuality, BOOL Discard, IDirect3DSurface9** ppSurface,
                                      HANDLE* pSharedHandle) override;
    HRESULT UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                          IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture9* pSourceTexture, IDirect3DBaseTexture9* pDestinationTexture) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) override;
    HRESULT GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface) override;
    HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                        const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter) override;
    HRESULT ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) override;
    HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                        IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override;
    HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
    HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                    IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT CreateVertexShader(const DWORD* pFunction, IDirect3DVertexShader9** ppShader) override;
    HRESULT CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) override;

    // Drawing (DeviceDraw.cpp)
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                 UINT NumVertices, UINT startIndex, UINT primCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                   UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                   const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;

    // State (DeviceStates.cpp)
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetClipPlane(DWORD Index, const float* pPlane) override;
    HRESULT GetClipPlane(DWORD Index, float* pPlane) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(IDirect3DStateBlock9** ppSB) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    HRESULT SetScissorRect(const RECT* pRect) override;
    HRESULT GetScissorRect(RECT* pRect) override;
    HRESULT SetSoftwareVertexProcessing(BOOL bSoftware) override;
    BOOL GetSoftwareVertexProcessing() override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT SetFVF(DWORD FVF) override;
    HRESULT GetFVF(DWORD* pFVF) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) override;
    HRESULT GetVertexShader(IDirect3DVertexShader9** ppShader) override;
    HRESULT SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount) override;
    HRESULT GetVertexShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) override;
    HRESULT SetVertexShaderConstantI(UINT StartRegister, const int* pConstantData, UINT Vector4iCount) override;
    HRESULT GetVertexShaderConstantI(UINT StartRegister, int* pConstantData, UINT Vector4iCount) override;
    HRESULT SetVertexShaderConstantB(UINT StartRegister, const BOOL* pConstantData, UINT BoolCount) override;
    HRESULT GetVertexShaderConstantB(UINT StartRegister, BOOL* pConstantData, UINT BoolCount) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                            UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                            UINT* pStride) override;
    HRESULT SetStreamSourceFreq(UINT StreamNumber, UINT Setting) override;
    HRESULT GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) override;
    HRESULT GetPixelShader(IDirect3DPixelShader9** ppShader) override;
    HRESULT SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount) override;
    HRESULT GetPixelShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) override;
    HRESULT SetPixelShaderConstantI(UINT StartRegister, const int* pConstantData, UINT Vector4iCount) override;
    HRESULT GetPixelShaderConstantI(UINT StartRegister, int* pConstantData, UINT Vector4iCount) override;
    HRESULT SetPixelShaderConstantB(UINT StartRegister, const BOOL* pConstantData, UINT BoolCount) override;
    HRESULT GetPixelShaderConstantB(UINT StartRegister, BOOL* pConstantData, UINT BoolCount) override;

    // ---- used by the layer's own objects ----
    void makeCurrent();
    const GLFeatures& features() const { return m_features; }
    // Batches of draws handed to the driver before their frame ended (see queueWork).
    unsigned batchesHandedOver() const { return m_batchesHandedOver; }
    GLState& glState() { return m_gl; }
    void registerObject(ObjectBase* object) { m_objects.insert(object); }
    void unregisterObject(ObjectBase* object) { m_objects.erase(object); }
    // Binds a texture on the unit kept for uploads and copies.
    void bindUploadTexture(GLenum target, GLuint texture);
    // Attaches a surface to the read (or draw) framebuffer used for copies; false when it has no
    // GL image.
    bool attachCopySurface(GLenum framebufferTarget, Surface* surface);
    uint32_t nextObjectId() { return ++m_lastObjectId; }
    ProgramCache& programs() { return *m_programs; }
    void forgetShader(uint32_t id);
    GLuint programForCurrentState();
    // Whether texture and sampler changes can change the program (shared fetches need two samplers).
    bool pixelShaderReadsSamplers() const
    {
        return m_state.pixelShader && m_state.pixelShader->desc().samplers.size() > 1;
    }
    // Which of a pixel shader's sampler stages hold the same texture and states as a lower one.
    void buildSamplerAliases(const std::vector<std::pair<std::string, DWORD>>& samplers, uint8_t (&alias)[16]);
    // Something bound another program (program building reads uniform locations).
    void programBindingChanged() { m_boundProgram = ~0u; }
    void loseDevice();
    bool isRecording() const { return m_recording != nullptr; }
    // Applies a state block's states through the Set calls (StateBlock::Apply).
    void applyStateBlock(const DeviceState& state, const StateMask& mask);
    void captureStateBlock(StateBlock& block);
    const DeviceState& state() const { return m_state; }

private:
    Device(Direct3D9* d3d);
    HRESULT initialize(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags, D3DPRESENT_PARAMETERS* params);
    bool createImplicitSurfaces(const D3DPRESENT_PARAMETERS& params);
    void applyWindowMode(const D3DPRESENT_PARAMETERS& params);
    void resetState();
    void releaseBindings();
    void checkLoss();
    void onRenderStateChanged(D3DRENDERSTATETYPE state);
    void setDefaultRenderTargets();

    // DeviceDraw.cpp
    bool prepareDraw(uint64_t primitives);
    void applyFramebuffer();
    void applyViewportAndScissor();
    void applyRenderStates();
    void applyTextures();
    void applySampler(int slot);
    bool applyProgram();
    void uploadUniforms(Program& program);
    bool applyVertexInput(bool instanced);
    HRESULT drawUp(D3DPRIMITIVETYPE type, UINT primitives, const void* vertices, UINT stride, const void* indices,
                   D3DFORMAT indexFormat, UINT vertexCount);
    VertexDeclaration* fvfDeclaration(DWORD fvf);
    VertexDeclaration* activeDeclaration();
    void buildVertexKey(FFVertexKey& key, VertexDeclaration* declaration, bool forPixelShader);
    void buildPixelKey(FFPixelKey& key);
    void markTargetsRendered();
    void resolveSampledMips();
    // Gives GL the clears the surface still waits for; forgetKnown: what is next done to it
    // changes its contents.
    void flushDepthClear(Surface* surface, bool forgetKnown = false);

    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_IDirect3DDevice9); }

    // The lifetime of the device.
    Direct3D9* m_d3d;
    SDL_Cursor* m_pointer = nullptr; // the colour pointer SetCursorProperties made last
    D3DPRESENT_PARAMETERS m_params{};
    D3DDEVICE_CREATION_PARAMETERS m_creation{};
    HWND m_window = nullptr;
    SDL_Window* m_sdlWindow = nullptr;
    SDL_GLContext m_context = nullptr;
    GLFeatures m_features;
    std::unordered_set<ObjectBase*> m_objects;
    uint32_t m_lastObjectId = 0;

    // Loss.
    enum class Cooperation { Ok, Lost, NotReset };
    Cooperation m_cooperation = Cooperation::Ok;
    // What the driver holds for the draws since the GL work was last handed to it, as estimated
    // by queueWork, and the fences of the batches handed over and perhaps not yet drawn, oldest
    // first.
    static constexpr unsigned kBatchesInFlight = 2;
    uint64_t m_queuedBytes = 0;
    uint32_t m_pixelChangesQueued = 0;
    GLsync m_batchFences[kBatchesInFlight] = {};
    unsigned m_batchFenceCount = 0;
    unsigned m_batchesHandedOver = 0;
    void handOverBatch();
    // The draws queued for the render target being left go to the rasteriser now.
    void handOverTarget();
    bool m_workUnflushed = false;
    void queueWork(uint64_t bytes);
    uint64_t drawWork(uint64_t primitives);
    bool m_lostReported = false;
    bool m_focusLoss = false;
    bool m_wasForeground = false;
    int m_desktopWidth = 0, m_desktopHeight = 0, m_desktopFormat = 0;

    // State.
    DeviceState m_state{};
    StateBlock* m_recording = nullptr;
    Surface* m_renderTargets[kMaxRenderTargets] = {};
    Surface* m_depthStencil = nullptr;
    Surface* m_backBuffer = nullptr;
    Surface* m_autoDepth = nullptr;
    int m_sceneDepth = 0;
    unsigned m_scenesSinceSweep = 0;
    // Managed pictures not drawn for a while give back their GL storage (see
    // BaseTextureObject::canEvict): every kSweepScenes frames (outermost scenes) those found
    // unused kIdleSweeps sweeps running, or all of them (EvictManagedResources), unless bound.
    void evictManagedTextures(bool idleOnly);
    BOOL m_softwareVertexProcessing = FALSE;
    D3DGAMMARAMP m_gamma{};
    std::unordered_map<DWORD, VertexDeclaration*> m_fvfDeclarations;
    // The last one asked for: objects set their FVF before every draw.
    DWORD m_lastFvf = 0;
    VertexDeclaration* m_lastFvfDeclaration = nullptr;

    // GL objects and what is set on them.
    GLuint m_vao = 0;
    GLuint m_drawFramebuffer = 0;
    GLuint m_copyReadFramebuffer = 0;
    GLuint m_copyDrawFramebuffer = 0;
    GLuint m_samplers[kSamplerCount] = {};
    GLuint m_upVertexBuffer = 0;
    GLuint m_upIndexBuffer = 0;
    size_t m_upVertexCapacity = 0;
    size_t m_upIndexCapacity = 0;
    size_t m_upVertexUsed = 0;
    size_t m_upIndexUsed = 0;
    // The last small draw from memory's vertices and where they went in the ring: the same
    // vertices drawn again (one shape drawn at many places) are drawn from there.
    std::vector<uint8_t> m_upLastVertices;
    size_t m_upLastOffset = 0;
    std::unique_ptr<ProgramCache> m_programs;
    Program* m_currentProgram = nullptr;
    GLuint m_boundProgram = 0;

    enum : uint32_t {
        kDirtyFramebuffer = 1u << 0,
        kDirtyViewport = 1u << 1,
        kDirtyBlend = 1u << 2,
        kDirtyDepthStencil = 1u << 3,
        kDirtyRaster = 1u << 4,
        kDirtyColorMask = 1u << 5,
        kDirtyVertexInput = 1u << 6,
        kDirtyProgram = 1u << 7,
        kDirtyClip = 1u << 8,
        kDirtyAll = 0xffffffffu,
    };
    uint32_t m_dirty = kDirtyAll;
    bool m_attachmentsDirty = true;
    uint32_t m_dirtyTextures = 0xfffff;
    // Slots SetTexture last filled: every slot holding a texture is among them (a slot emptied
    // otherwise may stay, and is found empty).
    uint32_t m_textureSlots = 0;
    uint32_t m_dirtySamplers = 0xfffff;
    // Versions of the values programs read; a program uploads what changed since it last ran.
    uint64_t m_fixupVersion = 1, m_clipVersion = 1, m_pixelVersion = 1, m_transformVersion = 1, m_materialVersion = 1,
             m_constVersion = 1;
    // Vertex input as last specified.
    const VertexDeclaration* m_inputDeclaration = nullptr;
    // The layout (declaration id, 0 for none) and stride the attributes were last set up for a
    // draw from memory, while nothing else has set them since.
    uint32_t m_upInputDeclaration = 0;
    UINT m_upInputStride = 0;
    void setUpAttributes(const VertexDeclaration& declaration, UINT stride);
    bool m_inputInstanced = false;
    // What the context has set.
    GLState m_gl;
    // The GL values each sampler object holds, so unchanged D3D sampler states send nothing.
    struct SamplerValues {
        GLint minFilter, magFilter, wrap[3];
        float anisotropy, border[4], lodBias, minLod;
    };
    SamplerValues m_samplerValues[kSamplerCount] = {};
    uint32_t m_samplerValuesKnown = 0;
    ProgramKey m_programKey{};
};

Device* deviceObject(IDirect3DDevice9* device);

} // namespace D3D9Internal
