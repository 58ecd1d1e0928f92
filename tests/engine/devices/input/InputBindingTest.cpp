// Input bindings: going on, staying on and going off over keys, buttons and
// axes; the joystick dead zone; index bounds; the activation history.
#include <platform_test.h>

#include "devices/input/Input.h"
#include "devices/input/Inputmanager.h"
#include "devices/input/KeyState.h"
#include "foundation/logging/Logger.h"
#include "foundation/time/PerfTimer.h"
#include "engine/UlvoEngine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;

namespace {

constexpr unsigned char kSpace = 0x39;

class BindingProbe : public sigslot::has_slots<> {
public:
    explicit BindingProbe(Input& input)
    {
        input.activated.connect(this, &BindingProbe::on);
        input.held.connect(this, &BindingProbe::hold);
        input.deactivated.connect(this, &BindingProbe::off);
    }
    void on(Input& input) { events.push_back(L"on " + std::to_wstring(input.getCurrent().value)); }
    void hold(Input& input) { events.push_back(L"held " + std::to_wstring(input.getCurrent().value)); }
    void off(Input&) { events.push_back(L"off"); }

    std::wstring take()
    {
        std::wstring all;
        for (const std::wstring& event : events)
            all += (all.empty() ? L"" : L"; ") + event;
        events.clear();
        return all;
    }

    std::vector<std::wstring> events;
};

class InputBindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        logSwitch() = 0;
        PlatformUseVirtualClock(true);
        states.joystickStates.resize(1);
        states.joystickStates[0].connected = true;
    }
    void TearDown() override { PlatformUseVirtualClock(false); }

    JoystickState& stick() { return states.joystickStates[0]; }

    InputStates states;
};

} // namespace

TEST_F(InputBindingTest, KeyAndAxisWithDeadZoneGoOnStayOnAndGoOff)
{
    PerfTimer clock(true);
    Input input(L"FIRE", &states, &clock);
    input.addKey(kSpace);
    input.addJoystickAxis(0, ULVO_ACHSE_X);
    BindingProbe probe(input);
    ASSERT_EQ(input.getHistory().size(), 1u);
    EXPECT_FALSE(input.isOn());

    // Inside the dead zone the axis is off.
    stick().state.lX = 200;
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"");

    states.keyState.keys[kSpace] = 0x80;
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"on 1.000000");
    EXPECT_EQ(input.getCurrent().startSources, static_cast<uint32_t>(Input::SOURCE_KEYS));
    EXPECT_FALSE(input.getCurrent().analog);

    // The key goes up while the stick leaves the dead zone: still the same activation.
    states.keyState.keys[kSpace] = 0;
    stick().state.lX = 625;
    PlatformAdvanceVirtualClock(100000);
    clock.update();
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"held 0.500000");
    EXPECT_TRUE(input.getCurrent().analog);
    EXPECT_EQ(input.getCurrent().sources, static_cast<uint32_t>(Input::SOURCE_JOYSTICK_AXES));
    EXPECT_NEAR(input.getCurrent().heldTime, 0.1, 1e-3);

    stick().state.lX = -1000;
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"held -1.000000");
    EXPECT_DOUBLE_EQ(input.getCurrent().minValue, -1.0);
    EXPECT_DOUBLE_EQ(input.getCurrent().maxValue, 1.0);

    // At the edge of the zone it is off again.
    stick().state.lX = -250;
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"off");
    EXPECT_FALSE(input.isOn());
    EXPECT_EQ(input.getCurrent().value, 0.0);
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"");
    EXPECT_EQ(input.getHistory().size(), 2u);
}

TEST_F(InputBindingTest, JoystickAndButtonIndicesOutsideEitherBoundAreIgnored)
{
    Input input(L"JUMP", &states, nullptr);
    input.addJoystickButton(-1, 0);
    input.addJoystickButton(1, 0);
    input.addJoystickButton(0, -1);
    input.addJoystickButton(0, 128);
    input.addJoystickAxis(-1, ULVO_ACHSE_X);
    input.addJoystickAxis(1, ULVO_ACHSE_X);
    input.addJoystickAxis(0, static_cast<UlvoAchse>(-3));
    input.addJoystickAxis(0, static_cast<UlvoAchse>(18));
    input.addMouseButton(static_cast<UlvoMouseButton>(-1));
    input.addMouseButton(static_cast<UlvoMouseButton>(8));
    BindingProbe probe(input);

    for (unsigned char& button : stick().state.rgbButtons)
        button = 0x80;
    stick().state.lX = stick().state.lY = stick().state.lZ = 1000;
    stick().state.lRx = stick().state.lRy = stick().state.lRz = 1000;
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"");

    // A valid reference on the same state block does fire.
    input.addJoystickButton(0, 127);
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"on 1.000000");
    EXPECT_EQ(input.getCurrent().sources, static_cast<uint32_t>(Input::SOURCE_JOYSTICK_BUTTONS));

    // A controller that is not connected reads as idle.
    stick().connected = false;
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"off");
}

