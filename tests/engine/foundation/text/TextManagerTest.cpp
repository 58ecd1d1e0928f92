#include "support/LogCapture.h"
#include "foundation/text/Language.h"
#include "foundation/text/Text.h"
#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using Ulvo::Language;
using Ulvo::Text;
using Ulvo::TextManager;
using Ulvo::XMLNode;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return node;
}

// Records the language-changed signal.
struct LanguageListener : public sigslot::has_slots<> {
    void onChanged(const std::wstring& name) { names.push_back(name); }
    std::vector<std::wstring> names;
};

std::wstring format(const std::wstring& text, double d1 = 1.0, double d2 = 2.0, double d3 = 3.0, int i = 42)
{
    return TextManager::formatString(text, d1, d2, d3, i);
}

} // namespace

TEST(TextManager, LoadsLanguagesAndSelectsTheDefault)
{
    LogCapture log;
    XMLNode root = parse(L"<TEXTE DEF_LANGUAGE=\"english\">"
                         L"<TEXT NAME=\"HELLO\" LANG=\"deutsch\">\"|Hallo|\" \"| |\" \"|Welt|\"</TEXT>"
                         L"<TEXT NAME=\"HELLO\" LANG=\"english\">\"|Hello|\"</TEXT>"
                         L"<TEXT NAME=\"ONLY_DE\" LANG=\"deutsch\">\"|nur|\"</TEXT>"
                         L"<TEXT NAME=\"HELLO\" LANG=\"deutsch\">\"|Doppelt|\"</TEXT>"
                         L"<OTHER NAME=\"IGNORED\"/>"
                         L"</TEXTE>");
    TextManager texts;
    LanguageListener listener;
    texts.connect(&listener, &LanguageListener::onChanged);
    ASSERT_TRUE(texts.load(&root));

    EXPECT_EQ(listener.names, std::vector<std::wstring>{L"english"});
    EXPECT_EQ(texts.getCurrentLanguageName(), L"english");
    EXPECT_EQ(texts.getTextString(L"HELLO"), L"Hello");
    // No fall-back to another language.
    EXPECT_EQ(texts.getText(L"ONLY_DE"), nullptr);
    EXPECT_EQ(texts.getTextString(L"ONLY_DE"), L"");

    Language* deutsch = texts.getLanguage(L"deutsch");
    ASSERT_NE(deutsch, nullptr);
    EXPECT_EQ(deutsch->getTextCount(), 2u);
    EXPECT_EQ(texts.getLanguage(L"francais"), nullptr);
    Text* hello = deutsch->getText(L"HELLO");
    ASSERT_NE(hello, nullptr);
    EXPECT_EQ(hello->getText(), L"Hallo Welt"); // the first text stays
    EXPECT_EQ(hello->getValues(), (std::vector<std::wstring>{L"Hallo", L" ", L"Welt"}));
    EXPECT_EQ(hello->getLanguage(), L"deutsch");
    EXPECT_EQ(hello->getRefCount(), 1);

    EXPECT_NE(log.text().find("Text \"HELLO\" ist bereits in der Liste -> wird nicht hinzugef\xC3\xBCgt\n"),
              std::string::npos)
        << log.text();
}

TEST(TextManager, FallsBackToTheFirstLanguage)
{
    Ulvo::logSwitch() = 0;
    TextManager texts;
    EXPECT_EQ(texts.getText(L"ANY")->getName(), L"Default_Error");
    EXPECT_EQ(texts.getText(L"OTHER"), texts.getText(L"ANY"));
    EXPECT_EQ(texts.getTextString(L"ANY"), L"");
    EXPECT_EQ(texts.getCurrentLanguage(), nullptr);

    // No DEF_LANGUAGE, and a text without LANG belongs to the empty language name.
    XMLNode root = parse(L"<TEXTE><TEXT NAME=\"A\">\"|a|\"</TEXT></TEXTE>");
    LanguageListener listener;
    texts.connect(&listener, &LanguageListener::onChanged);
    texts.load(&root);
    EXPECT_EQ(listener.names, std::vector<std::wstring>{L""});
    EXPECT_EQ(texts.getTextString(L"A"), L"a");
    EXPECT_EQ(texts.getText(L"B"), nullptr);

    // A DEF_LANGUAGE that names nothing loaded selects the first language.
    TextManager unknown;
    XMLNode named =
        parse(L"<TEXTE DEF_LANGUAGE=\"klingonisch\"><TEXT NAME=\"A\" LANG=\"deutsch\">\"|a|\"</TEXT></TEXTE>");
    unknown.load(&named);
    EXPECT_EQ(unknown.getCurrentLanguageName(), L"deutsch");
    EXPECT_FALSE(unknown.load(nullptr));
}

