#pragma once
// The COM objects of the effect framework: ID3DXEffect, ID3DXEffectCompiler, ID3DXEffectPool
// and ID3DXBuffer.
#include "d3dx9/effects/EffectCore.h"
#include "d3dx9/effects/ShaderSpecialisation.h"
#include "d3dx9/effects/ShaderTranslator.h"

#include "d3d9/D3D9Internal.h"

#include "d3d9/GLFunctions.h"
#include "common/ComObject.h"

#include <map>
#include <memory>

namespace D3DXEffects {

class Buffer final : public PlatformInternal::ComObject<ID3DXBuffer> {
public:
    explicit Buffer(size_t size) : m_data(size, 0) {}
    LPVOID GetBufferPointer() override { return m_data.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(m_data.size()); }

private:
    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_ID3DXBuffer); }

    std::vector<uint8_t> m_data;
};

// A buffer holding `text` and its terminating NUL; null for empty text.
ID3DXBuffer* textBuffer(const std::string& text);

class EffectPool final : public PlatformInternal::ComObject<ID3DXEffectPool> {
public:
    // The values a shared parameter uses: the pool's for its name (the first effect's block is
    // kept), or its own when a parameter of that name but another size came first.
    std::shared_ptr<ValueBlock> share(const Parameter& parameter);

private:
    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_ID3DXEffectPool); }

    std::map<std::string, std::shared_ptr<ValueBlock>> m_shared;
};

