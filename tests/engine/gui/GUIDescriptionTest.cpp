// Window descriptions: masks, goal and option keys, templates by mask, and broken
// descriptions, which are logged and skipped while the rest loads.
#include "GUITestSupport.h"

#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIAnimationsGoal.h"
#include "gui/windows/GUITooltipParam.h"
#include "gui/windows/GUIVorlage.h"
#include "gui/windows/GUIWindow.h"
#include "gui/windows/GUIXmlRead.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace Ulvo;
using GUITesting::GUITest;

namespace {

uint32_t mask(const std::wstring& words)
{
    return GUIVorlageMask::parse(GUIXml::words(words), 0);
}

} // namespace

TEST(GUIDescription, WordListsOfMasksModesAndDrawTypes)
{
    EXPECT_EQ(mask(L"ALL !TEXTURES"), GUIVorlageMask::ALL & ~GUIVorlageMask::TEXTURES);
    EXPECT_EQ(mask(L"!SIZE ALL"), GUIVorlageMask::ALL);
    EXPECT_EQ(mask(L"POSITION SIZE WHATEVER !POSITION"), GUIVorlageMask::SIZE);
    const GUIVorlageRef nameOnly = GUIVorlageRef::parse(L"  V_KNOPF ");
    EXPECT_EQ(nameOnly.name, L"V_KNOPF");
    EXPECT_EQ(nameOnly.mask, 0u);
    EXPECT_EQ(GUIVorlageRef::parse(L"V_KNOPF ALL").mask, GUIVorlageMask::ALL);

    EXPECT_EQ(GUIAnimationsGoal::parseRectMode(L"ALL"), 0u);
    EXPECT_EQ(GUIAnimationsGoal::parseRectMode(L"NONE"), 7u);
    EXPECT_EQ(GUIAnimationsGoal::parseRectMode(L"POS SIZE"), 3u);
    EXPECT_EQ(GUIDrawOptions::parseDrawType(L"SDP_STRETCH ALIGN_BACK nonsense"), DWORD(4 | 16));
}

TEST(GUIDescription, GoalNodeReadsItsSwitchesAndRecords)
{
    XMLNode node;
    ASSERT_TRUE(XMLNode::load(&node,
                              L"<ANIMATION_GOAL NAME=\"AN\" SPEED=\"2.5\" INTERPOLATE_OPTIONS=\"0\" "
                              L"INTERPOLATE_TEXTURES=\"START_GOAL bogus\" INTERPOLATE_GUIRECT_MODE=\"POS\">"
                              L"<DRAWOPTIONS ALPHA=\"0.5\" MODULATE_COLOR=\"FF808080\" EBENE=\"3\">"
                              L"<DRAW_TYPE X=\"REPEAT\"/></DRAWOPTIONS>"
                              L"<OPTIONS VISIBLE=\"0\" INPUT_IGNORE=\"2\" LAYOUTMANAGER=\"DEFAULT\"/>"
                              L"</ANIMATION_GOAL>",
                              1));
    const GUIAnimationsGoal goal(&node, nullptr);
    EXPECT_EQ(goal.name, L"AN");
    EXPECT_DOUBLE_EQ(goal.speed, 2.5);
    EXPECT_FALSE(goal.interpolateOptions);
    EXPECT_TRUE(goal.interpolateDrawOptions);
    EXPECT_EQ(goal.textureMode, uint32_t(GUIDrawOptions::START_GOAL));
    EXPECT_EQ(goal.backgroundMode, uint32_t(GUIDrawOptions::STATIC));
    EXPECT_EQ(goal.rectMode, 1u);
    EXPECT_DOUBLE_EQ(goal.drawOptions.alpha, 0.5);
    EXPECT_FLOAT_EQ(goal.drawOptions.modulate.a, 1.0f);
    EXPECT_FLOAT_EQ(goal.drawOptions.modulate.r, 128.0f / 255.0f);
    EXPECT_EQ(goal.drawOptions.ebene, 3);
    EXPECT_EQ(goal.drawOptions.drawTypeX, DWORD(2));
    EXPECT_EQ(goal.drawOptions.drawTypeY, DWORD(1));
    EXPECT_EQ(goal.drawOptions.backDrawTypeX, DWORD(4));
    EXPECT_FALSE(goal.options.visible);
    EXPECT_TRUE(goal.options.enabled);
    EXPECT_EQ(goal.options.inputIgnore, 2);
    EXPECT_EQ(goal.options.layoutManager, L"DEFAULT");
    EXPECT_EQ(goal.options.layoutParam, L"NULL");
}

