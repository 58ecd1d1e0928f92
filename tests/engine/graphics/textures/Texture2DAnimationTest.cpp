// Texture animations: frame sequences of the three play types (also driven by the game clock
// on the virtual time base), end signals, strips of sprite-sheet cells, clones and the manager.
#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/time/PerfTimer.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "graphics/textures/TextureManager.h"

#include <platform_test.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace Ulvo;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return node;
}

class Listener : public sigslot::has_slots<> {
public:
    explicit Listener(Texture2DAnimation& animation)
    {
        animation.endReached.connect(this, &Listener::onEnd);
        animation.started.connect(this, &Listener::onStarted);
        animation.stopped.connect(this, &Listener::onStopped);
        animation.rewound.connect(this, &Listener::onRewound);
    }
    void onEnd(Texture2DAnimation&) { ++ends; }
    void onStarted(Texture2DAnimation&) { ++starts; }
    void onStopped(Texture2DAnimation&) { ++stops; }
    void onRewound(Texture2DAnimation&) { ++rewinds; }
    int ends = 0, starts = 0, stops = 0, rewinds = 0;
};

// Frame textures that need no device: named, unloaded 2D textures in the animation
// manager's own texture list, standing 64 x 32 texels.
class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_logSwitch = logSwitch();
        logSwitch() = 0;
        for (const wchar_t* name : {L"SHEET", L"OTHER"}) {
            auto* texture = new Texture2D();
            texture->rename(name);
            *texture->getRectPtr() = RECT{0, 0, 64, 32};
            manager()->getTextures().add(texture, true);
        }
    }
    void TearDown() override
    {
        manager()->clear();
        manager()->getTextures().clear();
        logSwitch() = m_logSwitch;
    }
    static Texture2DAnimationManager* manager() { return Texture2DAnimationManager::getInstance(); }

    // An animation of n whole-texture frames with the play type words.
    static Texture2DAnimation* make(int frames, const std::wstring& playType, float speed = 20.0f)
    {
        std::wstring text = L"<ANIMATION_2D NAME=\"T\" ANIMSPEED=\"" + std::to_wstring(speed) + L"\"";
        if (!playType.empty())
            text += L" PLAY_TYPE=\"" + playType + L"\"";
        text += L">";
        for (int i = 0; i < frames; ++i)
            text += L"<FRAMES TEXTUR=\"SHEET\"/>";
        text += L"</ANIMATION_2D>";
        XMLNode node = parse(text);
        return new Texture2DAnimation(&node);
    }

    static std::vector<int> indices(Texture2DAnimation& animation, const std::vector<float>& times)
    {
        std::vector<int> result;
        for (float time : times) {
            animation.setTime(time);
            result.push_back(animation.getFrameIndex());
        }
        return result;
    }

    int m_logSwitch = 0;
};

} // namespace

TEST_F(AnimationTest, FrameIndexFollowsThePlayType)
{
    const std::vector<float> times = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    Texture2DAnimation* loop = make(3, L"LOOP");
    EXPECT_EQ(loop->getPlayType(), 0u);
    EXPECT_EQ(indices(*loop, times), (std::vector<int>{0, 1, 2, 0, 1, 2, 0, 1, 2}));
    // Truncation toward zero, then the remainder with the sign of the time.
    EXPECT_EQ(indices(*loop, {-0.5f, -1.0f, -2.0f, -3.0f, -4.0f}), (std::vector<int>{0, 2, 1, 0, 2}));

    Texture2DAnimation* pingPong = make(3, L"FORWARD_BACKWARD");
    EXPECT_EQ(indices(*pingPong, times), (std::vector<int>{0, 1, 2, 2, 1, 0, 0, 1, 2}));
    EXPECT_EQ(indices(*pingPong, {3.5f, 5.2f}), (std::vector<int>{2, 0}));

    Texture2DAnimation* once = make(3, L"ONCE");
    EXPECT_EQ(indices(*once, {0, 1, 2, 2.9f}), (std::vector<int>{0, 1, 2, 2}));
    EXPECT_EQ(indices(*once, {-1, -2, -3}), (std::vector<int>{2, 1, 0}));

    Texture2DAnimation* both = make(3, L"ONCE FORWARD_BACKWARD");
    EXPECT_EQ(both->getPlayType(), 3u);
    EXPECT_EQ(indices(*both, {0, 1, 2, 3, 4, 5}), (std::vector<int>{0, 1, 2, 2, 1, 0}));

    // Times no integer can hold do not break the arithmetic.
    loop->setTime(3.0e12f);
    EXPECT_GE(loop->getFrameIndex(), 0);
    EXPECT_LT(loop->getFrameIndex(), 3);
    loop->setTime(NAN);
    EXPECT_EQ(loop->getFrameIndex(), 0);

    for (Texture2DAnimation* animation : {loop, pingPong, once, both})
        animation->Release();
}

