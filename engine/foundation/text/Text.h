#pragma once
// One user-visible text: the key is the name, the values of its node are
// kept one by one and joined into the text.
#include "foundation/objects/NamedObject.h"

#include <string>
#include <vector>

namespace Ulvo {

class XMLNode;

class Text : public NamedObject {
public:
    Text();
    explicit Text(const std::wstring& name);
    // Key from "NAME", language from "LANG", values joined.
    explicit Text(XMLNode* node);
    Text(const Text& other) = default;
    ~Text() override = default;

    bool load(XMLNode* node) override;

    const std::wstring& getText() const { return m_text; }
    const std::vector<std::wstring>& getValues() const { return m_values; }
    const std::wstring& getLanguage() const { return m_language; }

    void setText(const std::wstring& text);
    void setLanguage(const std::wstring& language) { m_language = language; }

private:
    std::wstring m_text;
    std::vector<std::wstring> m_values;
    std::wstring m_language;
};

} // namespace Ulvo
