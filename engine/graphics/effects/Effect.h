#pragma once
// One GPU effect built from an EFFECT definition: source read through the search orders,
// macros and includes applied, compiled (or taken from the compiled-effect folder when that is
// allowed), created on the device, and indexed so drawing code finds parameters by name and
// techniques by index. Rebuilt in place by reload.
#include <d3dx9.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/xml/XMLNode.h"
#include "foundation/sigslot.h"
#include "graphics/effects/EffectMacroList.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Ulvo {

// Allows reading compiled-effect files (and is required for writing them); the entry function
// turns it off at start-up.
extern bool useCompiledEffects;
// Allows writing compiled-effect files.
extern bool writeCompiledEffects;
// Folder of the compiled-effect files, relative to the working folder.
extern std::wstring compiledEffectFolder;

// Whether effect text sets a blend factor that reads the render target's alpha (DESTALPHA,
// INVDESTALPHA, SRCALPHASAT), or sets a blend factor by number, which might be one of them.
bool blendsWithTargetAlpha(const char* text, size_t size);

struct EffectParameterInfo {
    std::wstring name;
    D3DXHANDLE handle = nullptr;
    D3DXPARAMETER_DESC description{};
};

struct EffectTechniqueInfo {
    std::wstring name;
    D3DXHANDLE handle = nullptr;
    D3DXTECHNIQUE_DESC description{};
};

// Follows the device from its first successful creation on.
class Effect : public NamedObject, public DeviceResource {
public:
    explicit Effect(const bool& shaderDebugging);
    ~Effect() override;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    bool createFromNode(XMLNode* node);
    bool reload();
    void releaseEffect();

    // The place of the effect pointer: a caller keeping it sees the new effect after reload.
    ID3DXEffect*& getEffect() { return m_effect; }
    D3DXHANDLE getHandle(const std::wstring& name) const;
    D3DXHANDLE getHandle(const wchar_t* name) const;
    D3DXHANDLE getTechnique(const unsigned int& index) const;
    bool renameHandle(const std::wstring& name, const std::wstring& userName);
    bool renameTechnique(const std::wstring& name, const std::wstring& userName);

    std::wstring getCompiledFileName(const std::wstring& sourceFileName);
    void deleteCompiledFile();

    void onLostDevice() override;
    void onResetDevice() override;

    static EffectMacroList readMacros(XMLNode* macrosNode);
    void addMacros(const EffectMacroList& list);

    bool isLoaded() const { return m_loaded; }
    // Whether the effect's text or one of its includes may blend with the target's alpha (also
    // true when it came from a compiled copy, whose includes were not read): a picture drawn
    // without alpha then differs from one drawn with it and copied.
    bool mayBlendWithTargetAlpha() const { return m_mayBlendWithTargetAlpha; }
    bool getShaderDebugging() const { return m_shaderDebugging; }
    void setShaderDebugging(bool on) { m_shaderDebugging = on; }
    bool getPreCompile() const { return m_preCompile; }
    const EffectMacroList& getMacros() const { return m_macros; }
    const std::wstring& getCompiledFileName() const { return m_compiledFileName; }
    const std::vector<std::unique_ptr<EffectParameterInfo>>& getParameters() const { return m_parameters; }
    const std::vector<std::unique_ptr<EffectTechniqueInfo>>& getTechniques() const { return m_techniques; }

    sigslot::signal1<Effect&> reloaded;
    sigslot::signal1<Effect&> creating;

private:
    // The compiled effect for this creation, from the cache or the compiler; null on failure
    // (with the failing call's result in `failure`).
    ID3DXBuffer* compile(const std::wstring& fileName, const unsigned char* bytes, uint32_t size, DWORD flags,
                         ID3DXInclude* include, bool mayUseCache, HRESULT& failure);
    void indexEffect(XMLNode* node);

    ID3DXEffect* m_effect = nullptr;
    bool m_preCompile = true;
    // Transparent comparison: lookups by a literal name build no string.
    std::map<std::wstring, EffectParameterInfo*, std::less<>> m_parameterIndex;
    std::vector<std::unique_ptr<EffectParameterInfo>> m_parameters;
    std::map<std::wstring, EffectTechniqueInfo*, std::less<>> m_techniqueIndex;
    std::vector<std::unique_ptr<EffectTechniqueInfo>> m_techniques;
    XMLNode m_definition;
    bool m_loaded = false;
    bool m_mayBlendWithTargetAlpha = false;
    bool m_readCompiledCopy = false;
    bool m_shaderDebugging;
    EffectMacroList m_macros;
    std::wstring m_compiledFileName;
};

} // namespace Ulvo