TEST_F(AnimationTest, UpdatesAdvanceOnlyWhilePlayingAndSignalTheEnd)
{
    Texture2DAnimation* loop = make(3, L"");
    Listener listener(*loop);
    double step = 0.05;
    loop->update(step);
    EXPECT_EQ(loop->getTime(), 0.0f) << "a stopped animation keeps its time";

    loop->play();
    loop->play();
    EXPECT_EQ(listener.starts, 1);
    loop->update(step);
    loop->update(step);
    EXPECT_FLOAT_EQ(loop->getTime(), 2.0f);
    EXPECT_EQ(loop->getFrameIndex(), 2);
    EXPECT_EQ(listener.ends, 0);
    loop->update(step);
    EXPECT_FLOAT_EQ(loop->getTime(), 3.0f);
    EXPECT_EQ(loop->getFrameIndex(), 0);
    EXPECT_EQ(listener.ends, 1);
    loop->update(step);
    EXPECT_EQ(listener.ends, 2) << "a loop past its first pass reports the end on every update";

    loop->rewind();
    EXPECT_EQ(loop->getTime(), 0.0f);
    EXPECT_TRUE(loop->isPlaying());
    EXPECT_EQ(listener.rewinds, 1);
    loop->stop();
    loop->stop();
    EXPECT_EQ(listener.stops, 1);
    EXPECT_FALSE(loop->isPlaying());

    // Backwards: every update with a negative time reports the end.
    loop->setSpeed(-20.0f);
    loop->play();
    loop->update(step);
    EXPECT_FLOAT_EQ(loop->getTime(), -1.0f);
    EXPECT_EQ(loop->getFrameIndex(), 2);
    EXPECT_EQ(listener.ends, 3);
    loop->Release();
}

TEST_F(AnimationTest, OnceRestsOnItsLastFrame)
{
    Texture2DAnimation* once = make(3, L"ONCE");
    Listener listener(*once);
    once->play();
    double step = 0.03;
    int ends = 0;
    for (int i = 0; i < 40; ++i) {
        once->update(step);
        EXPECT_LT(once->getTime(), 3.0f);
        if (once->getTime() >= 2.0f) {
            EXPECT_EQ(once->getFrameIndex(), 2);
        }
        ends = listener.ends;
    }
    EXPECT_EQ(once->getFrameIndex(), 2);
    EXPECT_GT(ends, 5) << "the end is reported each time an update carries the time past the last frame";

    Texture2DAnimation* both = make(3, L"ONCE FORWARD_BACKWARD");
    both->play();
    // Forward and back once: it rests at time 4 (the first frame on the way back but one).
    for (int i = 0; i < 40; ++i) {
        both->update(step);
        EXPECT_LT(both->getTime(), 5.0f);
    }
    EXPECT_GE(both->getTime(), 4.0f);
    EXPECT_EQ(both->getFrameIndex(), 1);
    once->Release();
    both->Release();
}

TEST_F(AnimationTest, ForwardBackwardReportsItsEndAfterTwoPasses)
{
    Texture2DAnimation* animation = make(3, L"FORWARD_BACKWARD", 10.0f);
    Listener listener(*animation);
    animation->play();
    double step = 0.1;
    for (int i = 0; i < 5; ++i)
        animation->update(step);
    EXPECT_EQ(listener.ends, 0);
    animation->update(step);
    EXPECT_EQ(listener.ends, 1);
    EXPECT_EQ(animation->getFrameIndex(), 0);
    animation->Release();
}

