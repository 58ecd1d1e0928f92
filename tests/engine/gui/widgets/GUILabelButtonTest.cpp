// Labels and buttons: label parameters, styles that blend with the mark or follow a
// disabled parent, late styles, the typing cursor, measured text, and buttons whose
// caption takes the clicks, the insets and the ids.
#include "widgets/WidgetTesting.h"

#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/Font.h"
#include "graphics/fonts/FontStyle.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUILabel.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Ulvo;
using GUITesting::Image;
using WidgetTesting::widget;

namespace {

class LabelTest : public WidgetTesting::WidgetTest {
protected:
    GUILabel* label(const std::wstring& name) { return dynamic_cast<GUILabel*>(window(name)); }
};

// The columns of image inside the box that hold any pixel brighter than black.
std::vector<bool> inkColumns(const Image& image, LONG top, LONG bottom)
{
    std::vector<bool> ink(image.width, false);
    for (LONG y = top; y < bottom; ++y)
        for (UINT x = 0; x < image.width; ++x)
            ink[x] = ink[x] || (image.at(x, y) & 0x00FFFFFF) != 0;
    return ink;
}

struct Clicks : public sigslot::has_slots<> {
    std::vector<std::wstring> names;
    void clicked(GUIWindow& w) { names.push_back(w.getName()); }
};

} // namespace

TEST_F(LabelTest, ParametersFlagsTextsAndStyles)
{
    ASSERT_TRUE(loadText(
        L"<GUI>" +
        widget(L"LABEL", L"L_BOTH", 0, 0, 100, 20, L"",
               L"<LABEL_PARAMS TEXT=\"hallo\" TEXT_ID=\"GIBT_ES_NICHT\" FLAGS=\"RIGHT BOTTOM\" "
               L"FONT_STYLENAME=\"gelb\" FONT_NAME=\"gross\"/>") +
        widget(L"LABEL", L"L_LOWER", 0, 20, 100, 20, L"", L"<LABEL_PARAMS FLAGS=\"left WORDBREAK\"/>") +
        widget(L"LABEL", L"L_NODE", 0, 40, 100, 20, L"",
               L"<LABEL_PARAMS FLAGS=\"RIGHT\" FONT_STYLENAME_MARK=\"grau\"><FLAGS>\"|CENTER|\" \"|VCENTER|\"</FLAGS>"
               L"</LABEL_PARAMS>") +
        L"</GUI>"));
    GUILabel* both = label(L"L_BOTH");
    EXPECT_TRUE(both->usesTextId());
    EXPECT_EQ(both->getFormat(), 10u);
    EXPECT_TRUE(both->getOptions().activateParent);
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(both->getFontStyleName(i), L"gelb") << "FONT_STYLENAME sets all three";
    ASSERT_NE(both->getFont(), nullptr);
    EXPECT_EQ(both->getFont()->getName(), L"gross");
    both->setText(L"neu");
    EXPECT_FALSE(both->usesTextId());
    EXPECT_EQ(both->getText(), L"neu");
    EXPECT_EQ(label(L"L_LOWER")->getFormat(), 16u) << "words are case-sensitive";
    GUILabel* node = label(L"L_NODE");
    EXPECT_EQ(node->getFormat(), 5u) << "the FLAGS node wins over the attribute";
    EXPECT_EQ(node->getFontStyleName(0), L"default");
    EXPECT_EQ(node->getFontStyleName(1), L"grau");
    node->setFontStyle(L"gelb", 3);
    EXPECT_EQ(node->getFontStyleName(0), L"default");
    EXPECT_EQ(node->getFontStyleName(3), L"");
}

