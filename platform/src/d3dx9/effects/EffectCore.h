#pragma once
// The parts of an effect that need no device: the parsed description, handle resolution,
// parameter values with D3DX's conversions, descriptions and annotations. Effects and effect
// compilers both answer the ID3DXBaseEffect calls through it.
#include "d3dx9/effects/EffectModel.h"
#include "d3dx9/effects/EffectPreprocessor.h"

#include <array>
#include <string>
#include <unordered_map>

namespace D3DXEffects {

class EffectCore {
public:
    enum class Kind { Parameter, Technique, Pass };

    // Takes over the parsed description; registers every object as a handle.
    void init(EffectDescription description, PreprocessedSource source);

    EffectDescription& description() { return m_description; }
    const EffectDescription& description() const { return m_description; }
    const PreprocessedSource& source() const { return m_source; }

    Parameter* parameter(D3DXHANDLE handle);
    Technique* technique(D3DXHANDLE handle);
    Pass* pass(D3DXHANDLE handle);
    D3DXHANDLE handleOf(const void* object) const { return static_cast<D3DXHANDLE>(object); }

    HRESULT getDesc(D3DXEFFECT_DESC* desc);
    HRESULT getParameterDesc(D3DXHANDLE h, D3DXPARAMETER_DESC* desc);
    HRESULT getTechniqueDesc(D3DXHANDLE h, D3DXTECHNIQUE_DESC* desc);
    HRESULT getPassDesc(D3DXHANDLE h, D3DXPASS_DESC* desc);
    D3DXHANDLE getParameter(D3DXHANDLE parent, UINT index);
    D3DXHANDLE getParameterByName(D3DXHANDLE parent, LPCSTR name);
    D3DXHANDLE getParameterBySemantic(D3DXHANDLE parent, LPCSTR semantic);
    D3DXHANDLE getParameterElement(D3DXHANDLE parent, UINT index);
    D3DXHANDLE getTechnique(UINT index);
    D3DXHANDLE getTechniqueByName(LPCSTR name);
    D3DXHANDLE getPass(D3DXHANDLE technique, UINT index);
    D3DXHANDLE getPassByName(D3DXHANDLE technique, LPCSTR name);
    D3DXHANDLE getAnnotation(D3DXHANDLE object, UINT index);
    D3DXHANDLE getAnnotationByName(D3DXHANDLE object, LPCSTR name);

    enum class Source { Float, Int, Bool };
    // Numbers in a parameter's words, converted from the source kind; count in values.
    HRESULT setNumbers(D3DXHANDLE h, const void* values, UINT count, Source source);
    HRESULT getNumbers(D3DXHANDLE h, void* values, UINT count, Source source);
    HRESULT setValue(D3DXHANDLE h, const void* data, UINT bytes);
    HRESULT getValue(D3DXHANDLE h, void* data, UINT bytes);
    HRESULT setVectors(D3DXHANDLE h, const D3DXVECTOR4* v, UINT count);
    HRESULT getVectors(D3DXHANDLE h, D3DXVECTOR4* v, UINT count);
    HRESULT setMatrices(D3DXHANDLE h, const D3DXMATRIX* m, UINT count, bool transpose);
    HRESULT getMatrices(D3DXHANDLE h, D3DXMATRIX* m, UINT count, bool transpose);
    HRESULT setString(D3DXHANDLE h, LPCSTR text);
    HRESULT getString(D3DXHANDLE h, LPCSTR* text);
    HRESULT setTexture(D3DXHANDLE h, IDirect3DBaseTexture9* texture);
    HRESULT getTexture(D3DXHANDLE h, IDirect3DBaseTexture9** texture);

    // A parameter's first value as a float (bool and int converted).
    static float firstFloat(const Parameter& p);
    static DWORD firstDword(const Parameter& p);
    static IDirect3DBaseTexture9* firstTexture(const Parameter& p);

private:
    void registerParameter(Parameter& p);
    Parameter* findByName(std::vector<std::unique_ptr<Parameter>>& list, const std::string& path);

    EffectDescription m_description;
    PreprocessedSource m_source;
    std::unordered_map<const void*, Kind> m_handles;
    // Parameters found by name: callers that set them by name every draw pass the same text at
    // the same address, so the address finds the entry and the text confirms it (a buffer
    // reused for another name misses). Names the effect lacks are remembered too.
    struct NameHit {
        const char* address = nullptr;
        Parameter* parameter = nullptr;
        char name[32] = {};
    };
    std::array<NameHit, 32> m_nameHits{};
};

} // namespace D3DXEffects
