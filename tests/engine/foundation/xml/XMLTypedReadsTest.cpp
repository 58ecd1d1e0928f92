#include "foundation/xml/ConfigSection.h"
#include "foundation/xml/XMLNode.h"

#include <d3dx9math.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using Ulvo::ConfigSection;
using Ulvo::XMLNode;

namespace {

XMLNode parse(const wchar_t* text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return node;
}

using Names = std::vector<std::wstring>;

Names childNames(const XMLNode& node)
{
    Names names;
    for (const XMLNode* child : node.getNodes())
        names.push_back(child->getName());
    return names;
}

} // namespace

TEST(XMLTypedReads, ScalarsConvertLikeTheGettersAndAbsentKeysKeepTheirValue)
{
    const XMLNode node = parse(L"<N I=\" -12abc\" NEG=\"-1\" F=\"2.5\" C=\"80FF0000\" S=\"a b\"/>");

    int i = 7;
    uint32_t bits = 0;
    EXPECT_TRUE(node.readInt(L"I", i));
    EXPECT_EQ(i, -12);
    EXPECT_TRUE(node.readInt(L"NEG", bits));
    EXPECT_EQ(bits, 0xFFFFFFFFu);

    // -1 is on for getBool but off for the switches of data files.
    bool on = false;
    bool flag = true;
    EXPECT_TRUE(node.readBool(L"NEG", on));
    EXPECT_TRUE(node.readFlag(L"NEG", flag));
    EXPECT_TRUE(on);
    EXPECT_FALSE(flag);

    float f = 0.0f;
    double d = 0.0;
    EXPECT_TRUE(node.readFloat(L"F", f));
    EXPECT_TRUE(node.readDouble(L"F", d));
    EXPECT_FLOAT_EQ(f, 2.5f);
    EXPECT_DOUBLE_EQ(d, 2.5);

    D3DXCOLOR colour(0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(node.readColour(L"C", colour));
    EXPECT_FLOAT_EQ(colour.r, 1.0f);
    EXPECT_FLOAT_EQ(colour.g, 0.0f);
    EXPECT_FLOAT_EQ(colour.a, 128.0f / 255.0f);
    EXPECT_TRUE(node.readHex(L"C", bits));
    EXPECT_EQ(bits, 0x80FF0000u);

    std::wstring text = L"kept";
    EXPECT_TRUE(node.readString(L"S", text));
    EXPECT_EQ(text, L"a b");
    EXPECT_EQ(node.getAttributeValue(L"S"), L"a b");
    EXPECT_EQ(node.getAttributeValue(L"X", L"fallback"), L"fallback");

    // Names are exact; nothing is touched without the attribute.
    i = 7;
    flag = true;
    text = L"kept";
    EXPECT_FALSE(node.readInt(L"i", i));
    EXPECT_FALSE(node.readFlag(L"X", flag));
    EXPECT_FALSE(node.readColour(L"X", colour));
    EXPECT_FALSE(node.readString(L"X", text));
    EXPECT_EQ(i, 7);
    EXPECT_TRUE(flag);
    EXPECT_EQ(text, L"kept");
    EXPECT_FLOAT_EQ(colour.r, 1.0f);
}

TEST(XMLTypedReads, ListsFillWhatTheyHoldAndLeaveTheDocumentAlone)
{
    const XMLNode node = parse(L"<N ONE=\"5\" TWO=\" 1  2 \" MANY=\"1 2 3 4 5\" EMPTY=\"\"/>");

    D3DXVECTOR3 v(9.0f, 9.0f, 9.0f);
    EXPECT_EQ(node.readVector(L"ONE", v), 1u);
    EXPECT_EQ(v, D3DXVECTOR3(5.0f, 9.0f, 9.0f));
    D3DXVECTOR2 size(0.0f, 0.0f);
    EXPECT_EQ(node.readVector(L"MANY", size), 5u); // surplus items are counted, not read
    EXPECT_EQ(size, D3DXVECTOR2(1.0f, 2.0f));
    D3DXVECTOR4 q(0.0f, 0.0f, 0.0f, 7.0f);
    EXPECT_EQ(node.readVector(L"TWO", q), 2u);
    EXPECT_EQ(q, D3DXVECTOR4(1.0f, 2.0f, 0.0f, 7.0f));
    EXPECT_EQ(node.readVector(L"EMPTY", q), 0u);
    EXPECT_EQ(node.readVector(L"ABSENT", q), 0u);

    int items[2] = {-1, -1};
    EXPECT_EQ(node.readInts(L"ONE", items), 1u);
    EXPECT_EQ(items[0], 5);
    EXPECT_EQ(items[1], -1);

    // A pair of one item sets both.
    float x = 0.0f;
    float y = 0.0f;
    EXPECT_EQ(node.readPair(L"ONE", x, y), 1u);
    EXPECT_EQ(y, 5.0f);
    int first = 0;
    int second = 0;
    EXPECT_EQ(node.readPair(L"TWO", first, second), 2u);
    EXPECT_EQ(second, 2);

    std::vector<std::wstring> words{L"old"};
    EXPECT_TRUE(node.readWords(L"TWO", words));
    EXPECT_EQ(words, (Names{L"1", L"2"}));
    EXPECT_TRUE(node.readWords(L"EMPTY", words));
    EXPECT_TRUE(words.empty());
    EXPECT_FALSE(node.readWords(L"ABSENT", words));

    // Unlike a value list, reading does not rewrite the value.
    EXPECT_EQ(node.getAttributeValue(L"TWO"), L" 1  2 ");
}

TEST(XMLTypedReads, PointsRectsAndFreeValues)
{
    const XMLNode node = parse(L"<N L=\"10\" T=\"-5\" W=\"2147483647\" B=\"3\" H=\"100\">"
                               L"<POS X=\"1.5\" Z=\"-2\"/><POS X=\"9\"/><TYPE>\"|ab|\" \"|c|\"</TYPE><NONE/></N>");

    D3DXVECTOR3 position(7.0f, 7.0f, 7.0f);
    EXPECT_TRUE(node.readPoint(L"POS", position));
    EXPECT_EQ(position, D3DXVECTOR3(1.5f, 7.0f, -2.0f));
    D3DXVECTOR2 none(3.0f, 4.0f);
    EXPECT_FALSE(node.readPoint(L"ABSENT", none));
    EXPECT_EQ(none, D3DXVECTOR2(3.0f, 4.0f));

    // R and B win over W and H; a width counts from L without overflowing.
    RECT rect{1, 1, 1, 1};
    node.readRect(rect);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, -5);
    EXPECT_EQ(rect.right, static_cast<LONG>(10LL + 2147483647LL));
    EXPECT_EQ(rect.bottom, 3);
    RECT untouched{1, 2, 3, 4};
    node.getNode(L"NONE")->readRect(untouched);
    EXPECT_EQ(untouched.right, 3);

    ASSERT_NE(node.getFreeValue(L"TYPE"), nullptr);
    EXPECT_EQ(node.getFreeValue(L"TYPE")->getValue(), L"ab");
    EXPECT_EQ(node.getFreeValue(L"NONE"), nullptr);
    EXPECT_EQ(node.getFreeValue(L"ABSENT"), nullptr);
}