#define ULVO_BASE_EFFECT_METHODS                                                                                       \
    HRESULT GetDesc(D3DXEFFECT_DESC* d) override                                                                       \
    {                                                                                                                  \
        return m_core.getDesc(d);                                                                                      \
    }                                                                                                                  \
    HRESULT GetParameterDesc(D3DXHANDLE h, D3DXPARAMETER_DESC* d) override                                             \
    {                                                                                                                  \
        return m_core.getParameterDesc(h, d);                                                                          \
    }                                                                                                                  \
    HRESULT GetTechniqueDesc(D3DXHANDLE h, D3DXTECHNIQUE_DESC* d) override                                             \
    {                                                                                                                  \
        return m_core.getTechniqueDesc(h, d);                                                                          \
    }                                                                                                                  \
    HRESULT GetPassDesc(D3DXHANDLE h, D3DXPASS_DESC* d) override                                                       \
    {                                                                                                                  \
        return m_core.getPassDesc(h, d);                                                                               \
    }                                                                                                                  \
    D3DXHANDLE GetParameter(D3DXHANDLE h, UINT i) override                                                             \
    {                                                                                                                  \
        return m_core.getParameter(h, i);                                                                              \
    }                                                                                                                  \
    D3DXHANDLE GetParameterByName(D3DXHANDLE h, LPCSTR n) override                                                     \
    {                                                                                                                  \
        return m_core.getParameterByName(h, n);                                                                        \
    }                                                                                                                  \
    D3DXHANDLE GetParameterBySemantic(D3DXHANDLE h, LPCSTR s) override                                                 \
    {                                                                                                                  \
        return m_core.getParameterBySemantic(h, s);                                                                    \
    }                                                                                                                  \
    D3DXHANDLE GetParameterElement(D3DXHANDLE h, UINT i) override                                                      \
    {                                                                                                                  \
        return m_core.getParameterElement(h, i);                                                                       \
    }                                                                                                                  \
    D3DXHANDLE GetTechnique(UINT i) override                                                                           \
    {                                                                                                                  \
        return m_core.getTechnique(i);                                                                                 \
    }                                                                                                                  \
    D3DXHANDLE GetTechniqueByName(LPCSTR n) override                                                                   \
    {                                                                                                                  \
        return m_core.getTechniqueByName(n);                                                                           \
    }                                                                                                                  \
    D3DXHANDLE GetPass(D3DXHANDLE h, UINT i) override                                                                  \
    {                                                                                                                  \
        return m_core.getPass(h, i);                                                                                   \
    }                                                                                                                  \
    D3DXHANDLE GetPassByName(D3DXHANDLE h, LPCSTR n) override                                                          \
    {                                                                                                                  \
        return m_core.getPassByName(h, n);                                                                             \
    }                                                                                                                  \
    D3DXHANDLE GetAnnotation(D3DXHANDLE h, UINT i) override                                                            \
    {                                                                                                                  \
        return m_core.getAnnotation(h, i);                                                                             \
    }                                                                                                                  \
    D3DXHANDLE GetAnnotationByName(D3DXHANDLE h, LPCSTR n) override                                                    \
    {                                                                                                                  \
        return m_core.getAnnotationByName(h, n);                                                                       \
    }                                                                                                                  \
    HRESULT SetValue(D3DXHANDLE h, LPCVOID p, UINT b) override                                                         \
    {                                                                                                                  \
        return m_core.setValue(h, p, b);                                                                               \
    }                                                                                                                  \
    HRESULT GetValue(D3DXHANDLE h, LPVOID p, UINT b) override                                                          \
    {                                                                                                                  \
        return m_core.getValue(h, p, b);                                                                               \
    }                                                                                                                  \
    HRESULT SetBool(D3DXHANDLE h, BOOL b) override                                                                     \
    {                                                                                                                  \
        return m_core.setNumbers(h, &b, 1, EffectCore::Source::Bool);                                                  \
    }                                                                                                                  \
    HRESULT GetBool(D3DXHANDLE h, BOOL* b) override                                                                    \
    {                                                                                                                  \
        return m_core.getNumbers(h, b, 1, EffectCore::Source::Bool);                                                   \
    }                                                                                                                  \
    HRESULT SetBoolArray(D3DXHANDLE h, const BOOL* b, UINT n) override                                                 \
    {                                                                                                                  \
        return m_core.setNumbers(h, b, n, EffectCore::Source::Bool);                                                   \
    }                                                                                                                  \
    HRESULT GetBoolArray(D3DXHANDLE h, BOOL* b, UINT n) override                                                       \
    {                                                                                                                  \
        return m_core.getNumbers(h, b, n, EffectCore::Source::Bool);                                                   \
    }                                                                                                                  \
    HRESULT SetInt(D3DXHANDLE h, INT v) override                                                                       \
    {                                                                                                                  \
        return m_core.setNumbers(h, &v, 1, EffectCore::Source::Int);                                                   \
    }                                                                                                                  \
    HRESULT GetInt(D3DXHANDLE h, INT* v) override                                                                      \
    {                                                                                                                  \
        return m_core.getNumbers(h, v, 1, EffectCore::Source::Int);                                                    \
    }                                                                                                                  \
    HRESULT SetIntArray(D3DXHANDLE h, const INT* v, UINT n) override                                                   \
    {                                                                                                                  \
        return m_core.setNumbers(h, v, n, EffectCore::Source::Int);                                                    \
    }                                                                                                                  \
    HRESULT GetIntArray(D3DXHANDLE h, INT* v, UINT n) override                                                         \
    {                                                                                                                  \
        return m_core.getNumbers(h, v, n, EffectCore::Source::Int);                                                    \
    }                                                                                                                  \
    HRESULT SetFloat(D3DXHANDLE h, FLOAT v) override                                                                   \
    {                                                                                                                  \
        return m_core.setNumbers(h, &v, 1, EffectCore::Source::Float);                                                 \
    }                                                                                                                  \
    HRESULT GetFloat(D3DXHANDLE h, FLOAT* v) override                                                                  \
    {                                                                                                                  \
        return m_core.getNumbers(h, v, 1, EffectCore::Source::Float);                                                  \
    }                                                                                                                  \
    HRESULT SetFloatArray(D3DXHANDLE h, const FLOAT* v, UINT n) override                                               \
    {                                                                                                                  \
        return m_core.setNumbers(h, v, n, EffectCore::Source::Float);                                                  \
    }                                                                                                                  \
    HRESULT GetFloatArray(D3DXHANDLE h, FLOAT* v, UINT n) override                                                     \
    {                                                                                                                  \
        return m_core.getNumbers(h, v, n, EffectCore::Source::Float);                                                  \
    }                                                                                                                  \
    HRESULT SetVector(D3DXHANDLE h, const D3DXVECTOR4* v) override                                                     \
    {                                                                                                                  \
        return m_core.setVectors(h, v, 1);                                                                             \
    }                                                                                                                  \
    HRESULT GetVector(D3DXHANDLE h, D3DXVECTOR4* v) override                                                           \
    {                                                                                                                  \
        return m_core.getVectors(h, v, 1);                                                                             \
    }                                                                                                                  \
    HRESULT SetVectorArray(D3DXHANDLE h, const D3DXVECTOR4* v, UINT n) override                                        \
    {                                                                                                                  \
        return m_core.setVectors(h, v, n);                                                                             \
    }                                                                                                                  \
    HRESULT GetVectorArray(D3DXHANDLE h, D3DXVECTOR4* v, UINT n) override                                              \
    {                                                                                                                  \
        return m_core.getVectors(h, v, n);                                                                             \
    }                                                                                                                  \
    HRESULT SetMatrix(D3DXHANDLE h, const D3DXMATRIX* m) override                                                      \
    {                                                                                                                  \
        return m_core.setMatrices(h, m, 1, false);                                                                     \
    }                                                                                                                  \
    HRESULT GetMatrix(D3DXHANDLE h, D3DXMATRIX* m) override                                                            \
    {                                                                                                                  \
        return m_core.getMatrices(h, m, 1, false);                                                                     \
    }                                                                                                                  \
    HRESULT SetMatrixArray(D3DXHANDLE h, const D3DXMATRIX* m, UINT n) override                                         \
    {                                                                                                                  \
        return m_core.setMatrices(h, m, n, false);                                                                     \
    }                                                                                                                  \
    HRESULT GetMatrixArray(D3DXHANDLE h, D3DXMATRIX* m, UINT n) override                                               \
    {                                                                                                                  \
        return m_core.getMatrices(h, m, n, false);                                                                     \
    }                                                                                                                  \
    HRESULT SetMatrixTranspose(D3DXHANDLE h, const D3DXMATRIX* m) override                                             \
    {                                                                                                                  \
        return m_core.setMatrices(h, m, 1, true);                                                                      \
    }                                                                                                                  \
    HRESULT GetMatrixTranspose(D3DXHANDLE h, D3DXMATRIX* m) override                                                   \
    {                                                                                                                  \
        return m_core.getMatrices(h, m, 1, true);                                                                      \
    }                                                                                                                  \
    HRESULT SetMatrixTransposeArray(D3DXHANDLE h, const D3DXMATRIX* m, UINT n) override                                \
    {                                                                                                                  \
        return m_core.setMatrices(h, m, n, true);                                                                      \
    }                                                                                                                  \
    HRESULT GetMatrixTransposeArray(D3DXHANDLE h, D3DXMATRIX* m, UINT n) override                                      \
    {                                                                                                                  \
        return m_core.getMatrices(h, m, n, true);                                                                      \
    }                                                                                                                  \
    HRESULT SetString(D3DXHANDLE h, LPCSTR s) override                                                                 \
    {                                                                                                                  \
        return m_core.setString(h, s);                                                                                 \
    }                                                                                                                  \
    HRESULT GetString(D3DXHANDLE h, LPCSTR* s) override                                                                \
    {                                                                                                                  \
        return m_core.getString(h, s);                                                                                 \
    }                                                                                                                  \
    HRESULT SetTexture(D3DXHANDLE h, LPDIRECT3DBASETEXTURE9 t) override                                                \
    {                                                                                                                  \
        return m_core.setTexture(h, t);                                                                                \
    }                                                                                                                  \
    HRESULT GetTexture(D3DXHANDLE h, LPDIRECT3DBASETEXTURE9* t) override                                               \
    {                                                                                                                  \
        return m_core.getTexture(h, t);                                                                                \
    }