TEST(TextManager, FormatterFillsOnlySafeConversions)
{
    EXPECT_EQ(format(L"%5.2f|%e|%.1f", 3.14159, 1500.0, 2.25), L" 3.14|1.500000e+03|2.2");
    EXPECT_EQ(format(L"%d%%"), L"42%");
    EXPECT_EQ(format(L"%-5d|%+d|%05i|%x|%#o|%X", 1, 2, 3, 255), L"255  |%+d|%05i|%x|%#o|%X");
    EXPECT_EQ(format(L"%c", 0, 0, 0, L'\u00e4'), L"\u00e4");
    EXPECT_LE(format(L"%c", 0, 0, 0, -1).size(), 2u); // no valid character: nothing to read past
    EXPECT_EQ(format(L"%hd", 0, 0, 0, 70000), L"4464");
    EXPECT_EQ(format(L"%ld %Lf %llu", 1.5, 0, 0, 7), L"7 1.500000 %llu");

    // Conversions that would read or write memory, or need arguments we do not have.
    EXPECT_EQ(format(L"%s %ls %n %p"), L"%s %ls %n %p");
    EXPECT_EQ(format(L"%*d %.*f"), L"%*d %.*f");
    EXPECT_EQ(format(L"%q %5.2"), L"%q %5.2");
    EXPECT_EQ(format(L"100%"), L"100%");
    EXPECT_EQ(format(L"%99999d"), L"%99999d");

    // Three doubles in order, then literal; one integer, then literal.
    EXPECT_EQ(format(L"%.0f %.0f %.0f %.0f"), L"1 2 3 %.0f");
    EXPECT_EQ(format(L"%d %i"), L"42 %i");
    EXPECT_EQ(format(L"no conversions"), L"no conversions");
    EXPECT_EQ(format(L""), L"");

    Text text(L"T");
    text.setText(L"Jetzt %d");
    TextManager texts;
    EXPECT_EQ(texts.formatText(&text, 0, 0, 0, 5), L"Jetzt 5");
    EXPECT_EQ(texts.formatText(nullptr, 0, 0, 0, 5), L"");
}

TEST(TextManager, FormattedTextIsBoundedByTheBufferSize)
{
    EXPECT_EQ(TextManager::formatBufferSize(0), 128u);
    EXPECT_EQ(TextManager::formatBufferSize(63), 128u);
    EXPECT_EQ(TextManager::formatBufferSize(64), 256u);
    EXPECT_EQ(TextManager::formatBufferSize(70), 256u);
    EXPECT_EQ(TextManager::formatBufferSize(255), 512u);
    EXPECT_EQ(TextManager::formatBufferSize(511), 1024u);
    EXPECT_EQ(TextManager::formatBufferSize(512), 2048u);

    EXPECT_EQ(format(L"%300d").size(), 127u);
    // A text of 70 characters is formatted into 256: the field and five of the x fit.
    std::wstring seventy = L"%250.1f" + std::wstring(63, L'x');
    ASSERT_EQ(seventy.size(), 70u);
    std::wstring out = format(seventy, 0.5);
    EXPECT_EQ(out.size(), 255u);
    EXPECT_EQ(out.substr(247), L"0.5xxxxx");
    EXPECT_EQ(format(std::wstring(600, L'y')).size(), 600u);
}

TEST(TextManager, LoadsTheRuntimeTextFile)
{
    Ulvo::logSwitch() = 0;
    const std::filesystem::path run = TestSupport::runtimeDir();
    ASSERT_TRUE(std::filesystem::is_regular_file(run / "data" / "texte.lng")) << run;
    TestSupport::ScopedCwd cwd(run);

    XMLNode root;
    ASSERT_TRUE(XMLNode::load(&root, L"data\\texte.lng", 0));
    TextManager texts;
    ASSERT_TRUE(texts.load(&root));
    EXPECT_EQ(texts.getCurrentLanguageName(), L"deutsch");
    EXPECT_EQ(texts.getTextString(L"NEUES_PROFIL"), L"Neues Profil");
    EXPECT_EQ(texts.formatText(texts.getText(L"SOUND_VOLUME"), 0, 0, 0, 80), L"Lautst\u00e4rke Effekte: 80%");
    EXPECT_EQ(texts.formatText(texts.getText(L"VERSION"), 1, 2, 0, 0), L"Version 1.2");
    ASSERT_NE(texts.getLanguage(L"english"), nullptr);
    EXPECT_EQ(texts.getLanguage(L"english")->getTextCount(), texts.getLanguage(L"deutsch")->getTextCount());
}
