// The input state types: axis and button reads with their direction filters
// and bounds, the mouse swap setting, and the "DINPUTINITPARAMS" keys.
#include <windows.h>

#include "devices/input/DInputInitParams.h"
#include "devices/input/KeyState.h"
#include "foundation/xml/XMLNode.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Ulvo;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return node;
}

class SwapProbe : public sigslot::has_slots<> {
public:
    void changed(const bool& on) { values.push_back(on); }
    std::vector<bool> values;
};

TEST(InputStates, MouseAxesAreFilteredByDirection)
{
    MouseState m;
    m.rawState.lX = 25;
    EXPECT_EQ(m.getAxisValue(ULVO_ACHSE_X_NEG), 0.0);
    EXPECT_DOUBLE_EQ(m.getAxisValue(ULVO_ACHSE_X_POS), 0.025);
    m.rawState.lX = -25;
    EXPECT_DOUBLE_EQ(m.getAxisValue(ULVO_ACHSE_X_NEG), -0.025);
    EXPECT_DOUBLE_EQ(m.getAxisValue(ULVO_ACHSE_X), -0.025);
    EXPECT_EQ(m.getAxisValue(ULVO_ACHSE_X_POS), 0.0);
    m.rawState.lZ = 120; // the wheel reads as 6-8
    EXPECT_DOUBLE_EQ(m.getAxisValue(ULVO_ACHSE_Z_POS), 0.12);
    EXPECT_EQ(m.getAxisValue(ULVO_ACHSE_WHEEL), 0.0);
    EXPECT_EQ(m.getAxisValue(static_cast<UlvoAchse>(-1)), 0.0);
    EXPECT_FALSE(m.isButtonDown(static_cast<UlvoMouseButton>(8)));
    EXPECT_FALSE(m.isButtonDown(static_cast<UlvoMouseButton>(-1)));
}

TEST(InputStates, JoystickReadsNothingWhenAbsentAndChecksBothBounds)
{
    JoystickState j;
    j.state.lRz = -1000;
    j.state.rgbButtons[5] = 0x80;
    EXPECT_EQ(j.getAxisValue(ULVO_ACHSE_RZ), 0.0);
    EXPECT_FALSE(j.isButtonDown(5));

    j.connected = true;
    EXPECT_DOUBLE_EQ(j.getAxisValue(ULVO_ACHSE_RZ), -1.0);
    EXPECT_DOUBLE_EQ(j.getAxisValue(ULVO_ACHSE_RZ_NEG), -1.0);
    EXPECT_EQ(j.getAxisValue(ULVO_ACHSE_RZ_POS), 0.0);
    EXPECT_EQ(j.getAxisValue(ULVO_ACHSE_WHEEL_NEG), 0.0);
    EXPECT_EQ(j.getAxisValue(static_cast<UlvoAchse>(-3)), 0.0);
    EXPECT_TRUE(j.isButtonDown(5));
    EXPECT_FALSE(j.isButtonDown(-1));
    EXPECT_FALSE(j.isButtonDown(128));

    // A copy keeps the connections of the original's signals.
    struct Slot : sigslot::has_slots<> {
        int count = 0;
        void on(JoystickState&, const int&) { ++count; }
    } slot;
    j.buttonPressed.connect(&slot, &Slot::on);
    JoystickState copy(j);
    copy.buttonPressed.emit(copy, 1);
    EXPECT_EQ(slot.count, 1);
}

TEST(InputStates, SwapMouseFixesOrFollowsTheSystem)
{
    InputStates s;
    SwapProbe probe;
    s.swapMouseChanged.connect(&probe, &SwapProbe::changed);
    s.setSwapMouse(7);
    EXPECT_EQ(s.swapMouse, 1);
    EXPECT_TRUE(s.isMouseSwapped());
    s.setSwapMouse(0);
    EXPECT_FALSE(s.isMouseSwapped());
    s.setSwapMouse(-4);
    EXPECT_EQ(s.swapMouse, -1);
    EXPECT_EQ(s.isMouseSwapped(), GetSystemMetrics(23) != 0);
    ASSERT_EQ(probe.values.size(), 3u);
    EXPECT_TRUE(probe.values[0]);
    EXPECT_FALSE(probe.values[1]);
}

TEST(DInputInitParams, DefaultsAndKeys)
{
    DInputInitParams p(nullptr);
    EXPECT_FLOAT_EQ(p.getMouseSensitivity(), 1.0f);
    EXPECT_EQ(p.getSwapMouse(), -1);
    EXPECT_EQ(p.getKeyRepeatDelay(), 500u);
    EXPECT_EQ(p.getKeyRepeatRate(), 200u);
    EXPECT_EQ(p.getMousePollRate(), 20u);

    XMLNode one = parse(L"<DINPUTINITPARAMS KEY_REPEAT_RATE=\"300\" SWAP_MOUSE=\"abc\" MOUSE_SENSITIVITY=\"1.5\" "
                        L"USE_WINAPI=\"1\"/>");
    EXPECT_TRUE(p.load(&one));
    EXPECT_EQ(p.getKeyRepeatDelay(), 300u);
    EXPECT_EQ(p.getKeyRepeatRate(), 300u);
    EXPECT_EQ(p.getSwapMouse(), 0);
    EXPECT_FLOAT_EQ(p.getMouseSensitivity(), 1.5f);
    EXPECT_TRUE(p.isUsingWindowMessages());

    XMLNode empty = parse(L"<DINPUTINITPARAMS KEY_REPEAT_RATE=\"\"/>");
    EXPECT_TRUE(p.load(&empty));
    EXPECT_EQ(p.getKeyRepeatDelay(), 300u); // an empty value changes nothing

    // A parameter object the input does not run on saves its own values, and
    // keys this build does not know survive.
    XMLNode extra = parse(L"<DINPUTINITPARAMS FUTURE=\"9\" KEY_REPEAT_RATE=\"250 40\"/>");
    EXPECT_TRUE(p.load(&extra));
    XMLNode out;
    EXPECT_TRUE(p.save(&out));
    DInputInitParams back(nullptr);
    EXPECT_TRUE(back.load(&out));
    EXPECT_EQ(back.getKeyRepeatDelay(), 250u);
    EXPECT_EQ(back.getKeyRepeatRate(), 40u);
    EXPECT_FLOAT_EQ(back.getMouseSensitivity(), 1.5f);
    ASSERT_NE(out.getAttribute(L"FUTURE"), nullptr);
    EXPECT_EQ(out.getAttribute(L"FUTURE")->getValue(), L"9");
}

} // namespace
