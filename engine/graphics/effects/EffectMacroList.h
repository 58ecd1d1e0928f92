#pragma once
// Preprocessor macros of an effect, kept as ANSI strings, with the D3DX array built from them.
#include <d3dx9.h>

#include <string>
#include <vector>

namespace Ulvo {

struct EffectMacro {
    std::string name;
    std::string definition;
};

class EffectMacroList {
public:
    EffectMacroList() = default;
    EffectMacroList(const EffectMacroList& other) : m_macros(other.m_macros) {}
    EffectMacroList& operator=(const EffectMacroList& other)
    {
        if (this != &other) {
            m_macros = other.m_macros;
            m_array.clear();
        }
        return *this;
    }

    // A fresh null-terminated array whose entries point into this list; valid until the next
    // call or until the list changes.
    D3DXMACRO* getD3DXMacros();
    // name, inner separator, definition for each macro, the outer separator between them.
    std::wstring getText(const wchar_t& outer, const wchar_t& inner) const;

    std::vector<EffectMacro>& getMacros() { return m_macros; }
    const std::vector<EffectMacro>& getMacros() const { return m_macros; }
    void clear()
    {
        m_macros.clear();
        m_array.clear();
    }

private:
    std::vector<EffectMacro> m_macros;
    std::vector<D3DXMACRO> m_array;
};

} // namespace Ulvo
