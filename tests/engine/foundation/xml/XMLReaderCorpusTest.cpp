// The reader builds its tree straight from the text in one pass; the
// token-list form (tokenize, then load from the tokens) is the plain reading
// of the format. Both must give the same tree and result for every text: the
// game's data files, and those files broken in the ways files break.
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/Utf16.h"
#include "foundation/xml/XMLNode.h"
#include "foundation/xml/XMLScanner.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using Ulvo::XMLAttribute;
using Ulvo::XMLNode;
using Ulvo::XMLProperty;

namespace fs = std::filesystem;

namespace {

// The result and the tree, as text that shows every difference.
std::wstring dump(bool read, const XMLNode& node)
{
    std::wstring out = read ? L"ok " : L"refused ";
    std::vector<std::pair<const XMLNode*, int>> pending{{&node, 0}};
    while (!pending.empty()) {
        const auto [item, depth] = pending.back();
        pending.pop_back();
        out += std::wstring(static_cast<std::size_t>(depth), L' ') + L"[" + item->getName() + L"]";
        for (const XMLAttribute* attribute : item->getAttributes())
            out += L" {" + attribute->getName() + L"}={" + attribute->getValue() + L"}";
        for (const XMLProperty* property : item->getProperties())
            out += L" |" + property->getValue() + L"|";
        out += L"\n";
        const auto children = item->getNodes();
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.emplace_back(*child, depth + 1);
    }
    return out;
}

std::wstring byTokens(const std::wstring& text)
{
    XMLNode node;
    std::size_t index = 0;
    const bool read = node.load(XMLNode::tokenize(text), index);
    return dump(read, node);
}

std::wstring fromBytes(const std::vector<uint8_t>& bytes, bool unicode)
{
    XMLNode node;
    const bool read = XMLNode::loadBytes(&node, bytes.data(), bytes.size(), unicode);
    return dump(read, node);
}

// UTF-16LE as the format stores it, one unit after the other: a pair is one
// character, a surrogate without its partner stays as it is.
std::wstring decoded(const std::vector<uint8_t>& bytes)
{
    std::wstring text;
    const std::size_t count = bytes.size() / 2;
    auto unit = [&bytes](std::size_t i) { return static_cast<uint32_t>(bytes[2 * i] | bytes[2 * i + 1] << 8); };
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t high = unit(i);
        if (high >= 0xD800 && high < 0xDC00 && i + 1 < count && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
            text += static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else {
            text += static_cast<wchar_t>(high);
        }
    }
    return text;
}

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Every way in for a text of single bytes: as bytes, as wide text, as UTF-16
// bytes, and (when a folder is given) as files of both kinds, read through the
// file layer.
void expectSameEverywhere(const std::string& bytes, const TestSupport::TempDir* folder = nullptr)
{
    std::wstring text;
    for (const unsigned char c : bytes)
        text += static_cast<wchar_t>(c);
    const std::wstring want = byTokens(text);
    const std::vector<uint8_t> single(bytes.begin(), bytes.end());
    EXPECT_EQ(fromBytes(single, false), want) << bytes;

    XMLNode wide;
    const bool read = XMLNode::load(&wide, text, 1);
    EXPECT_EQ(dump(read, wide), want) << bytes;

    const std::vector<uint8_t> utf16 = TestSupport::utf16le(text, false);
    EXPECT_EQ(fromBytes(utf16, true), want) << bytes;

    if (!folder)
        return;
    TestSupport::writeBytes(*folder / "single.xml", single);
    TestSupport::writeBytes(*folder / "utf16.xml", TestSupport::utf16le(text, true));
    for (const wchar_t* name : {L"single.xml", L"utf16.xml"}) {
        XMLNode file;
        const bool fileRead = XMLNode::load(&file, name, 0);
        EXPECT_EQ(dump(fileRead, file), want) << narrow(name) << ": " << bytes;
    }
}

// Runs a check once for every width of compares the reader has, narrowest
// last, so each path is read on a processor that has the widest.
template <class Check> void withEveryCompareWidth(Check check)
{
#if defined(ULVO_XML_WIDE_COMPARES)
    for (int widest = 2; widest >= 0; --widest) {
        Ulvo::g_xmlWidestCompares = widest;
        SCOPED_TRACE("widest compares " + std::to_string(widest));
        check();
    }
    Ulvo::g_xmlWidestCompares = 2;
#else
    check();
#endif
}

// A small deterministic generator, so a failure names the same text every run.
struct Lcg {
    uint32_t state;
    uint32_t next(uint32_t bound) { return ((state = state * 1664525u + 1013904223u) >> 8) % bound; }
};

class XMLReaderCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_logging = Ulvo::logSwitch();
        Ulvo::logSwitch() = 0;
        Ulvo::GOBManager::getInstance()->clear();
    }
    void TearDown() override { Ulvo::logSwitch() = m_logging; }

    TestSupport::TempDir m_folder;
    TestSupport::ScopedCwd m_cwd{m_folder.path()};
    int m_logging = 0;
};

} // namespace

