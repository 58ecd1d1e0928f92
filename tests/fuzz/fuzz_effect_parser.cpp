// Reads arbitrary bytes as an effect (source or compiled) without a device or the HLSL
// compiler: preprocessing, parsing, and every description, annotation and value the result
// offers. Text after the first "\n#--\n" is served as the include file "a.fxh".
#include <d3dx9.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

class MemoryInclude : public ID3DXInclude {
public:
    explicit MemoryInclude(std::string text) : m_text(std::move(text)) {}
    HRESULT Open(D3DXINCLUDE_TYPE, LPCSTR name, LPCVOID, LPCVOID* data, UINT* bytes) override
    {
        if (std::strcmp(name, "a.fxh") != 0)
            return E_FAIL;
        char* copy = new char[m_text.size() + 1];
        std::memcpy(copy, m_text.c_str(), m_text.size() + 1);
        *data = copy;
        *bytes = static_cast<UINT>(m_text.size());
        return S_OK;
    }
    HRESULT Close(LPCVOID data) override
    {
        delete[] static_cast<const char*>(data);
        return S_OK;
    }

private:
    std::string m_text;
};

void visitParameter(ID3DXEffectCompiler* effect, D3DXHANDLE p, int depth)
{
    D3DXPARAMETER_DESC desc{};
    if (!p || depth > 8 || FAILED(effect->GetParameterDesc(p, &desc)))
        return;
    unsigned char value[512];
    effect->GetValue(p, value, sizeof value);
    float f[16];
    effect->GetFloatArray(p, f, 16);
    D3DXMATRIX m;
    effect->GetMatrix(p, &m);
    LPCSTR s = nullptr;
    effect->GetString(p, &s);
    for (UINT i = 0; i < desc.Annotations; ++i)
        visitParameter(effect, effect->GetAnnotation(p, i), depth + 1);
    for (UINT i = 0; i < desc.StructMembers && i < 64; ++i)
        visitParameter(effect, effect->GetParameter(p, i), depth + 1);
    for (UINT i = 0; i < desc.Elements && i < 64; ++i)
        visitParameter(effect, effect->GetParameterElement(p, i), depth + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string included;
    size_t split = text.find("\n#--\n");
    if (split != std::string::npos) {
        included = text.substr(split + 5);
        text.resize(split + 1);
    }
    MemoryInclude include(included);
    const D3DXMACRO macros[] = {{"FUZZ", "1"}, {"F(x)", "x"}, {nullptr, nullptr}};
    ID3DXEffectCompiler* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr =
        D3DXCreateEffectCompiler(text.data(), static_cast<UINT>(text.size()), macros, &include, 0, &effect, &errors);
    if (errors) {
        const char* message = static_cast<const char*>(errors->GetBufferPointer());
        if (errors->GetBufferSize() == 0 || message[errors->GetBufferSize() - 1] != '\0')
            __builtin_trap(); // messages are always NUL-terminated text
        errors->Release();
    }
    if (FAILED(hr))
        return 0;
    D3DXEFFECT_DESC desc{};
    effect->GetDesc(&desc);
    for (UINT i = 0; i < desc.Parameters; ++i)
        visitParameter(effect, effect->GetParameter(nullptr, i), 0);
    for (UINT t = 0; t < desc.Techniques; ++t) {
        D3DXHANDLE technique = effect->GetTechnique(t);
        D3DXTECHNIQUE_DESC td{};
        effect->GetTechniqueDesc(technique, &td);
        for (UINT a = 0; a < td.Annotations; ++a)
            visitParameter(effect, effect->GetAnnotation(technique, a), 0);
        for (UINT p = 0; p < td.Passes; ++p) {
            D3DXPASS_DESC pd{};
            effect->GetPassDesc(effect->GetPass(technique, p), &pd);
        }
    }
    effect->Release();
    return 0;
}