TEST_F(LabelTest, StyleFollowsTheMarkTheDisabledParentAndLateStyles)
{
    ASSERT_TRUE(loadText(L"<GUI>" +
                         widget(L"WINDOW", L"W_PARENT", 0, 0, 200, 60, L"<DRAWOPTIONS ACTIVE_BLEND=\"0\"/>",
                                widget(L"LABEL", L"L_TEXT", 0, 0, 200, 30, L"",
                                       L"<LABEL_PARAMS TEXT=\"WWWW\" FONT_STYLENAME=\"default\" "
                                       L"FONT_STYLENAME_MARK=\"gelb\" FONT_STYLENAME_DISABLED=\"grau\"/>") +
                                    widget(L"LABEL", L"L_LATE", 0, 30, 200, 30, L"",
                                           L"<LABEL_PARAMS TEXT=\"x\" FONT_STYLENAME=\"spaet\"/>")) +
                         L"</GUI>"));
    GUILabel* text = label(L"L_TEXT");
    EXPECT_EQ(text->currentStyle().getForegroundARGB(), 0xFFFFFFFFu);
    // Hovering the label marks its parent; the label blends to the marked style with it.
    moveMouse(10, 10);
    EXPECT_EQ(gui().getMarkedWindow(), window(L"W_PARENT"));
    step(0.05);
    EXPECT_EQ(text->currentStyle().getForegroundARGB(), 0xFFFFFF00u);
    window(L"W_PARENT")->getOptions().enabled = false;
    EXPECT_EQ(text->currentStyle().getForegroundARGB(), 0xFF808080u) << "disabled through the parent";

    GUILabel* late = label(L"L_LATE");
    EXPECT_FALSE(late->isFontStyleResolved(0));
    auto* style = new FontStyle();
    style->rename(L"spaet");
    style->m_foreground = D3DXCOLOR(0.0f, 1.0f, 0.0f, 1.0f);
    ASSERT_TRUE(D3DXFontInterface::getInstance()->addFontStyle(style));
    style->Release();
    render(200, 60, 0xFF000000);
    EXPECT_TRUE(late->isFontStyleResolved(0)) << "looked up again at the next drawing";
    EXPECT_EQ(late->currentStyle().getForegroundARGB(), 0xFF00FF00u);
}

TEST_F(LabelTest, CursorStandsRightOfTheMeasuredText)
{
    ASSERT_TRUE(loadText(
        L"<GUI>" +
        widget(L"LABEL", L"L_NAME", 10, 10, 200, 24, L"", L"<LABEL_PARAMS TEXT=\"abc\" FLAGS=\"LEFT VCENTER\"/>") +
        L"</GUI>"));
    GUILabel* name = label(L"L_NAME");
    RECT measured{};
    name->calcTextRect(measured);
    EXPECT_EQ(measured.left, 10);
    EXPECT_GT(measured.right, 20);
    EXPECT_LT(measured.right, 60);
    const std::vector<bool> plain = inkColumns(render(240, 48, 0xFF000000), 10, 34);
    name->setCursorChar(L'|');
    name->setCursorVisible(true);
    const std::vector<bool> cursor = inkColumns(render(240, 48, 0xFF000000), 10, 34);
    bool beyond = false, before = false;
    for (UINT x = 0; x < 240; ++x) {
        beyond = beyond || (cursor[x] && !plain[x] && x >= static_cast<UINT>(measured.right));
        before = before || (cursor[x] != plain[x] && x < static_cast<UINT>(measured.right) - 1);
    }
    EXPECT_TRUE(beyond) << "the cursor is drawn right of the text";
    EXPECT_FALSE(before) << "the text itself is unchanged";
    // Inside the text the cursor character is inserted where it stands.
    name->setCursorPos(0);
    const std::vector<bool> inside = inkColumns(render(240, 48, 0xFF000000), 10, 34);
    EXPECT_NE(inside, plain);
}

TEST_F(LabelTest, CursorStandsOnTheLineOfAVerticallyCentredText)
{
    ASSERT_TRUE(loadText(
        L"<GUI>" +
        widget(L"LABEL", L"L_NAME", 10, 0, 200, 100, L"", L"<LABEL_PARAMS TEXT=\"abc\" FLAGS=\"LEFT VCENTER\"/>") +
        L"</GUI>"));
    GUILabel* name = label(L"L_NAME");
    RECT measured{};
    name->calcTextRect(measured);
    const Image plain = render(240, 100, 0xFF000000);
    name->setCursorChar(L'|');
    name->setCursorVisible(true);
    const Image withCursor = render(240, 100, 0xFF000000);
    // The rows the text's ink covers, and those where only the cursor added ink.
    LONG textTop = 100, textBottom = -1, cursorTop = 100, cursorBottom = -1;
    for (LONG y = 0; y < 100; ++y) {
        for (UINT x = 0; x < 240; ++x) {
            const bool ink = (plain.at(x, y) & 0x00FFFFFF) != 0;
            const bool added = !ink && (withCursor.at(x, y) & 0x00FFFFFF) != 0;
            if (ink) {
                textTop = std::min(textTop, y);
                textBottom = std::max(textBottom, y);
            }
            if (added && x >= static_cast<UINT>(measured.right)) {
                cursorTop = std::min(cursorTop, y);
                cursorBottom = std::max(cursorBottom, y);
            }
        }
    }
    ASSERT_GE(textBottom, 0);
    ASSERT_GE(cursorBottom, 0) << "no cursor drawn";
    EXPECT_GT(textTop, 30) << "the text is centred in the tall label";
    EXPECT_LE(cursorTop, textBottom) << "the cursor overlaps the text's line";
    EXPECT_GE(cursorBottom, textTop) << "the cursor overlaps the text's line";
}