TEST_F(GUITest, TemplateFillsWhatItsMasksAllow)
{
    Texture2D* red = GUITesting::solidTexture(L"T_DESC_RED", 0xFFFF0000);
    ASSERT_TRUE(loadText(L"<GUI><VORLAGEN>"
                         L"<WINDOW NAME=\"V_DESC\" IS_VORLAGE_FOR=\"ALL !COLORS\"><WINDOW_PARAMS>"
                         L"<GUIRECT><POS_TL X_OFF=\"5\"/><SIZE X_OFF=\"50\" Y_OFF=\"60\"/></GUIRECT>"
                         L"<DRAWOPTIONS TEX_NORMAL=\"T_DESC_RED\" ALPHA=\"0.25\" ACTIVE_BLEND=\"0.3\">"
                         L"<DRAW_TYPE X=\"CLAMP\"/></DRAWOPTIONS>"
                         L"<OPTIONS MOUSE_MOVE=\"1\"/></WINDOW_PARAMS></WINDOW>"
                         L"</VORLAGEN>"
                         // Its own rect; textures, draw types and options from the template after reading.
                         L"<WINDOW NAME=\"W_POST\" VORLAGE_POST=\"V_DESC TEXTURES COLORS OPTIONS\"><WINDOW_PARAMS>"
                         L"<GUIRECT><POS_TL X_OFF=\"100\"/><SIZE X_OFF=\"10\" Y_OFF=\"10\"/></GUIRECT>"
                         L"</WINDOW_PARAMS></WINDOW>"
                         // Only a name: mask 0, nothing is copied.
                         L"<WINDOW NAME=\"W_NAME\" VORLAGE_PRE=\"V_DESC\"/>"
                         // Everything the template passes on, before its own keys are read.
                         L"<WINDOW NAME=\"W_PRE\" VORLAGE_PRE=\"V_DESC ALL\"/>"
                         L"</GUI>"));
    EXPECT_EQ(gui().getWindow(L"V_DESC"), nullptr) << "templates are not windows";
    ASSERT_NE(gui().getVorlage(L"V_DESC"), nullptr);

    GUIWindow* post = window(L"W_POST");
    ASSERT_NE(post, nullptr);
    EXPECT_EQ(post->getDrawOptions().getTexture(GUIDrawOptions::TEX_NORMAL), red);
    EXPECT_EQ(post->getDrawOptions().drawTypeX, DWORD(32));
    EXPECT_DOUBLE_EQ(post->getDrawOptions().alpha, 1.0) << "COLORS is not passed on by this template";
    EXPECT_TRUE(post->getOptions().mouseMove);
    EXPECT_FLOAT_EQ(post->getScreenRect().left, 100.0f) << "its own place stays";
    EXPECT_FLOAT_EQ(post->getScreenRect().right, 110.0f);

    GUIWindow* nameOnly = window(L"W_NAME");
    ASSERT_NE(nameOnly, nullptr);
    EXPECT_EQ(nameOnly->getDrawOptions().getTexture(GUIDrawOptions::TEX_NORMAL), nullptr);
    EXPECT_FALSE(nameOnly->getOptions().mouseMove);

    GUIWindow* pre = window(L"W_PRE");
    ASSERT_NE(pre, nullptr);
    EXPECT_EQ(pre->getDrawOptions().getTexture(GUIDrawOptions::TEX_NORMAL), red);
    EXPECT_DOUBLE_EQ(pre->getDrawOptions().activeBlend, 0.3);
    EXPECT_FLOAT_EQ(pre->getScreenRect().left, 5.0f);
    EXPECT_FLOAT_EQ(pre->getScreenRect().bottom, 60.0f);
}

