#pragma once
// Texts per language, looked up by key in the current language. The manager
// is itself the language-changed signal (argument: the language name).
#include "foundation/text/Language.h"
#include "foundation/text/Text.h"
#include "foundation/sigslot.h"

#include <string>
#include <unordered_map>

namespace Ulvo {

class XMLNode;

class TextManager : public sigslot::signal1<const std::wstring&> {
public:
    TextManager();
    ~TextManager();
    TextManager(const TextManager&) = delete;
    TextManager& operator=(const TextManager&) = delete;

    // Adds the "TEXT" children of root and selects "DEF_LANGUAGE" (or, when
    // none is current yet, the first language).
    bool load(XMLNode* root);

    Language* getLanguage(const std::wstring& name);
    Language* getCurrentLanguage() const { return m_current; }
    const std::wstring& getCurrentLanguageName() const { return m_currentName; }

    // With no current language the fallback "Default_Error"; otherwise the
    // current language's text, or null when it has no such key.
    Text* getText(const std::wstring& key);
    // A copy of the text's text; empty when there is none.
    std::wstring getTextString(const std::wstring& key);

    // Fills the conversions of the text's text: up to three floating ones
    // take d1, d2, d3 in order, one integer one takes i. Only conversions
    // that are safe with these arguments are honoured; anything else is
    // copied literally. The result is bounded by a buffer sized after the
    // text's length.
    std::wstring formatText(const Text* text, double d1 = 0.0, double d2 = 0.0, double d3 = 0.0, int i = 0);
    static std::wstring formatString(const std::wstring& format, double d1, double d2, double d3, int i);
    // Buffer size in characters for a format text of this length.
    static std::size_t formatBufferSize(std::size_t textLength);

private:
    std::unordered_map<std::wstring, Language> m_languages;
    Language* m_current = nullptr;
    Text m_fallback;
    std::wstring m_currentName;
    std::wstring m_reserved;
};

} // namespace Ulvo