// The game clock drives the animation the way the game does: one update per clock step with
// the step's game time. Each type shows its frame sequence, sampled mid-frame.
TEST_F(AnimationTest, GameClockOnTheVirtualTimeBaseGivesTheFrameSequences)
{
    PlatformUseVirtualClock(true);
    struct Case {
        const wchar_t* playType;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {L"LOOP", {0, 1, 2, 0, 1, 2, 0, 1, 2, 0}},
        {L"FORWARD_BACKWARD", {0, 1, 2, 2, 1, 0, 0, 1, 2, 2}},
        {L"ONCE", {0, 1, 2, 2, 2, 2, 2, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        PerfTimer clock(true);
        Texture2DAnimation* animation = make(3, c.playType);
        animation->play();
        std::vector<int> seen;
        // Half a frame (25 ms at 20 frames per second) first, then whole frames.
        uint64_t advance = 25000;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            PlatformAdvanceVirtualClock(advance);
            advance = 50000;
            clock.update();
            double elapsed = clock.getFrameTime();
            animation->update(elapsed);
            seen.push_back(animation->getFrameIndex());
        }
        EXPECT_EQ(seen, c.expected) << "play type " << std::string(c.playType, c.playType + wcslen(c.playType));
        animation->Release();
    }
    PlatformUseVirtualClock(false);
}

TEST_F(AnimationTest, SheetCellsFollowTheColumnsRowByRow)
{
    XMLNode node = parse(L"<ANIMATION_2D NAME=\"CELLS\" PLAY=\"1\">"
                         L"<FRAMES TEXTUR=\"SHEET\"><FRAME_PARAMS ANZ_FRAMES=\"5\" SPALTEN=\"2\" "
                         L"RECT_START=\"0 0 64 32\"/></FRAMES>"
                         L"<FRAMES TEXTUR=\"NOT_THERE\"/>"
                         L"<FRAMES/>"
                         L"<FRAMES TEXTUR=\"OTHER\"><FRAME_PARAMS ANZ_FRAMES=\"2\" SPALTEN=\"0\" RECT_START=\"8 4\"/>"
                         L"</FRAMES>"
                         L"<FRAMES TEXTUR=\"OTHER\"><FRAME_PARAMS ANZ_FRAMES=\"0\"/></FRAMES>"
                         L"</ANIMATION_2D>");
    Texture2D* sheet = manager()->getTextures().getTexture2D(L"SHEET");
    const int held = sheet->getRefCount();
    auto* animation = new Texture2DAnimation(&node);
    EXPECT_TRUE(animation->isPlaying());
    EXPECT_EQ(animation->getName(), L"CELLS");

    const std::vector<RECT> expected = {{0, 0, 64, 32},  {64, 0, 128, 32}, {0, 32, 64, 64}, {64, 32, 128, 64},
                                        {0, 64, 64, 96}, {8, 4, 64, 32},   {8, 32, 64, 60}};
    const auto& frames = animation->getFrames();
    ASSERT_EQ(frames.size(), expected.size()) << "missing textures are skipped, zero columns count as one";
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].rect.left, expected[i].left) << i;
        EXPECT_EQ(frames[i].rect.top, expected[i].top) << i;
        EXPECT_EQ(frames[i].rect.right, expected[i].right) << i;
        EXPECT_EQ(frames[i].rect.bottom, expected[i].bottom) << i;
    }
    EXPECT_EQ(sheet->getRefCount(), held + 5) << "each frame holds its texture";
    EXPECT_FLOAT_EQ(animation->getDesiredSize().x, 64.0f);
    EXPECT_FLOAT_EQ(animation->getDesiredSize().y, 32.0f);

    Texture2DAnimation* copy = animation->clone();
    EXPECT_EQ(sheet->getRefCount(), held + 10);
    EXPECT_TRUE(copy->isPlaying());
    double step = 0.05;
    copy->update(step);
    EXPECT_NE(copy->getTime(), animation->getTime()) << "a clone keeps time of its own";
    Listener listener(*animation);
    copy->stop();
    EXPECT_EQ(listener.stops, 0) << "the clone's signals are its own";
    copy->Release();
    animation->Release();
    EXPECT_EQ(sheet->getRefCount(), held);
}

