// Reading GUIRECT nodes and evaluating them against a parent rectangle.
#include "foundation/xml/XMLNode.h"
#include "gui/windows/GUIRect.h"

#include <gtest/gtest.h>

using namespace Ulvo;

namespace {

GUIRect rectFrom(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1)) << "does not parse";
    return GUIRect(&node);
}

FloatRect evaluate(const std::wstring& text, float width = 800, float height = 600)
{
    return rectFrom(text).calculate(FloatRect(0, 0, width, height));
}

void expectRect(const FloatRect& r, float left, float top, float right, float bottom)
{
    EXPECT_FLOAT_EQ(r.left, left);
    EXPECT_FLOAT_EQ(r.top, top);
    EXPECT_FLOAT_EQ(r.right, right);
    EXPECT_FLOAT_EQ(r.bottom, bottom);
}

} // namespace

TEST(GUIRect, PointsFoldIntoPositionAndSizeByTheirAnchors)
{
    // Top-left corner and a size.
    expectRect(
        evaluate(L"<GUIRECT><POS_TL X_REL=\"0.1\" Y_REL=\"0.1\"/><SIZE X_REL=\"0.5\" Y_REL=\"0.25\"/></GUIRECT>"), 80,
        60, 480, 210);
    // A centre point with a pixel size is centred.
    expectRect(evaluate(L"<GUIRECT><POS_CC X_REL=\"0.5\" Y_REL=\"0.5\"/><SIZE X_OFF=\"100\" Y_OFF=\"50\"/></GUIRECT>"),
               350, 275, 450, 325);
    // Two corners, the second 10 pixels in from the right.
    expectRect(evaluate(L"<GUIRECT><POS_TL/><POS_BR X_REL=\"1\" Y_REL=\"1\"/></GUIRECT>"), 0, 0, 800, 600);
    expectRect(evaluate(L"<GUIRECT><POS_LT/><POS_RB X_REL=\"1\" X_OFF=\"-10\" Y_REL=\"1\"/></GUIRECT>"), 0, 0, 790,
               600);
    // A centre and a centre-right point: the centre means the middle of the rectangle.
    expectRect(
        evaluate(L"<GUIRECT><POS_CC X_REL=\"0.5\" Y_REL=\"0.5\"/><POS_CR X_REL=\"0.75\" Y_REL=\"0.5\"/></GUIRECT>"),
        200, 300, 600, 300);
    // Bottom-right corner with a size grows up and left.
    expectRect(evaluate(L"<GUIRECT><POS_BR X_REL=\"1\" Y_REL=\"1\"/><SIZE X_OFF=\"40\" Y_OFF=\"30\"/></GUIRECT>"), 760,
               570, 800, 600);
    // Empty: position and size 0, anchored top left.
    const GUIRect empty = rectFrom(L"<GUIRECT/>");
    EXPECT_EQ(empty.anchor, 9u);
    expectRect(empty.calculate(FloatRect(0, 0, 800, 600)), 0, 0, 0, 0);
    // A third point is ignored.
    expectRect(
        evaluate(L"<GUIRECT><POS_TL/><SIZE X_OFF=\"5\" Y_OFF=\"5\"/><POS_BR X_REL=\"1\" Y_REL=\"1\"/></GUIRECT>"), 0, 0,
        5, 5);
}

TEST(GUIRect, RatioRuleKeepsTheAnchoredEdge)
{
    // Width twice the height, the right edge fixed; PARAMS before or after the points.
    const std::wstring points = L"<POS_TR X_REL=\"1\"/><SIZE Y_REL=\"0.5\"/>";
    const std::wstring params = L"<PARAMS X_REL=\"2\"/>";
    expectRect(evaluate(L"<GUIRECT PARAMS_X=\"AS_VERH\">" + points + params + L"</GUIRECT>"), 200, 0, 800, 300);
    expectRect(evaluate(L"<GUIRECT PARAMS_X=\"AS_VERH\">" + params + points + L"</GUIRECT>"), 200, 0, 800, 300);
    // Any other word than AS_VERH switches the rule off.
    expectRect(evaluate(L"<GUIRECT PARAMS_X=\"as_verh\">" + points + params + L"</GUIRECT>"), 800, 0, 800, 300);
    // Height from the width about the vertical centre, the pixel part on both sides.
    expectRect(evaluate(L"<GUIRECT PARAMS_Y=\"AS_VERH\"><POS_CC X_REL=\"0.5\" Y_REL=\"0.5\"/>"
                        L"<SIZE X_OFF=\"200\"/><PARAMS Y_REL=\"0.5\" Y_OFF=\"5\"/></GUIRECT>"),
               300, 245, 500, 355);
}

TEST(GUIRect, ValuesAndDegenerateSizes)
{
    // "1 3" reads as one third, "2" as 2, and a divisor of 0 is ignored.
    XMLNode node;
    ASSERT_TRUE(XMLNode::load(&node, L"<P X_REL=\"1 3\" Y_REL=\"2\" X_OFF=\"7 0\"/>", 1));
    GUIRectPoint point;
    point.load(&node);
    EXPECT_FLOAT_EQ(point.xRel, 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(point.yRel, 2.0f);
    EXPECT_FLOAT_EQ(point.xOff, 7.0f);
    // A negative extent collapses to its midpoint.
    expectRect(evaluate(L"<GUIRECT><POS_TL X_OFF=\"100\" Y_OFF=\"100\"/><SIZE X_OFF=\"-40\" Y_OFF=\"-20\"/></GUIRECT>"),
               80, 90, 80, 90);
    // Interpolation moves only the parts of the mode; flags follow the nearer end.
    GUIRect from(GUIRectPoint(0, 0, 0, 0), GUIRectPoint(0, 0, 10, 10));
    GUIRect to(GUIRectPoint(0, 0, 100, 50), GUIRectPoint(0, 0, 30, 30));
    to.xByRatio = 1;
    GUIRect base(GUIRectPoint(0, 0, -1, -1), GUIRectPoint(0, 0, -2, -2));
    GUIRect out;
    GUIRect::interpolate(out, base, from, to, 0.25, GUIRect::PART_POSITION);
    EXPECT_EQ(out.position, GUIRectPoint(0, 0, 25, 12.5f));
    EXPECT_EQ(out.size, base.size);
    EXPECT_EQ(out.xByRatio, 0u);
    GUIRect::interpolate(out, base, from, to, 0.5, GUIRect::PART_SIZE);
    EXPECT_EQ(out.size, GUIRectPoint(0, 0, 20, 20));
    EXPECT_EQ(out.position, base.position);
    EXPECT_EQ(out.xByRatio, 1u);
}
