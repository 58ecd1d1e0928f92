#include "support/LogCapture.h"
#include "foundation/files/GOBManager.h"
#include "foundation/xml/XMLNode.h"
#include "foundation/logging/Logger.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using Ulvo::XMLAttribute;
using Ulvo::XMLNode;
using Ulvo::XMLProperty;
using Ulvo::XMLToken;

namespace fs = std::filesystem;

namespace {

const std::wstring kExample = L"<LIST VERSION=\"2\">\n"
                              L"\"|10|\" \"|0.5|\"\n"
                              L"\t<ENTRY NAME=\"a\"/>\n"
                              L"\t<GROUP>\n"
                              L"\t\"|x|\"\n"
                              L"\t\t<ITEM ID=\"3\"/>\n"
                              L"\t</GROUP>\n"
                              L"</LIST>";

XMLNode buildExample()
{
    XMLNode root(L"LIST");
    root.addAttribute(new XMLAttribute(L"VERSION", 2));
    root.addProperty(new XMLProperty(10));
    root.addProperty(new XMLProperty(0.5));
    auto* entry = new XMLNode(L"ENTRY");
    entry->addAttribute(new XMLAttribute(L"NAME", L"a"));
    root.addNode(entry);
    auto* group = new XMLNode(L"GROUP");
    group->addProperty(new XMLProperty(L"x"));
    auto* item = new XMLNode(L"ITEM");
    item->addAttribute(new XMLAttribute(L"ID", 3u));
    group->addNode(item);
    root.addNode(group);
    return root;
}

std::string tokenDump(const std::wstring& text)
{
    std::wstring out;
    for (const XMLToken& token : XMLNode::tokenize(text))
        out += token.text + L"(" + std::to_wstring(token.kind) + L") ";
    return std::string(out.begin(), out.end());
}

XMLNode parse(const std::wstring& text, bool* result = nullptr)
{
    XMLNode node;
    bool ok = XMLNode::load(&node, text, 1);
    if (result)
        *result = ok;
    return node;
}

std::string bytesOf(const std::wstring& text)
{
    auto bytes = TestSupport::utf16le(text, true);
    return std::string(bytes.begin(), bytes.end());
}

TEST(XMLReader, WorkedExampleBothWays)
{
    XMLNode built = buildExample();
    EXPECT_EQ(built.toText(), kExample);
    std::string utf16;
    built.write(utf16, 0);
    EXPECT_EQ("\xFF\xFE" + utf16, bytesOf(kExample));

    EXPECT_EQ(tokenDump(kExample), "LIST(0) VERSION=\"2\"(2) 10(1) 0.5(1) ENTRY(5) NAME=\"a\"(2) GROUP(0) x(1) "
                                   "ITEM(5) ID=\"3\"(2) /GROUP(0) /LIST(0) ");
    bool ok = false;
    XMLNode read = parse(kExample, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(read.toText(), kExample);
    EXPECT_EQ(read.getNode(L"GROUP")->getNode(L"ITEM")->getAttribute(L"ID")->getInt(), 3);
    EXPECT_DOUBLE_EQ(read.getProperty(1)->getDouble(), 0.5);

    // The wide-stream form lays out the same text.
    std::wostringstream wide;
    built.write(wide, 0);
    EXPECT_EQ(wide.str(), kExample);
}

TEST(XMLReader, TagAndAttributeSplitting)
{
    // The name ends only at a space; an attribute after a line break keeps it.
    EXPECT_EQ(tokenDump(L"<A\tB=\"1\">"), "A\tB=\"1\"(0) ");
    XMLNode node = parse(L"<A X=\"1\"\nY=\"2\" Z = \"3\"></A>");
    ASSERT_EQ(node.getAttributes().size(), 3u);
    EXPECT_EQ(node.getAttribute(L"Y"), nullptr);
    EXPECT_EQ(node.getAttributes()[1]->getName(), L"\nY");
    // Spaces around '=' leave the name trimmed but the value starts with the space.
    EXPECT_EQ(node.getAttribute(L"Z")->getValue(), L" \"3");

    // Empty tags, with and without attributes; the parent reads the token that ends them.
    EXPECT_EQ(tokenDump(L"<N/><N /><N A=\"1\" B=\"2\"/>"), "N(5) N(5) N(5) A=\"1\"(2) B=\"2\"(2) ");
    XMLNode parent = parse(L"<P><N A=\"1\" B=\"2\"/>\"|v|\"<M/></P>");
    EXPECT_EQ(parent.getNode(L"N")->getAttributes().size(), 2u);
    EXPECT_EQ(parent.getPropertyCount(), 1u);
    EXPECT_EQ(parent.getNodeCount(), 2u);

    // An attribute without its closing quote ends the scan silently.
    EXPECT_EQ(tokenDump(L"<A X=\"1\" Y=\"2>"), "A(0) X=\"1\"(2) ");
}

TEST(XMLReader, ValuesBarsAndComments)
{
    XMLNode node = parse(L"<A>\"|a||b|\" \"|a|b|\" \"|line\n\"<x|\" \"|in<!-- gone -->side|\"</A>");
    ASSERT_EQ(node.getPropertyCount(), 4u);
    EXPECT_EQ(node.getProperty(0)->getValue(), L"a|b");
    EXPECT_EQ(node.getProperty(1)->getValue(), L"ab");
    EXPECT_EQ(node.getProperty(2)->getValue(), L"line\n\"<x");
    EXPECT_EQ(node.getProperty(3)->getValue(), L"inside");

    // "<!-->" is a whole comment; cutting one may join a new "<!--".
    EXPECT_EQ(XMLNode::removeComments(L"a<!-->b"), L"ab");
    EXPECT_EQ(XMLNode::removeComments(L"a<!<!-- x -->-- y -->b"), L"ab");
    EXPECT_EQ(XMLNode::removeComments(L"a<!--x-->b<!--open"), L"ab");
    EXPECT_EQ(XMLNode::removeComments(L"<!---->x<!---->"), L"x");
}

TEST(XMLReader, TokenListFormBuildsTheSameTree)
{
    // The list form copies the values out of the tokens, which belong to the caller.
    const std::wstring text = L"<R NAME=\"a longer name\">\n\t<C>\"|a longer value|\"</C>\n</R>";
    XMLNode built;
    {
        const std::vector<XMLToken> tokens = XMLNode::tokenize(text);
        std::size_t index = 0;
        ASSERT_TRUE(built.load(tokens, index));
        EXPECT_EQ(index, tokens.size() - 1);
    }
    EXPECT_EQ(built.toText(), L"<R NAME=\"a longer name\">\n\t<C> \"|a longer value|\" </C>\n</R>");
    EXPECT_EQ(built.getNode(L"C")->getProperty(0)->getValue(), L"a longer value");
}

// The tree as text that tells every difference: names, values and nesting.
std::wstring treeDump(const XMLNode& node)
{
    std::wstring out = L"[" + node.getName();
    for (const XMLAttribute* attribute : node.getAttributes())
        out += L" {" + attribute->getName() + L"}={" + attribute->getValue() + L"}";
    for (const XMLProperty* property : node.getProperties())
        out += L" |" + property->getValue() + L"|";
    for (const XMLNode* child : node.getNodes())
        out += L" " + treeDump(*child);
    return out + L"]";
}

TEST(XMLReader, SingleBytesReadAsTheTokenListForm)
{
    // The reader finds characters in blocks of 64 and recognises the closing
    // tag of the open node in place. Each text must give the tree of the
    // token-list form, near the end of the text (the last block is partial)
    // and followed by blanks (it is whole).
    const std::wstring longValue(70, L'v');
    const std::vector<std::wstring> texts = {
        L"<SCENE V=\"3\"><OBJECT NAME=\"o\" SCALE=\"0.5\"><POSITION> \"|1|\" \"|2|\" </POSITION>"
        L"<MATERIAL T=\"a\\b\">\"|1 2|\"<COLOUR ARGB=\"ff\"/></MATERIAL></OBJECT></SCENE>",
        // Names of one to ten characters, across the eight compared at once.
        L"<A><BC><DEFGHIJ><KLMNOPQR><STUVWXYZa><bcdefghijk></bcdefghijk></STUVWXYZa></KLMNOPQR>"
        L"</DEFGHIJ></BC></A>",
        // A closing tag with more after its name, of a longer or shorter name, or of the parent.
        L"<A><B></B ></A>",
        L"<A><B></B x=\"1\">\"|p|\"</A>",
        L"<AB><A></AB></A></AB>",
        L"<A><AB></A></AB></A>",
        // Names ending in '/' or a tab, and an empty name: their closing tags read otherwise.
        L"<P><N/ K=\"1\">\"|v|\"</N/>\"|w|\"</P>",
        L"<P><N/\t>\"|v|\"</N/\t>\"|w|\"</P>",
        L"<T\t>\"|v|\"</T\t><U></U\t>",
        L"<>\"|v|\"</></>",
        L"<A><B/></B></A>",
        // The closing tag that ends an empty tag is read again by the parent, which it may not close.
        L"<B><A/></A>\"|p|\"</B>",
        L"<A><A/></A>\"|p|\"</A>",
        // Attributes: spaced, unquoted, unfinished, starting with '/' (which can close a node).
        L"<A  X=\"1\"  Y = \"2\" Z=3 W=\"4\"></A>",
        L"<A=\"v\"><B x=\"1\"></ /A=\"v\">\"|after|\"</A=\"v\">",
        L"<A=\"v\"></ /A=\"v\">\"|after|\"",
        L"<A X=\"1\" Y=\"2></A>",
        L"<A X=\"1>\"</A>",
        // A tag longer than a block, and one that ends exactly at its edge.
        L"<A LONG=\"" + longValue + L"\" NEXT=\"2\"></A>",
        L"<A X=\"" + std::wstring(53, L'x') + L"\"></A>",
        L"<A X=\"" + std::wstring(54, L'x') + L"\"></A>",
        // Unfinished tags at the end of the text.
        L"<A><B",
        L"<A></A",
        L"<A><B X=\"1\"",
    };
    for (const std::wstring& text : texts) {
        XMLNode reference;
        std::size_t index = 0;
        const bool read = reference.load(XMLNode::tokenize(text), index);
        const std::string bytes(text.begin(), text.end());
        for (const std::string& stored : {bytes, bytes + std::string(64, ' ')}) {
            XMLNode node;
            EXPECT_EQ(
                XMLNode::loadBytes(&node, reinterpret_cast<const unsigned char*>(stored.data()), stored.size(), false),
                read)
                << std::string(text.begin(), text.end());
            const std::wstring got = treeDump(node);
            const std::wstring want = treeDump(reference);
            EXPECT_EQ(std::string(got.begin(), got.end()), std::string(want.begin(), want.end()))
                << std::string(text.begin(), text.end());
        }
    }

    // What some of them give: an attribute reading "/A=..." closes the open
    // node of that name, and only that one.
    XMLNode node = parse(L"<A=\"v\"><B x=\"1\"></ /A=\"v\">\"|after|\"</A=\"v\">");
    EXPECT_EQ(treeDump(node), L"[A=\"v\" [B {x}={1} {/A}={v} |after|]]");
    node = parse(L"<A=\"v\"></ /A=\"v\">\"|after|\"");
    EXPECT_EQ(treeDump(node), L"[A=\"v\"]");
    // "</N/>" reads as the empty tag "/N", so N/ stays open.
    node = parse(L"<P><N/ K=\"1\">\"|v|\"</N/>\"|w|\"</P>");
    EXPECT_EQ(treeDump(node), L"[P [N/ {K}={1} |v| |w|]]");
}

TEST(XMLReader, TreeBuilderStructure)
{
    // A closing tag of another name is skipped; the node ends at its own.
    XMLNode node = parse(L"<A></B><C></C>\"|p|\"</A><D/>");
    EXPECT_EQ(node.getNodeCount(), 1u);
    EXPECT_EQ(node.getPropertyCount(), 1u);
    EXPECT_EQ(node.getNode(L"D"), nullptr); // only the first top-level element

    bool ok = false;
    parse(L"\"|p|\"<A></A>", &ok);
    EXPECT_FALSE(ok);
    parse(L"plain text", &ok);
    EXPECT_FALSE(ok);

    // Nesting is built without recursion, up to the depth the reader accepts.
    const int logging = Ulvo::logSwitch();
    Ulvo::logSwitch() = 0;
    std::wstring deep;
    for (std::size_t i = 0; i < XMLNode::MAX_DEPTH; ++i)
        deep += L"<N>";
    XMLNode built;
    EXPECT_TRUE(XMLNode::load(&built, deep, 1));
    EXPECT_EQ(built.getNode(L"N")->getNode(L"N")->getName(), L"N");
    Ulvo::logSwitch() = logging;
}

TEST(XMLReader, DeeperNestingIsRefusedWithOneLine)
{
    LogCapture capture;
    std::wstring deep = L"<R>\"|p|\"";
    for (int i = 0; i < 20000; ++i)
        deep += L"<N A=\"1\">";
    XMLNode node(L"KEEP");
    node.addAttribute(new XMLAttribute(L"OLD", 1));
    EXPECT_FALSE(XMLNode::load(&node, deep, 1));
    // The node is as it was; the log holds one line about the depth, not one per level.
    EXPECT_EQ(node.toText(), L"<KEEP OLD=\"1\"/>");
    const std::string log = capture.text("MyXML.log");
    EXPECT_NE(log.find("ERROR Ulvo::XMLNode::load nesting deeper than 256 levels: document refused\n"),
              std::string::npos)
        << log.substr(0, 2000);
    EXPECT_LT(log.size(), 4096u);
    EXPECT_EQ(Ulvo::moduleLogger(Ulvo::LogModule::XML).getIndent(), 0);

    // One level less is read.
    std::wstring fits;
    for (std::size_t i = 0; i < XMLNode::MAX_DEPTH; ++i)
        fits += L"<N>";
    XMLNode read;
    EXPECT_TRUE(XMLNode::load(&read, fits, 1));
    EXPECT_FALSE(XMLNode::load(&read, fits + L"<N>", 1));
}

TEST(XMLWriter, IndentationStopsAtTheDeepestReadableLevel)
{
    // A tree built in code may be deeper than the reader accepts; its text
    // grows with the number of nodes, not with the square of the depth.
    XMLNode root(L"R");
    XMLNode* node = &root;
    const int depth = 5000;
    for (int i = 0; i < depth; ++i) {
        auto* child = new XMLNode(L"N");
        node->addNode(child);
        node = child;
    }
    node->addAttribute(new XMLAttribute(L"A", 1));
    const std::wstring text = root.toText();
    EXPECT_LT(text.size(), static_cast<std::size_t>(depth) * 2 * (XMLNode::MAX_DEPTH + 8));
    EXPECT_NE(text.find(L"\n" + std::wstring(XMLNode::MAX_DEPTH, L'\t') + L"<N>"), std::wstring::npos);
    EXPECT_EQ(text.find(std::wstring(XMLNode::MAX_DEPTH + 1, L'\t')), std::wstring::npos);
}

TEST(XMLReader, LogsAsTheyGo)
{
    LogCapture capture;
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, L"<R A=\"1\"/><!--c-->", 1));
    EXPECT_EQ(node.getAttribute(L"A")->getInt(), 1);
    const std::string log = capture.text("MyXML.log");
    EXPECT_NE(log.find("Ulvo::XMLNode::load Try parsing XML String: \n"), std::string::npos) << log;
    EXPECT_NE(log.find("Ulvo::XMLNode::loadComment removed: <!--c-->\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Ulvo::XMLNode::load Tokens found: 2\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\tERROR Ulvo::XMLNode::loadNode: R not closed\n"), std::string::npos) << log;