TEST(ConfigSection, KeepsUnknownChildrenOrWholeSectionsAndLaysValuesOver)
{
    const XMLNode read = parse(L"<S A=\"1\" B=\"2\">\"|free|\"<KNOWN/><NEW X=\"1\"/><SUB Y=\"1\" Z=\"1\"/></S>");

    ConfigSection unknown;
    unknown.keep(read);
    unknown.keepUnknown(read, {L"KNOWN", L"SUB"}); // replaces what was kept
    XMLNode out(L"S");
    out.addNode(new XMLNode(L"KNOWN"));
    unknown.append(out);
    EXPECT_EQ(childNames(out), (Names{L"KNOWN", L"NEW"}));
    // The section's own attributes and free values are kept too.
    EXPECT_EQ(out.getAttributes().size(), 2u);
    ASSERT_EQ(out.getProperties().size(), 1u);
    EXPECT_EQ(out.getProperties()[0]->getValue(), L"free");

    ConfigSection whole;
    whole.keep(read);
    XMLNode values;
    values.addAttribute(new Ulvo::XMLAttribute(L"B", 3));
    values.addAttribute(new Ulvo::XMLAttribute(L"C", 4));
    XMLNode* sub = new XMLNode(L"SUB");
    sub->addAttribute(new Ulvo::XMLAttribute(L"Y", 5));
    values.addNode(sub);
    XMLNode written(L"S");
    whole.write(written, values);
    EXPECT_EQ(written.toText(), L"<S A=\"1\" B=\"3\" C=\"4\">\n\"|free|\"\n\t<KNOWN> </KNOWN>\n\t<NEW X=\"1\"/>\n"
                                L"\t<SUB Y=\"5\" Z=\"1\"/>\n</S>");
}