TEST_F(GUITest, WindowNodeReadsSizesGoalsTooltipsAndChildren)
{
    ASSERT_TRUE(loadText(L"<GUI><WINDOW NAME=\"W_READ\" USER_ID=\"42\"><WINDOW_PARAMS NAME=\"BASIS\">"
                         L"<GUIRECT><POS_TL/><SIZE X_REL=\"1\" Y_OFF=\"10\"/></GUIRECT>"
                         L"<MIN_SIZE X_OFF=\"0\" Y_OFF=\"40\"/><MAX_SIZE X_REL=\"0.5\"/>"
                         L"<ANIMATION_GOAL NAME=\"AUS\"><OPTIONS VISIBLE=\"0\"/></ANIMATION_GOAL>"
                         L"<ANIMATION_GOAL NAME=\"DEFAULT\"><GUIRECT><POS_TL/><SIZE X_REL=\"1\" Y_OFF=\"10\"/>"
                         L"</GUIRECT><DRAWOPTIONS ALPHA=\"0.75\"/></ANIMATION_GOAL>"
                         L"<TOOLTIP NAME=\"TIP\" TEXT_ID=\"T_ID\" TEXT=\"Hallo\" TOOLTIP_ID=\"2\" TIMER=\"0.2\"/>"
                         L"</WINDOW_PARAMS>"
                         L"<WINDOW NAME=\"W_READ_CHILD\"/></WINDOW></GUI>"));
    GUIWindow* w = window(L"W_READ");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->getUserId(), L"42");
    EXPECT_EQ(window(L"W_READ_CHILD")->getUserId(), L"W_READ_CHILD") << "the name when USER_ID is absent";
    EXPECT_EQ(window(L"W_READ_CHILD")->getParent(), w);
    // 640 wide limited to half the screen about the centre; 10 high widened to 40.
    EXPECT_FLOAT_EQ(w->getScreenRect().left, 160.0f);
    EXPECT_FLOAT_EQ(w->getScreenRect().right, 480.0f);
    EXPECT_FLOAT_EQ(w->getScreenRect().top, -15.0f);
    EXPECT_FLOAT_EQ(w->getScreenRect().bottom, 25.0f);
    // "DEFAULT" replaced the base state and the live options; unknown goals fall back to it.
    EXPECT_DOUBLE_EQ(w->getDrawOptions().alpha, 0.75);
    EXPECT_EQ(w->findAnimationGoal(L"MISSING"), &w->getBaseState());
    EXPECT_EQ(w->findAnimationGoal(L"AUS")->name, L"AUS");
    ASSERT_NE(w->getTooltip(2), nullptr);
    EXPECT_EQ(w->getTooltip(1), nullptr);
    GUITooltipParam* tip = w->getFirstTooltip();
    EXPECT_EQ(tip->getText(nullptr), L"Hallo") << "TEXT wins over TEXT_ID";
    EXPECT_DOUBLE_EQ(tip->getTimer(), 0.2);
    EXPECT_EQ(tip->getOwner(), w);
}

TEST_F(GUITest, BrokenDescriptionsAreLoggedAndSkipped)
{
    LogCapture log;
    // Unknown keys, an unknown TYPE, a missing template and a child nested too deep.
    std::wstring deep;
    for (int i = 0; i < 70; ++i)
        deep += L"<WINDOW NAME=\"D" + std::to_wstring(i) + L"\">";
    for (int i = 0; i < 70; ++i)
        deep += L"</WINDOW>";
    EXPECT_TRUE(loadText(L"<GUI><UNBEKANNT/><WINDOW NAME=\"W_BAD\" TYPE=\"ZAUBER\" FARBE=\"rot\" "
                         L"VORLAGE_PRE=\"FEHLT ALL\" VORLAGE_POST=\"FEHLT_AUCH ALL\">"
                         L"<WINDOW_PARAMS><OPTIONS SICHTBAR=\"1\"/></WINDOW_PARAMS></WINDOW>" +
                         deep + L"</GUI>"));
    GUIWindow* bad = window(L"W_BAD");
    ASSERT_NE(bad, nullptr) << "an unknown TYPE gives a plain window";
    EXPECT_NE(window(L"D63"), nullptr);
    EXPECT_EQ(window(L"D64"), nullptr) << "nesting deeper than the factory allows is skipped";
    const std::string text = log.text();
    for (const char* expected :
         {"UNBEKANNT", "FARBE", "SICHTBAR", "ZAUBER", "FEHLT ", "FEHLT_AUCH", "zu tief verschachtelt"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " is not logged:\n" << text;

    // Broken nesting and truncated text: what parses is loaded, nothing more.
    XMLNode broken;
    XMLNode::load(&broken, L"<GUI><WINDOW NAME=\"W_OPEN\"><WINDOW NAME=\"W_INNER\"></GUI>", 1);
    gui().load(&broken);
    XMLNode truncated;
    XMLNode::load(&truncated, L"<GUI><WINDOW NAME=\"W_CUT\"><WINDOW_PARAMS><GUIRECT><POS_TL X_OF", 1);
    gui().load(&truncated);
    EXPECT_FALSE(gui().load(nullptr));
    step(0.1);
    render(32, 32, 0xFF000000);
}