    XMLNode empty;
    EXPECT_FALSE(XMLNode::load(&empty, L"nothing", 1));
    EXPECT_FALSE(XMLNode::load(&empty, L"<R/>", 7));
    EXPECT_FALSE(XMLNode::load(&empty, L"NOT_OPEN", 2));
    const std::string after = capture.text("MyXML.log");
    EXPECT_NE(after.find("ERROR Ulvo::XMLNode::load Tokens found: 0\n"), std::string::npos);
    EXPECT_NE(after.find("ERROR Ulvo::XMLNode::load UlvoFile mit Namen: NOT_OPEN nicht gefunden!\n"),
              std::string::npos);

    XMLNode items;
    XMLNode::load(&items, L"<A B=\"1\"><C/>\"|p|\"</A>", 1);
    EXPECT_NE(capture.text("MyXML.log").find("Ulvo::XMLNode::loadNode: A Items found N,P,A: 1 1 1\n"),
              std::string::npos);
}

TEST(XMLReader, FileModeReadsWithAndWithoutByteOrderMark)
{
    LogCapture capture;
    Ulvo::GOBManager::getInstance()->clear();
    TestSupport::writeBytes(capture.folder() / "bom.xml", TestSupport::utf16le(kExample, true));
    TestSupport::writeText(capture.folder() / "plain.xml", std::string(kExample.begin(), kExample.end()));

    XMLNode withBom;
    XMLNode withoutBom;
    EXPECT_TRUE(XMLNode::load(&withBom, L"bom.xml", 0));
    EXPECT_TRUE(XMLNode::load(&withoutBom, L"plain.xml", 0));
    EXPECT_EQ(withBom.toText(), kExample);
    EXPECT_EQ(withoutBom.toText(), kExample);

    XMLNode missing;
    EXPECT_FALSE(XMLNode::load(&missing, L"missing.xml", 0));
    const std::string log = capture.text("MyXML.log");
    EXPECT_NE(log.find("Ulvo::XMLNode::load bom.xml geladen!\n"), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR Ulvo::XMLNode::load missing.xml nicht gefunden!\n"), std::string::npos) << log;
}

TEST(XMLWriter, LayoutOfSmallNodes)
{
    EXPECT_EQ(XMLNode(L"E").toText(), L"<E> </E>");
    XMLNode props(L"P");
    props.addProperty(new XMLProperty(L"a"));
    props.addProperty(new XMLProperty(L"b"));
    EXPECT_EQ(props.toText(), L"<P> \"|a|\" \"|b|\" </P>");
    XMLNode nested(L"N");
    nested.addNode(new XMLNode(L"E"));
    EXPECT_EQ(nested.toText(), L"<N>\n\t<E> </E>\n</N>");
}

TEST(XMLWriter, ValuesAreWrittenSoThatTheyReadBack)
{
    // Bars and opening comments in a property are written in a form the reader turns back.
    for (const wchar_t* value : {L"", L"a\"b", L"a>b<", L"|", L"a||", L"x|||", L"a|b", L"a||b", L"|a", L"||", L"a|\n",
                                 L"<!-", L"x<!--y", L"<!--|<!---->", L"-->", L"|<!--|"}) {
        EXPECT_TRUE(XMLNode::isWritablePropertyValue(value)) << value;
        XMLNode node(L"N");
        node.addProperty(new XMLProperty(value));
        EXPECT_TRUE(node.isWritable()) << value;
        EXPECT_EQ(parse(node.toText()).getProperty(0)->getValue(), value) << value;
    }
    for (const wchar_t* value : {L"", L"a|b", L"|a|", L"<", L"a/", L"--", L"<!-"}) {
        XMLNode node(L"N");
        node.addAttribute(new XMLAttribute(L"A", value));
        ASSERT_TRUE(node.isWritable()) << value;
        EXPECT_EQ(parse(node.toText()).getAttribute(L"A")->getValue(), value) << value;
    }

    // What cannot be written is changed alone; the rest reads back as it is.
    XMLNode root(L"R");
    root.addAttribute(new XMLAttribute(L"Q", L"say \"hi\" >now<!--"));
    root.addAttribute(new XMLAttribute(L"A=B", L"dropped"));
    root.addAttribute(new XMLAttribute(L"KEEP", L"1"));
    root.addProperty(new XMLProperty(L"a|\"b"));
    root.addProperty(new XMLProperty(L"/R"));
    root.addProperty(new XMLAttribute(L"P", L"as value"));
    for (const wchar_t* name : {L"", L"A B", L"/A", L"A/", L"!--x", L"A>"})
        root.addNode(new XMLNode(name));
    root.addNode(new XMLNode(L"GOOD"));
    EXPECT_FALSE(root.isWritable());
    XMLNode back = parse(root.toText());
    ASSERT_EQ(back.getAttributes().size(), 2u);
    EXPECT_EQ(back.getAttribute(L"Q")->getValue(), L"say hi now!--");
    EXPECT_EQ(back.getAttribute(L"KEEP")->getValue(), L"1");
    ASSERT_EQ(back.getPropertyCount(), 3u);
    EXPECT_EQ(back.getProperty(0)->getValue(), L"a|b");
    EXPECT_EQ(back.getProperty(1)->getValue(), L" /R");
    EXPECT_EQ(back.getProperty(2)->getValue(), L"as value");
    ASSERT_EQ(back.getNodeCount(), 1u);
    EXPECT_EQ(back.getNode(L"GOOD")->getName(), L"GOOD");
    // Written again, the changed tree stays as it is.
    EXPECT_TRUE(back.isWritable());
    EXPECT_EQ(parse(back.toText()).toText(), back.toText());

    // The layout follows what is written: a node whose children are all left
    // out is laid out as one without children (a fuzz finding).
    XMLNode lone(L"L");
    lone.addProperty(new XMLProperty(L"v"));
    lone.addNode(new XMLNode(L"A B"));
    lone.addAttribute(new XMLAttribute(L"", L"x"));
    EXPECT_EQ(lone.toText(), L"<L> \"|v|\" </L>");
    XMLNode bare(L"B");
    bare.addAttribute(new XMLAttribute(L"A B", L"x"));
    EXPECT_EQ(bare.toText(), L"<B> </B>");
}

class XMLSave : public ::testing::Test {
protected:
    LogCapture m_capture;
    fs::path file(const char* name) const { return m_capture.folder() / name; }
};

TEST_F(XMLSave, WritesByteOrderMarkAndUTF16WithSurrogatePairs)
{
    XMLNode root = buildExample();
    root.getNode(L"GROUP")->getProperty(0)->setValue(L"x\U0001F600\u00E9");
    ASSERT_TRUE(XMLNode::save(&root, L"out.xml", true));
    std::wstring expected = kExample;
    expected.replace(expected.find(L"|x|"), 3, L"|x\U0001F600\u00E9|");
    EXPECT_EQ(TestSupport::readBytes(file("out.xml")), TestSupport::utf16le(expected, true));
    EXPECT_FALSE(fs::exists(file("out.xml.tmp")));

    XMLNode back;
    ASSERT_TRUE(XMLNode::load(&back, L"out.xml", 0));
    EXPECT_EQ(back.toText(), expected);
    EXPECT_EQ(m_capture.text().find("UNICODE ist aktiviert"), std::string::npos);
}

TEST_F(XMLSave, UnicodeFalseWarnsAndStillWritesUTF16)
{
    XMLNode root = buildExample();
    ASSERT_TRUE(XMLNode::save(&root, L"config.xml", false));
    EXPECT_EQ(TestSupport::readBytes(file("config.xml")), TestSupport::utf16le(kExample, true));
    EXPECT_NE(m_capture.text().find("Ulvo::XMLNode::loadUNICODE ist aktiviert!\"config.xml\" wird automatisch "
                                    "als UNICODE Datei gespeichert!\n"),
              std::string::npos)
        << m_capture.text();
}

TEST_F(XMLSave, UnwritableValueIsChangedAloneAndLogged)
{
    TestSupport::writeText(file("keep.xml"), "old contents");
    XMLNode root = buildExample();
    root.getNode(L"ENTRY")->getAttribute(L"NAME")->setValue(L"say \"hi\"");
    root.getNode(L"GROUP")->getProperty(0)->setValue(L"a|b");
    ASSERT_TRUE(XMLNode::save(&root, L"keep.xml", true));
    EXPECT_FALSE(fs::exists(file("keep.xml.tmp")));

    XMLNode back;
    ASSERT_TRUE(XMLNode::load(&back, L"keep.xml", 0));
    EXPECT_EQ(back.getNode(L"ENTRY")->getAttribute(L"NAME")->getValue(), L"say hi");
    EXPECT_EQ(back.getNode(L"GROUP")->getProperty(0)->getValue(), L"a|b");
    EXPECT_EQ(back.getAttribute(L"VERSION")->getInt(), 2);
    EXPECT_EQ(back.getNode(L"GROUP")->getNode(L"ITEM")->getAttribute(L"ID")->getInt(), 3);
    const std::string log = m_capture.text("MyXML.log");
    EXPECT_NE(log.find("Ulvo::XMLNode::save keep.xml ge\xC3\xA4ndert: Node: ENTRY attribute NAME value: say \"hi\" "
                       "written as: say hi"),
              std::string::npos)
        << log;
    // The bar reads back unchanged: nothing to report about it.
    EXPECT_EQ(log.find("a|b"), std::string::npos) << log;

    // Without a root name that reads back there is no document: the old file stays.
    XMLNode nameless;
    EXPECT_FALSE(XMLNode::save(&nameless, L"keep.xml", true));
    EXPECT_TRUE(XMLNode::load(&back, L"keep.xml", 0));
}

TEST_F(XMLSave, FailedWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    XMLNode root = buildExample();
    // The target folder does not exist: nothing can be created.
    EXPECT_FALSE(XMLNode::save(&root, L"nowhere\\out.xml", true));

    // The new file is complete but cannot take the target's place.
    fs::create_directory(file("dir.xml"));
    EXPECT_FALSE(XMLNode::save(&root, L"dir.xml", true));
    EXPECT_TRUE(fs::is_directory(file("dir.xml")));
    EXPECT_FALSE(fs::exists(file("dir.xml.tmp")));

    EXPECT_NE(m_capture.text("MyXML.log").find("ERROR Ulvo::XMLNode::save"), std::string::npos);
}

TEST_F(XMLSave, ReadOnlyFolderKeepsTheOldFile)
{
    fs::create_directory(file("ro"));
    TestSupport::writeText(file("ro") / "keep.xml", "old contents");
    fs::permissions(file("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    // Permissions do not bind the superuser.
    const bool enforced = !std::ofstream(file("ro") / "probe").is_open();
    XMLNode root = buildExample();
    const bool saved = enforced && XMLNode::save(&root, L"ro\\keep.xml", true);
    fs::permissions(file("ro"), fs::perms::owner_all);
    if (!enforced)
        GTEST_SKIP() << "folder permissions are not enforced for this user";
    EXPECT_FALSE(saved);
    EXPECT_EQ(TestSupport::readText(file("ro") / "keep.xml"), "old contents");
    EXPECT_FALSE(fs::exists(file("ro") / "keep.xml.tmp"));
}

TEST_F(XMLSave, ReplacesAnExistingFile)
{
    TestSupport::writeText(file("replace.xml"), "old contents that are longer than nothing");
    XMLNode root(L"R");
    ASSERT_TRUE(XMLNode::save(&root, L"replace.xml", true));
    EXPECT_EQ(TestSupport::readBytes(file("replace.xml")), TestSupport::utf16le(L"<R> </R>", true));
}

TEST_F(XMLSave, ALeftoverTemporaryIsReplacedAndALinkNeverWrittenThrough)
{
    TestSupport::writeText(file("elsewhere.txt"), "not ours");
    fs::create_symlink(file("elsewhere.txt"), file("linked.xml.tmp"));
    TestSupport::writeText(file("stale.xml.tmp"), "a run ended here");
    XMLNode root(L"R");
    ASSERT_TRUE(XMLNode::save(&root, L"linked.xml", true));
    ASSERT_TRUE(XMLNode::save(&root, L"stale.xml", true));
    EXPECT_EQ(TestSupport::readText(file("elsewhere.txt")), "not ours");
    EXPECT_FALSE(fs::is_symlink(file("linked.xml")));
    EXPECT_EQ(TestSupport::readBytes(file("linked.xml")), TestSupport::utf16le(L"<R> </R>", true));
    EXPECT_FALSE(fs::exists(file("linked.xml.tmp")));
    EXPECT_FALSE(fs::exists(file("stale.xml.tmp")));
}

} // namespace
