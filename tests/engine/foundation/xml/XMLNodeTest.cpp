#include "foundation/xml/XMLNode.h"

#include <gtest/gtest.h>

#include <locale>

using Ulvo::XMLAttribute;
using Ulvo::XMLNode;
using Ulvo::XMLProperty;

namespace {

XMLNode* named(const wchar_t* name)
{
    return new XMLNode(name);
}

TEST(XMLNode, GetNodeIndexRules)
{
    XMLNode root(L"ROOT");
    EXPECT_EQ(root.getNode(L"", 0), nullptr);
    XMLNode* a0 = named(L"A");
    XMLNode* b0 = named(L"B");
    XMLNode* a1 = named(L"A");
    root.addNode(a0);
    root.addNode(b0);
    root.addNode(a1);

    // Without a name: position, with every index up to 0 giving the first.
    EXPECT_EQ(root.getNode(L"", -5), a0);
    EXPECT_EQ(root.getNode(L"", 2), a1);
    EXPECT_EQ(root.getNode(L"", 3), nullptr);
    // With a name: the (index + 1)-th match, -1 and 0 both the first.
    EXPECT_EQ(root.getNode(L"A", -1), a0);
    EXPECT_EQ(root.getNode(L"A", 0), a0);
    EXPECT_EQ(root.getNode(L"A", 1), a1);
    EXPECT_EQ(root.getNode(L"A", 2), nullptr);
    EXPECT_EQ(root.getNode(L"a", 0), nullptr); // case-sensitive
    EXPECT_EQ(root.getNodeCount(L"A"), 2u);
    EXPECT_EQ(root.getNodeCount(), 3u);
    EXPECT_EQ(root.getProperty(0), nullptr);
}

TEST(XMLNode, RemoveOnlyChildrenAndAttributesOfThisNode)
{
    XMLNode root(L"ROOT");
    XMLNode* child = named(L"C");
    XMLNode* grandChild = named(L"G");
    child->addNode(grandChild);
    root.addNode(child);
    auto* attribute = new XMLAttribute(L"X", 1);
    root.addAttribute(attribute);

    XMLNode stranger(L"S");
    EXPECT_FALSE(root.removeNode(grandChild)); // not a direct child: nothing deleted
    EXPECT_FALSE(root.removeNode(&stranger));
    EXPECT_FALSE(root.removeNode(nullptr));
    EXPECT_EQ(child->getNode(L"G"), grandChild);

    XMLAttribute other(L"X", 1);
    EXPECT_FALSE(root.removeAttribute(&other));
    EXPECT_TRUE(root.removeAttribute(attribute));
    EXPECT_EQ(root.getAttribute(L"X"), nullptr);
    EXPECT_TRUE(root.removeNode(child));
    EXPECT_EQ(root.getNodeCount(), 0u);
}

TEST(XMLNode, CopiesAreDeepAndIndependent)
{
    XMLNode root(L"ROOT");
    root.addAttribute(new XMLAttribute(L"A", L"1"));
    root.addProperty(new XMLProperty(L"p"));
    XMLNode* child = named(L"C");
    child->addProperty(new XMLProperty(2));
    root.addNode(child);

    XMLNode copy(root);
    copy.getNode(L"C")->getProperty(0)->setValue(L"changed");
    copy.getAttribute(L"A")->setValue(L"9");
    EXPECT_EQ(root.getNode(L"C")->getProperty(0)->getValue(), L"2");
    EXPECT_EQ(root.getAttribute(L"A")->getValue(), L"1");
    EXPECT_EQ(copy.toText(), L"<ROOT A=\"9\">\n\"|p|\"\n\t<C> \"|changed|\" </C>\n</ROOT>");

    XMLNode assigned(L"OLD");
    assigned.addNode(named(L"GONE"));
    assigned = root;
    EXPECT_EQ(assigned.toText(), root.toText());

    // Assigning from itself or from its own subtree keeps a sound tree.
    assigned = assigned;
    EXPECT_EQ(assigned.toText(), root.toText());
    assigned = *assigned.getNode(L"C");
    EXPECT_EQ(assigned.toText(), L"<C> \"|2|\" </C>");

    root.clear();
    EXPECT_EQ(root.getName(), L"");
    EXPECT_EQ(root.getNodeCount(), 0u);
    EXPECT_EQ(root.getPropertyCount(), 0u);
}

TEST(XMLNode, DeepTreesCopyAndDestroyWithoutRecursion)
{
    XMLNode root(L"R");
    XMLNode* node = &root;
    for (int i = 0; i < 200000; ++i) {
        XMLNode* child = named(L"N");
        node->addNode(child);
        node = child;
    }
    XMLNode copy(root);
    EXPECT_EQ(copy.getNode(L"N")->getName(), L"N");
}

TEST(XMLProperty, IntegerGetters)
{
    EXPECT_EQ(XMLProperty(L"  -42abc").getInt(), -42);
    EXPECT_EQ(XMLProperty(L"+7").getInt(), 7);
    EXPECT_EQ(XMLProperty(L"abc").getInt(), 0);
    EXPECT_EQ(XMLProperty(L"").getInt(), 0);
    EXPECT_EQ(XMLProperty(L"99999999999").getInt(), 2147483647);
    EXPECT_EQ(XMLProperty(L"-99999999999").getInt(), -2147483647 - 1);
    EXPECT_EQ(XMLProperty(L"0x1F").getLong(0), 31);
    EXPECT_EQ(XMLProperty(L"017").getLong(0), 15);
    EXPECT_EQ(XMLProperty(L"12").getLong(), 12);
    EXPECT_EQ(XMLProperty(L"99999999999").getLong(), 2147483647L);

    for (const wchar_t* text : {L"1", L"2", L"-1", L" 5x"})
        EXPECT_TRUE(XMLProperty(text).getBool()) << text;
    for (const wchar_t* text : {L"0", L"", L"true", L"false"})
        EXPECT_FALSE(XMLProperty(text).getBool()) << text;
}

TEST(XMLProperty, HexKeepsAll32Bits)
{
    EXPECT_EQ(XMLProperty(L"FF336699").getHex(), 0xFF336699L);
    EXPECT_EQ(XMLProperty(L"0xff336699").getHex(), 0xFF336699L);
    EXPECT_EQ(XMLProperty(L"0X1a").getHex(), 0x1AL);
    EXPECT_EQ(XMLProperty(L"1FFFFFFFF").getHex(), 0xFFFFFFFFL);
    EXPECT_EQ(XMLProperty(L"-1").getHex(), 0xFFFFFFFFL);
    EXPECT_EQ(XMLProperty(L"-10").getHex(), 0xFFFFFFF0L);
    EXPECT_EQ(XMLProperty(L"xyz").getHex(), 0L);
    EXPECT_EQ(XMLProperty(L"- 5").getHex(), 0L);

    XMLProperty value;
    value.setHex(-1);
    EXPECT_EQ(value.getValue(), L"ffffffff");
    value.setHex(0);
    EXPECT_EQ(value.getValue(), L"0");
    value.setHex(0x00ABCDEF);
    EXPECT_EQ(value.getValue(), L"abcdef");
    EXPECT_EQ(value.getHex(), 0xABCDEFL);
}

TEST(XMLProperty, NumbersIgnoreTheProcessLocale)
{
    // A global locale with a decimal comma and digit grouping must not leak
    // into stored numbers.
    struct CommaPunct : std::numpunct<wchar_t> {
        wchar_t do_decimal_point() const override { return L','; }
        wchar_t do_thousands_sep() const override { return L'.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale savedGlobal = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));

    EXPECT_EQ(XMLProperty(0.5).getValue(), L"0.5");
    EXPECT_EQ(XMLProperty(1.0 / 3.0).getValue(), L"0.333333");
    EXPECT_EQ(XMLProperty(100.0).getValue(), L"100");
    EXPECT_EQ(XMLProperty(0.1f).getValue(), L"0.1");
    EXPECT_EQ(XMLProperty(1234567.0).getValue(), L"1.23457e+06");
    EXPECT_EQ(XMLProperty(-12345).getValue(), L"-12345");
    EXPECT_EQ(XMLProperty(4000000000u).getValue(), L"4000000000");
    EXPECT_EQ(XMLProperty(true).getValue(), L"1");
    EXPECT_EQ(XMLAttribute(L"N", false).getValue(), L"0");
    EXPECT_DOUBLE_EQ(XMLProperty(L" 2.5e2xyz").getDouble(), 250.0);
    EXPECT_DOUBLE_EQ(XMLProperty(L"1,5").getDouble(), 1.0);
    EXPECT_DOUBLE_EQ(XMLProperty(L"none").getDouble(), 0.0);
    EXPECT_FLOAT_EQ(XMLProperty(L"0.25").getFloat(), 0.25f);

    std::locale::global(savedGlobal);
}

TEST(XMLValueList, SplitsSkippingEmptyPiecesAndNormalisesOnEnd)
{
    XMLAttribute flags(L"FLAGS", L"  3 4  5 ");
    {
        Ulvo::XMLValueList list = flags.getList(L' ');
        ASSERT_EQ(list.size(), 3u);
        EXPECT_EQ(list.at(0)->getInt(), 3);
        EXPECT_EQ(list.at(2)->getInt(), 5);
        EXPECT_EQ(list.at(3), nullptr);
    }
    // Even a list made only for reading rewrites the value in normal form.
    EXPECT_EQ(flags.getValue(), L"3 4 5");

    XMLProperty empty;
    {
        Ulvo::XMLValueList list = empty.getList(L',');
        EXPECT_EQ(list.size(), 0u);
        list.set(new XMLProperty(2), -1);
        list.set(new XMLProperty(0), 0);  // before the first
        list.set(new XMLProperty(1), 1);  // between
        list.set(new XMLProperty(3), 99); // past the end: appended
        EXPECT_EQ(list.join(), L"0,1,2,3");
    }
    EXPECT_EQ(empty.getValue(), L"0,1,2,3");

    XMLProperty none(L",,,");
    {
        Ulvo::XMLValueList list = none.getList(L',');
    }
    EXPECT_EQ(none.getValue(), L"");
}

} // namespace

TEST(XMLNode, AReadDocumentLetsGoOfWhatWasAddedToIt)
{
    // An unchanged document goes with its arena, its items unvisited; what was
    // added after reading has memory of its own and goes too (the leak checker
    // of the sanitizer build watches).
    for (int change = 0; change < 4; ++change) {
        XMLNode root;
        ASSERT_TRUE(XMLNode::load(&root, L"<R><A><B/></A><C/>\"|v|\"</R>", 1));
        XMLNode* a = root.getNode(L"A");
        switch (change) {
        case 0:
            root.addNode(named(L"ADDED"));
            break;
        case 1:
            a->addNode(named(L"ADDED"));
            break;
        case 2:
            a->getNode(L"B")->addAttribute(new XMLAttribute(L"ADDED", 1));
            break;
        default:
            EXPECT_TRUE(root.removeNode(root.getNode(L"C")));
            root.getProperty(0)->setValue(L"a value longer than any short string keeps");
            break;
        }
        EXPECT_EQ(root.getNodeCount(), change == 0 ? 3u : change == 3 ? 1u : 2u);
    }
}