TEST_F(InputBindingTest, PartialPollKeepsOtherSourcesAndDisabledKeysStayOff)
{
    Input input(L"MOVE", &states, nullptr);
    input.addKey(kSpace);
    input.addJoystickButton(0, 3);
    BindingProbe probe(input);

    stick().state.rgbButtons[3] = 0x80;
    input.poll(Input::SOURCE_JOYSTICK_BUTTONS);
    EXPECT_EQ(probe.take(), L"on 1.000000");
    // Looking at the keys only leaves the joystick bit as it was.
    stick().state.rgbButtons[3] = 0;
    input.poll(Input::SOURCE_KEYS);
    EXPECT_EQ(probe.take(), L"held 1.000000");
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"off");

    input.setKeysDisabled(true);
    states.keyState.keys[kSpace] = 0x80;
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"");
}

TEST_F(InputBindingTest, KeysReadAsUpWhileTheConsoleIsOpen)
{
    UlvoEngine* engine = UlvoEngine::getInstance();
    const bool wasEnabled = engine->isInGameConsoleEnabled();
    engine->setInGameConsoleEnabled(true);
    KeyState toggleKeys;
    const unsigned char consoleKey = 0x29;
    if (!engine->isConsoleVisible())
        engine->onKey(toggleKeys, consoleKey);
    ASSERT_TRUE(engine->isConsoleVisible());

    Input input(L"TYPE", &states, nullptr);
    input.addKey(kSpace);
    input.addJoystickButton(0, 2);
    BindingProbe probe(input);
    states.keyState.keys[kSpace] = 0x80;
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"");
    stick().state.rgbButtons[2] = 0x80;
    input.poll(Input::SOURCE_ALL);
    EXPECT_EQ(probe.take(), L"on 1.000000");

    engine->onKey(toggleKeys, consoleKey);
    EXPECT_FALSE(engine->isConsoleVisible());
    engine->setInGameConsoleEnabled(wasEnabled);
}

TEST_F(InputBindingTest, HistoryKeepsTheLastTenActivations)
{
    Input input(L"TAP", &states, nullptr);
    // No sources: never on.
    input.poll(Input::SOURCE_ALL);
    EXPECT_FALSE(input.isOn());

    input.addJoystickAxis(0, ULVO_ACHSE_Y);
    for (int i = 1; i <= 11; ++i) {
        stick().state.lY = 300 + i * 50;
        input.poll(Input::SOURCE_ALL);
        stick().state.lY = 0;
        input.poll(Input::SOURCE_ALL);
    }
    ASSERT_EQ(input.getHistory().size(), Input::kHistorySize);
    // The oldest kept is the second activation (lY 400).
    EXPECT_NEAR(input.getHistory().front().maxValue, (0.4 - 0.25) / 0.75, 1e-6);
    EXPECT_NEAR(input.getHistory().back().maxValue, (0.85 - 0.25) / 0.75, 1e-6);
    EXPECT_EQ(input.getHistory().back().sources, 0u);
}

TEST_F(InputBindingTest, ManagerPollsItsBindingsOnUpdate)
{
    Inputmanager* manager = Inputmanager::getInstance();
    Input* input = new Input(L"MANAGED", &states, nullptr);
    input->addJoystickButton(0, 1);
    BindingProbe probe(*input);
    manager->addInput(input);

    stick().state.rgbButtons[1] = 0x80;
    manager->update();
    EXPECT_EQ(probe.take(), L"on 1.000000");
    manager->update();
    EXPECT_EQ(probe.take(), L"held 1.000000");

    EXPECT_TRUE(manager->removeInput(input));
    EXPECT_FALSE(manager->removeInput(input));
    manager->update();
    EXPECT_EQ(probe.take(), L"");
}