TEST_F(AnimationTest, AnimationWithoutFramesDrawsNothing)
{
    XMLNode node = parse(L"<ANIMATION_2D NAME=\"EMPTY\" DESIRED_SIZE=\"40 30\" ANIMSPEED=\"5\"/>");
    Texture2DAnimation animation(&node);
    EXPECT_TRUE(animation.getFrames().empty());
    EXPECT_EQ(animation.getFrameIndex(), 0);
    ASSERT_NE(animation.getCurrentTexture(), nullptr);
    EXPECT_EQ(animation.getCurrentTexture()->texture, nullptr);
    EXPECT_FLOAT_EQ(animation.getDesiredSize().x, 40.0f);
    EXPECT_FLOAT_EQ(animation.getDesiredSize().y, 30.0f);
    EXPECT_FLOAT_EQ(animation.getSpeed(), 5.0f);

    // A strip asking for more cells than any sheet has is cut off instead of filling memory.
    XMLNode huge = parse(L"<ANIMATION_2D NAME=\"HUGE\"><FRAMES TEXTUR=\"SHEET\">"
                         L"<FRAME_PARAMS ANZ_FRAMES=\"2000000000\" SPALTEN=\"3\" "
                         L"RECT_START=\"2000000000 2000000000 2100000000 2100000000\"/></FRAMES></ANIMATION_2D>");
    Texture2DAnimation capped(&huge);
    EXPECT_EQ(capped.getFrames().size(), static_cast<std::size_t>(Texture2DAnimation::kMaxCellsPerStrip));
    EXPECT_LE(capped.getFrames().back().rect.left, capped.getFrames().back().rect.right);
}

namespace {

template <class Device> TextureManager* globalManagerOf(Device* device)
{
    if constexpr (requires { device->getTextureManager(); })
        return device->getTextureManager();
    else
        return nullptr;
}

} // namespace

// Frames also find textures of the device interface's texture manager, searched last.
TEST_F(AnimationTest, FramesFallBackToTheGlobalTextureManager)
{
    TextureManager* global = globalManagerOf(D3DInterface::getInstance());
    if (!global)
        GTEST_SKIP() << "the device interface has no texture manager yet";
    auto* texture = new Texture2D();
    texture->rename(L"ONLY_GLOBAL");
    ASSERT_TRUE(global->add(texture, true));
    XMLNode node = parse(L"<ANIMATION_2D NAME=\"G\"><FRAMES TEXTUR=\"ONLY_GLOBAL\"/><FRAMES TEXTUR=\"SHEET\"/>"
                         L"</ANIMATION_2D>");
    Texture2DAnimation animation(&node);
    ASSERT_EQ(animation.getFrames().size(), 2u);
    EXPECT_EQ(animation.getFrames()[0].texture, texture);
    EXPECT_EQ(animation.getFrames()[1].texture, manager()->getTextures().getTexture2D(L"SHEET"));
}

TEST_F(AnimationTest, ManagerAppendsEveryAnimationAndFindsTheFirstOfAName)
{
    XMLNode node = parse(L"<ANIMATIONEN>"
                         L"<TEXTURE_FILES>\"|no\\such\\list.tex|\"</TEXTURE_FILES>"
                         L"<ANIMATION_2D NAME=\"A\" ANIMSPEED=\"1\"><FRAMES TEXTUR=\"SHEET\"/></ANIMATION_2D>"
                         L"<ANIMATION_2D NAME=\"A\" ANIMSPEED=\"2\"/>"
                         L"<ANIMATION_2D NAME=\"B\"><FRAMES TEXTUR=\"OTHER\"/></ANIMATION_2D>"
                         L"</ANIMATIONEN>");
    manager()->load(&node);
    ASSERT_EQ(manager()->getAnimations().size(), 3u);
    ASSERT_NE(manager()->getAnimation(L"A"), nullptr);
    EXPECT_FLOAT_EQ(manager()->getAnimation(L"A")->getSpeed(), 1.0f);
    EXPECT_EQ(manager()->getAnimation(L"B")->getCurrentTexture()->texture,
              manager()->getTextures().getTexture2D(L"OTHER"));
    EXPECT_EQ(manager()->getAnimation(L"a"), nullptr);
    manager()->load(nullptr);
    manager()->clear();
    EXPECT_TRUE(manager()->getAnimations().empty());
}