class EffectCompiler final : public PlatformInternal::ComObject<ID3DXEffectCompiler> {
public:
    EffectCompiler(EffectDescription description, PreprocessedSource source);
    ULVO_BASE_EFFECT_METHODS
    HRESULT CompileEffect(DWORD Flags, LPD3DXBUFFER* ppEffect, LPD3DXBUFFER* ppErrorMsgs) override;

private:
    void* findInterface(REFIID riid) override
    {
        return riid == IID_ID3DXBaseEffect ? static_cast<ID3DXEffectCompiler*>(this)
                                           : ownInterface(riid, IID_ID3DXEffectCompiler);
    }

    EffectCore m_core;
};

class Effect final : public PlatformInternal::ComObject<ID3DXEffect> {
public:
    Effect(IDirect3DDevice9* device, EffectPool* pool);
    ~Effect() override;
    // Translates and links every pass; false with messages.
    bool create(EffectDescription description, PreprocessedSource source, Messages& messages);

    ULVO_BASE_EFFECT_METHODS
    HRESULT GetPool(LPD3DXEFFECTPOOL* ppPool) override;
    HRESULT SetTechnique(D3DXHANDLE hTechnique) override;
    D3DXHANDLE GetCurrentTechnique() override { return m_core.handleOf(m_technique); }
    HRESULT ValidateTechnique(D3DXHANDLE hTechnique) override;
    HRESULT FindNextValidTechnique(D3DXHANDLE hTechnique, D3DXHANDLE* pTechnique) override;
    BOOL IsParameterUsed(D3DXHANDLE hParameter, D3DXHANDLE hTechnique) override;
    HRESULT Begin(UINT* pPasses, DWORD Flags) override;
    HRESULT BeginPass(UINT Pass) override;
    HRESULT CommitChanges() override;
    HRESULT EndPass() override;
    HRESULT End() override;
    HRESULT GetDevice(LPDIRECT3DDEVICE9* ppDevice) override;
    HRESULT OnLostDevice() override { return D3D_OK; }
    HRESULT OnResetDevice() override { return D3D_OK; }

private:
    struct SamplerBinding {
        Parameter* sampler;
        DWORD unit; // SetTexture/SetSamplerState stage (vertex samplers from D3DVERTEXTEXTURESAMPLER0)
    };
    // The pass's stages made again with its bool and int globals as constants, for one set of values.
    struct PassVariant {
        std::vector<uint32_t> values;
        IDirect3DVertexShader9* vertexShader = nullptr;
        IDirect3DPixelShader9* pixelShader = nullptr;
    };
    struct PassProgram {
        IDirect3DVertexShader9* vertexShader = nullptr;
        IDirect3DPixelShader9* pixelShader = nullptr;
        std::vector<SamplerBinding> samplers;
        // The bool and int globals the stages read (none: the pass is never specialised), and the
        // stages' descriptions the variants are made from.
        std::vector<SpecialisedGlobal> specialised;
        D3D9Internal::ShaderStageDesc vertexDesc, pixelDesc;
        std::vector<PassVariant> variants;
        // Whether the pass's states set each stage; its variant then takes the stage's place.
        bool setsVertexShader = false, setsPixelShader = false;
    };
    struct SavedState {
        StateKind kind;
        DWORD index;
        DWORD state;
        DWORD value;
    };
    struct ParameterLayout {
        Parameter* parameter;
        const UniformLayout* layout;
        uint64_t uploaded;
    };