TEST_F(XMLReaderCorpus, TheGamesDataFilesWholeAndBroken)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(TestSupport::sourceDir() / "data")) {
        // Effect sources are no documents; everything else with a tag is read by the reader.
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || extension.rfind(".fx", 0) == 0 || entry.file_size() > 64 * 1024)
            continue;
        const std::string text = TestSupport::readText(entry.path());
        if (text.find('<') != std::string::npos)
            files.push_back(text);
    }
    ASSERT_GT(files.size(), 50u);

    Lcg random{29};
    for (const std::string& text : files) {
        withEveryCompareWidth([&] { expectSameEverywhere(text, &m_folder); });
        // Cut off anywhere: inside a tag, a value, a comment, a name.
        for (int cut = 0; cut < 3; ++cut)
            expectSameEverywhere(text.substr(0, random.next(static_cast<uint32_t>(text.size()) + 1)));
        // The characters that matter to the reader, put where they do not belong.
        std::string broken = text;
        for (int change = 0; change < 8; ++change) {
            static const char kMarks[] = "<>\"|=/ !-\t";
            broken[random.next(static_cast<uint32_t>(broken.size()))] = kMarks[random.next(sizeof kMarks - 1)];
        }
        expectSameEverywhere(broken);
        // A comment opened and never closed, and one that joins a new opening.
        const std::size_t at = random.next(static_cast<uint32_t>(text.size()));
        expectSameEverywhere(text.substr(0, at) + "<!--" + text.substr(at));
        expectSameEverywhere(text.substr(0, at) + "<!<!-- x -->--" + text.substr(at) + "-->");
    }
}

TEST_F(XMLReaderCorpus, HostileTexts)
{
    static const char kNul[] = "<A\0B X=\"\0\">\"|\0|\"</A\0B>";
    const std::vector<std::string> texts = {
        // Entities are no part of the format: they stay as they stand.
        "<A N=\"&amp;&lt;\">\"|&#x3C;&gt;|\"</A>",
        "<A>&</A>&lt;B&gt;",
        // Mismatched, crossed and stray closing tags.
        "<A><B><C></B></A></C>\"|p|\"</A>",
        "</A><A></A>",
        "<A></a></A >\"|x|\"</A>",
        // Byte-order marks of other kinds read as characters.
        "\xEF\xBB\xBF<A X=\"1\"></A>",
        "\xFE\xFF<A></A>",
        // Bytes past 127, control characters, a NUL inside a name and a value.
        std::string("<\xE4\xF6 \xFC=\"\xDF\">\"|\x01\x7F\xFF|\"</\xE4\xF6>"),
        std::string(kNul, sizeof kNul - 1),
        // Quotes and bars in every place.
        "<A X=\"a|b\" Y=\"|\">\"||\"\"|\"|\"\"|||\"</A>",
        "<A>\"x\"|y|\"\"\"|z|\"</A>",
        // Long names and values across the blocks the reader looks at.
        "<" + std::string(200, 'N') + " V=\"" + std::string(300, 'v') + "\">\"|" + std::string(130, 'p') + "|\"</" +
            std::string(200, 'N') + ">",
    };
    withEveryCompareWidth([&] {
        for (const std::string& text : texts)
            expectSameEverywhere(text);
    });
}

