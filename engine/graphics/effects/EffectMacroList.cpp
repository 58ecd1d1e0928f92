#include "graphics/effects/EffectMacroList.h"

#include "foundation/text/StringConversion.h"

namespace Ulvo {

D3DXMACRO* EffectMacroList::getD3DXMacros()
{
    m_array.assign(m_macros.size() + 1, D3DXMACRO{nullptr, nullptr});
    for (size_t i = 0; i < m_macros.size(); ++i)
        m_array[i] = D3DXMACRO{m_macros[i].name.c_str(), m_macros[i].definition.c_str()};
    return m_array.data();
}

std::wstring EffectMacroList::getText(const wchar_t& outer, const wchar_t& inner) const
{
    std::wstring text;
    for (size_t i = 0; i < m_macros.size(); ++i) {
        if (i > 0)
            text += outer;
        text += toWString(m_macros[i].name);
        text += inner;
        text += toWString(m_macros[i].definition);
    }
    return text;
}

} // namespace Ulvo