TEST_F(LabelTest, ButtonCaptionTakesInsetsClicksAndIds)
{
    GUITesting::solidTexture(L"T_KNOPF", 0xFF3050E0);
    ASSERT_TRUE(loadText(
        L"<GUI>" +
        widget(L"BUTTON", L"B_REL", 0, 0, 200, 100, L"<DRAWOPTIONS TEX_NORMAL=\"T_KNOPF\" ALPHA=\"0.5\" EBENE=\"3\"/>",
               L"<BUTTON_PARAMS><RAND_SIZE REL=\"0.1\"/><LABEL_PARAMS TEXT=\"Los\"/></BUTTON_PARAMS>") +
        widget(L"BUTTON", L"B_BOTH", 300, 0, 200, 100, L"",
               L"<BUTTON_PARAMS><RAND_SIZE REL=\"0.1 0.2\" OFF=\"4\"/></BUTTON_PARAMS>" +
                   widget(L"WINDOW", L"B_EXTRA", 0, 0, 10, 10)) +
        L"</GUI>"));
    auto* rel = dynamic_cast<GUIButton*>(window(L"B_REL"));
    ASSERT_NE(rel, nullptr);
    const FloatRect& caption = rel->getLabel()->getScreenRect();
    EXPECT_FLOAT_EQ(caption.left, 20.0f);
    EXPECT_FLOAT_EQ(caption.right, 180.0f);
    EXPECT_FLOAT_EQ(caption.top, 10.0f);
    EXPECT_FLOAT_EQ(caption.bottom, 90.0f);
    EXPECT_EQ(rel->getLabel()->getName(), L"B_REL_LABEL");
    EXPECT_EQ(rel->getLabel()->getText(), L"Los");
    // The caption keeps the button's alpha and layer but none of its textures.
    EXPECT_DOUBLE_EQ(rel->getLabel()->getDrawOptions().alpha, 0.5);
    EXPECT_EQ(rel->getLabel()->getDrawOptions().ebene, 3);
    EXPECT_EQ(rel->getLabel()->getDrawOptions().getTexture(GUIDrawOptions::TEX_NORMAL), nullptr);

    auto* both = dynamic_cast<GUIButton*>(window(L"B_BOTH"));
    const FloatRect& inset = both->getLabel()->getScreenRect();
    EXPECT_FLOAT_EQ(inset.left, 300.0f + 20.0f + 4.0f);
    EXPECT_FLOAT_EQ(inset.top, 20.0f + 4.0f);
    EXPECT_FLOAT_EQ(inset.bottom, 80.0f - 4.0f);

    // A click on the caption is the button's.
    Clicks clicks;
    rel->clicked.connect(&clicks, &Clicks::clicked);
    rel->getLabel()->clicked.connect(&clicks, &Clicks::clicked);
    moveMouse(100, 50);
    EXPECT_EQ(gui().getWindowAt(100, 50, GUIWindow::HIT_PRESS), rel->getLabel());
    press();
    step(0.1);
    release();
    EXPECT_EQ(clicks.names, std::vector<std::wstring>{L"B_REL"});

    // The id reaches the caption; single children are refused; the caption stays.
    rel->setUserId(L"H_Start");
    EXPECT_EQ(rel->getLabel()->getUserId(), L"H_Start");
    EXPECT_FALSE(both->addChild(window(L"B_REL")));
    ASSERT_EQ(both->children().size(), 2u) << "a WINDOW node of the description is still a child";
    both->removeAllChildren();
    ASSERT_EQ(both->children().size(), 1u);
    EXPECT_EQ(both->children().front(), both->getLabel());
}