TEST_F(XMLReaderCorpus, TagsAndRunsLongerThanTheReadersWindow)
{
    // The reader keeps the last 16K characters classified; these go back
    // further than that, or jump past it.
    std::string manyAttributes = "<A";
    for (int i = 0; i < 300; ++i)
        manyAttributes += " K" + std::to_string(i) + "=\"" + std::string(90, 'a' + i % 26) + "\"";
    const std::string longName(20000, 'n');
    const std::vector<std::string> texts = {
        manyAttributes + ">\"|p|\"<B/></A>",
        "<A X=\"1\"" + longName + " Y=\"2\"><B " + longName + "=\"3\"/></A>",
        "<" + longName + " a=\"b\">\"|x|\"</" + longName + ">",
        "<A>\"|" + std::string(20000, '|') + "x|\"\"|y|\"</A>",
        "<A>" + std::string(40000, ' ') + "<B X=\"" + longName + "\"/>\"|" + longName + "|\"</A>",
    };
    withEveryCompareWidth([&] {
        for (const std::string& text : texts)
            expectSameEverywhere(text);
    });
}

TEST_F(XMLReaderCorpus, UnicodeFilesOfOddLengthAndWideCharacters)
{
    const std::wstring text = L"<\u00C4 W=\"\u4E2D\U0001F600\">\"|\u00FC\u20AC|\"<B/></\u00C4>";
    std::vector<uint8_t> bytes = TestSupport::utf16le(text, false);
    // An odd last byte is no code unit; cut anywhere, the reading is the token form's.
    bytes.push_back('<');
    for (std::size_t size = 0; size <= bytes.size(); ++size) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(fromBytes(part, true), byTokens(decoded(part))) << size;
    }
    // Unpaired surrogates and characters that narrow onto the marks the reader looks for.
    const std::wstring odd = std::wstring(L"<A X=\"") + wchar_t(0xD800) + L"\">\"|" + wchar_t(0x13C) + wchar_t(0x3E00) +
                             wchar_t(0x10022) + L"|\"<" + wchar_t(0x22C) + L"/></A>";
    XMLNode node;
    const bool read = XMLNode::load(&node, odd, 1);
    EXPECT_EQ(dump(read, node), byTokens(odd));
}

TEST(Utf16Decoding, PairsAndLoneSurrogatesAtEveryPlaceOfABlock)
{
    // Runs without surrogates are widened eight units at a time: a pair or a
    // lone half at each place of such a run, and across its edge, decodes as
    // one unit after the other would.
    for (std::size_t at = 0; at < 20; ++at) {
        for (const std::vector<uint16_t>& inserted : std::vector<std::vector<uint16_t>>{
                 {0xD83D, 0xDE00}, {0xD800}, {0xDC00}, {0xDBFF, 0x0041}, {0xFFFF, 0x8000}}) {
            std::vector<uint16_t> units(24, 0x0041);
            units.insert(units.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(), inserted.end());
            std::vector<uint8_t> bytes;
            for (const uint16_t unit : units) {
                bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
                bytes.push_back(static_cast<uint8_t>(unit >> 8));
            }
            std::wstring text = L"kept";
            Ulvo::decodeUtf16LE(bytes.data(), units.size(), text);
            EXPECT_EQ(text, L"kept" + decoded(bytes)) << at;
        }
    }
}

TEST(XMLReaderLog, NodesAreLoggedAsTheTokenListFormLogsThem)
{
    // The lines of nodes found and not closed, indented by depth, are the
    // log's account of a broken file: the direct reading writes the same ones.
    LogCapture capture;
    const std::vector<std::wstring> texts = {
        L"<A X=\"1\"><B/><C>\"|p|\"</C><D Y=\"2\"/>",
        L"<A><B></B x=\"1\"><C/></A>\"|after|\"",
        L"<A=\"v\"><B x=\"1\"></ /A=\"v\">\"|after|\"</A=\"v\">",
        L"<A><A/></A>\"|p|\"</A>",
        L"<R/>",
        L"<A><B",
    };
    auto nodeLines = [](const std::string& log) {
        std::istringstream lines(log);
        std::string line;
        std::string kept;
        while (std::getline(lines, line)) {
            if (line.find("Node: ") != std::string::npos)
                kept += line + "\n";
        }
        return kept;
    };
    for (const std::wstring& text : texts) {
        const std::size_t start = capture.text("MyXML.log").size();
        XMLNode direct;
        XMLNode::load(&direct, text, 1);
        const std::size_t middle = capture.text("MyXML.log").size();
        XMLNode listed;
        std::size_t index = 0;
        listed.load(XMLNode::tokenize(text), index);
        const std::string log = capture.text("MyXML.log");
        const std::string directLines = nodeLines(log.substr(start, middle - start));
        EXPECT_FALSE(directLines.empty()) << narrow(text);
        EXPECT_EQ(directLines, nodeLines(log.substr(middle))) << narrow(text);
    }
}
