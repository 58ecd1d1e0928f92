#include "foundation/text/Text.h"

#include "foundation/xml/XMLNode.h"

namespace Ulvo {

Text::Text() = default;

Text::Text(const std::wstring& name) : NamedObject(name) {}

Text::Text(XMLNode* node) : NamedObject(node)
{
    load(node);
}

bool Text::load(XMLNode* node)
{
    if (!node)
        return false;
    NamedObject::load(node);
    m_language = node->getAttributeValue(L"LANG");
    m_values.clear();
    m_text.clear();
    for (const XMLProperty* property : node->getProperties()) {
        m_values.push_back(property->getValue());
        m_text += property->getValue();
    }
    return true;
}

void Text::setText(const std::wstring& text)
{
    m_text = text;
    m_values.assign(1, text);
}

} // namespace Ulvo
