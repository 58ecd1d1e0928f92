#include "support/LogCapture.h"
#include "foundation/files/GOBManager.h"
#include "foundation/xml/XMLNode.h"
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

    // Deep nesting is built without recursion.
    std::wstring deep;
    for (int i = 0; i < 100000; ++i)
        deep += L"<N>";
    XMLNode built;
    const int logging = Ulvo::logSwitch();
    Ulvo::logSwitch() = 0;
    EXPECT_TRUE(XMLNode::load(&built, deep, 1));
    Ulvo::logSwitch() = logging;
    EXPECT_EQ(built.getNode(L"N")->getNode(L"N")->getName(), L"N");
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

TEST(XMLWriter, UnwritableValuesAreDefinedPrecisely)
{
    for (const wchar_t* value : {L"a\"b", L"a>b", L"|", L"a||", L"x|||", L"<!-"})
        EXPECT_TRUE(XMLNode::isWritablePropertyValue(value)) << value;
    for (const wchar_t* value : {L"a|b", L"a||b", L"|\"", L"x<!--y", L"a|\n"})
        EXPECT_FALSE(XMLNode::isWritablePropertyValue(value)) << value;
    for (const wchar_t* value : {L"", L"a|b", L"a||b", L"<!-", L"a b"})
        EXPECT_TRUE(XMLNode::isWritableAttributeValue(value)) << value;
    for (const wchar_t* value : {L"a\"b", L"a>b", L"<!--"})
        EXPECT_FALSE(XMLNode::isWritableAttributeValue(value)) << value;

    // Every value the checks accept reads back unchanged.
    for (const wchar_t* value : {L"", L"a\"b", L"a>b<", L"|", L"a||", L"x|||", L"<!-", L"-->", L"/N"}) {
        XMLNode node(L"N");
        node.addProperty(new XMLProperty(value));
        if (XMLNode::isWritablePropertyValue(value) && std::wstring(value) != L"/N") {
            EXPECT_TRUE(node.isWritable());
            EXPECT_EQ(parse(node.toText()).getProperty(0)->getValue(), value) << value;
        } else {
            EXPECT_FALSE(node.isWritable()) << value;
        }
    }
    for (const wchar_t* value : {L"", L"a|b", L"|a|", L"<", L"a/", L"--"}) {
        XMLNode node(L"N");
        node.addAttribute(new XMLAttribute(L"A", value));
        ASSERT_TRUE(node.isWritable()) << value;
        EXPECT_EQ(parse(node.toText()).getAttribute(L"A")->getValue(), value) << value;
    }

    // Names that would not read back.
    for (const wchar_t* name : {L"", L"A B", L"/A", L"A/", L"A/\t", L"\t", L"!--x", L"A>", L"A\"", L"A="}) {
        XMLNode root(L"R");
        root.addNode(new XMLNode(name));
        EXPECT_FALSE(root.isWritable()) << name;
    }
    XMLNode withAttribute(L"R");
    withAttribute.addAttribute(new XMLAttribute(L"A=B", L"1"));
    EXPECT_FALSE(withAttribute.isWritable());
    XMLNode attributeAsProperty(L"R");
    attributeAsProperty.addProperty(new XMLAttribute(L"A", L"1"));
    EXPECT_FALSE(attributeAsProperty.isWritable());
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

TEST_F(XMLSave, UnwritableTreeLeavesTheOldFileUntouched)
{
    TestSupport::writeText(file("keep.xml"), "old contents");
    XMLNode root = buildExample();
    root.getNode(L"ENTRY")->getAttribute(L"NAME")->setValue(L"say \"hi\"");
    EXPECT_FALSE(XMLNode::save(&root, L"keep.xml", true));
    EXPECT_EQ(TestSupport::readText(file("keep.xml")), "old contents");
    EXPECT_FALSE(fs::exists(file("keep.xml.tmp")));
    const std::string log = m_capture.text("MyXML.log");
    EXPECT_NE(log.find("ERROR Ulvo::XMLNode::save keep.xml"), std::string::npos) << log;
    EXPECT_NE(log.find("Node: ENTRY attribute NAME value: say \"hi\""), std::string::npos) << log;

    root.getNode(L"ENTRY")->getAttribute(L"NAME")->setValue(L"a");
    root.getNode(L"GROUP")->getProperty(0)->setValue(L"a|b");
    EXPECT_FALSE(XMLNode::save(&root, L"keep.xml", true));
    EXPECT_EQ(TestSupport::readText(file("keep.xml")), "old contents");
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

} // namespace
