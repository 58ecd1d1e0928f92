#include "foundation/text/Language.h"

#include "foundation/logging/Logger.h"

namespace Ulvo {

Language::Language() = default;

Language::Language(const std::wstring& name) : NamedObject(name) {}

Language::Language(const Language& other) : NamedObject(other), m_texts(other.m_texts)
{
    for (auto& entry : m_texts)
        entry.second->AddRef();
}

Language& Language::operator=(const Language& other)
{
    if (this == &other)
        return *this;
    NamedObject::operator=(other);
    // Take the new references before dropping the old ones: both tables may share texts.
    for (auto& entry : other.m_texts)
        entry.second->AddRef();
    releaseAll();
    m_texts = other.m_texts;
    return *this;
}

Language::~Language()
{
    releaseAll();
}

void Language::releaseAll()
{
    for (auto& entry : m_texts)
        entry.second->Release();
    m_texts.clear();
}

Text* Language::getText(const std::wstring& key) const
{
    auto found = m_texts.find(key);
    return found == m_texts.end() ? nullptr : found->second;
}

bool Language::addText(Text* text)
{
    if (!text)
        return false;
    const std::wstring& key = text->getName();
    if (m_texts.find(key) != m_texts.end()) {
        mainLogger().log(75, LOG_TYPE_WARNING, L"Text \"", key,
                         L"\" ist bereits in der Liste -> wird nicht hinzugef\u00fcgt\n");
        return false;
    }
    m_texts.emplace(key, text);
    text->AddRef();
    return true;
}

} // namespace Ulvo
