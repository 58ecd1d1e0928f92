#pragma once
// The texts of one language by key; every entry holds one reference.
#include "foundation/objects/NamedObject.h"
#include "foundation/text/Text.h"

#include <string>
#include <unordered_map>

namespace Ulvo {

class Language : public NamedObject {
public:
    Language();
    explicit Language(const std::wstring& name);
    Language(const Language& other);
    Language& operator=(const Language& other);
    ~Language() override;

    // The text for the key, or null.
    Text* getText(const std::wstring& key) const;
    // Enters the text and takes a reference; a key already present keeps its
    // first text (warning) and false is returned.
    bool addText(Text* text);

    std::size_t getTextCount() const { return m_texts.size(); }
    const std::unordered_map<std::wstring, Text*>& getTexts() const { return m_texts; }

private:
    void releaseAll();

    std::unordered_map<std::wstring, Text*> m_texts;
};

} // namespace Ulvo