    void* findInterface(REFIID riid) override
    {
        return riid == IID_ID3DXBaseEffect ? static_cast<ID3DXEffect*>(this) : ownInterface(riid, IID_ID3DXEffect);
    }
    bool buildPass(Pass& pass, PassProgram& program);
    // The float parameters annotated `bool Specialise = true`: passes are made for their values.
    std::vector<std::string> fixedGlobals() const;
    void bindProgram(GLuint program, const std::vector<SamplerBinding>& samplers);
    void applySamplers(const PassProgram& program);
    void applySampler(const Parameter& sampler, DWORD unit);
    void resolve(StateAssignment& state);
    bool evaluate(const StateAssignment& state, DWORD& value, IDirect3DBaseTexture9** texture);
    bool evaluateExpression(const StateAssignment& state, DWORD& value);
    void uploadConstants();
    // Sets the stages of the pass's variant for the globals just uploaded (or its plain stages).
    void selectVariant(PassProgram& program);
    const PassVariant* findVariant(PassProgram& program);
    // Binds the constant buffer to GL_UNIFORM_BUFFER (through the device's record of bindings).
    void bindConstantBuffer();
    void planSavedStates(DWORD flags);
    void saveStates(DWORD flags);
    void restoreStates();

    EffectCore m_core;
    IDirect3DDevice9* m_device;
    EffectPool* m_pool;
    Technique* m_technique = nullptr;
    std::map<const Pass*, PassProgram> m_programs;
    std::vector<std::shared_ptr<const TranslatedStage>> m_stages; // by shader entry
    std::vector<UniformLayout> m_globals;
    std::vector<ParameterLayout> m_layouts;
    std::vector<uint8_t> m_constants;
    GLuint m_constantBuffer = 0;
    // A pixel stage reads the block: writing it changes the pixel stage's state.
    bool m_pixelReadsGlobals = false;
    bool m_inBegin = false;
    int m_pass = -1;
    // The stages the current pass draws with (a variant's or its own), so a commit that changes no
    // bool or int sets nothing.
    IDirect3DVertexShader9* m_passVertexShader = nullptr;
    IDirect3DPixelShader9* m_passPixelShader = nullptr;
    std::vector<uint32_t> m_variantValues;
    std::vector<SavedState> m_saved;
    // What Begin saves for m_savePlanTechnique and m_savePlanFlags (the values left out).
    std::vector<SavedState> m_savePlan;
    std::vector<DWORD> m_savePlanTextures;
    bool m_savePlanShaders = false;
    bool m_savePlanMade = false;
    const Technique* m_savePlanTechnique = nullptr;
    DWORD m_savePlanFlags = 0;
    std::vector<std::pair<DWORD, IDirect3DBaseTexture9*>> m_savedTextures;
    IDirect3DVertexShader9* m_savedVertexShader = nullptr;
    IDirect3DPixelShader9* m_savedPixelShader = nullptr;
    bool m_savedShaders = false;
};

// Translation of one entry of an effect's shader text, shared by every effect in the process
// with the same text; messages in D3DX's form.
std::shared_ptr<const TranslatedStage> translateCached(const EffectDescription& description, size_t entry,
                                                       const PreprocessedSource& source, Messages& messages);

} // namespace D3DXEffects
