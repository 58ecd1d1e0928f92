// The intro video in the main window before the device starts: the built "intro.wmv" plays
// to its end with its pictures in the window, Escape skips it, a quit message ends it with
// the quit reported, and a missing or cut-off file never holds up the start.
#include <windows.h>

#include <platform_test.h>

#include "devices/d3d/D3DInterface.h"
#include "devices/window/VideoPlayer.h"
#include "devices/window/Window.h"
#include "engine/UlvoEngine.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

using namespace Ulvo;
namespace fs = std::filesystem;

namespace {

constexpr int kScancodeEscape = 41;
constexpr UINT_PTR kTimerId = 0x7E57;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs on the main thread from the player's own message pump.
void CALLBACK pressEscape(HWND window, UINT, UINT_PTR id, DWORD)
{
    KillTimer(window, id);
    PlatformInjectKey(window, kScancodeEscape, true);
}

// Down and up again before the player looks at the key.
void CALLBACK tapEscape(HWND window, UINT, UINT_PTR id, DWORD)
{
    KillTimer(window, id);
    PlatformInjectKey(window, kScancodeEscape, true);
    PlatformInjectKey(window, kScancodeEscape, false);
}

void CALLBACK postQuit(HWND window, UINT, UINT_PTR id, DWORD)
{
    KillTimer(window, id);
    PostQuitMessage(0);
}

// Watches the pictures that reach the window while the player blocks the main thread.
class PictureWatch {
public:
    PictureWatch()
    {
        PlatformCaptureVideoFrames(true);
        m_thread = std::thread([this] {
            std::vector<uint32_t> pixels;
            while (!m_stop) {
                int width = 0, height = 0;
                unsigned count = PlatformLastVideoFrame(pixels, width, height);
                if (count > 0 && width > 8 && height > 8) {
                    m_pictures = count;
                    // The intro's field is 0x1E50A0 between its fades; the picture starts at
                    // the window's top left corner.
                    const uint32_t corner = pixels[static_cast<size_t>(4) * width + 4];
                    const int r = (corner >> 16) & 0xFF, g = (corner >> 8) & 0xFF, b = corner & 0xFF;
                    if (std::abs(r - 0x1E) <= 16 && std::abs(g - 0x50) <= 16 && std::abs(b - 0xA0) <= 16)
                        m_sawField = true;
                    for (uint32_t pixel : pixels)
                        m_sawLight = m_sawLight || (pixel & 0x00FFFFFFu) != 0;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(15));
            }
        });
    }
    ~PictureWatch()
    {
        m_stop = true;
        m_thread.join();
        PlatformCaptureVideoFrames(false);
    }
    unsigned pictures() const { return m_pictures; }
    bool sawField() const { return m_sawField; }
    bool sawLight() const { return m_sawLight; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<unsigned> m_pictures{0};
    std::atomic<bool> m_sawField{false};
    std::atomic<bool> m_sawLight{false};
    std::thread m_thread;
};

class VideoPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        D3DInterface::getInstance()->createWindow();
        m_window = UlvoEngine::getInstance()->getWindow()->getHWND();
        ASSERT_TRUE(IsWindow(m_window));
        m_intro = TestSupport::runtimeDir() / "intro.wmv";
        ASSERT_TRUE(fs::exists(m_intro)) << "the build makes the intro video";
        // A quit left over from elsewhere must not end the clip at once.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message != WM_QUIT)
                DispatchMessageW(&msg);
        }
    }

    void TearDown() override
    {
        KillTimer(m_window, kTimerId);
        PlatformInjectKey(m_window, kScancodeEscape, false);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message != WM_QUIT)
                DispatchMessageW(&msg);
        }
    }

    // A safety net: a player that never ends is stopped by a quit after this long.
    void quitAfter(UINT milliseconds) { ASSERT_NE(SetTimer(m_window, kTimerId, milliseconds, postQuit), 0u); }

    TestSupport::TempDir m_dir;
    HWND m_window = nullptr;
    fs::path m_intro;
};

TEST_F(VideoPlayerTest, PlaysTheIntroToItsEndWithItsPicturesInTheMainWindow)
{
    fs::copy_file(m_intro, m_dir / "intro.wmv");
    TestSupport::ScopedCwd cwd(m_dir.path());
    VideoPlayResult result;
    const auto start = std::chrono::steady_clock::now();
    {
        PictureWatch watch;
        VideoPlayer player(L"intro.wmv");
        result = player.play();
        EXPECT_GT(watch.pictures(), 10u); // 80 in the clip, polled on the way (fewer on a loaded machine)
        EXPECT_TRUE(watch.sawField());
        EXPECT_TRUE(watch.sawLight());
    }
    const double seconds = secondsSince(start);
    EXPECT_FALSE(result.quitRequested);
    EXPECT_EQ(result.result, S_OK);
    EXPECT_TRUE(result.completed);
    EXPECT_GT(seconds, 3.0); // the whole clip, at its own pace
    EXPECT_TRUE(IsWindowVisible(m_window));
}

TEST_F(VideoPlayerTest, EscapeSkipsTheRestOfTheClip)
{
    fs::copy_file(m_intro, m_dir / "intro.wmv");
    TestSupport::ScopedCwd cwd(m_dir.path());
    // Held down, and tapped so briefly that it is up again when the player looks.
    for (TIMERPROC press : {pressEscape, tapEscape}) {
        ASSERT_NE(SetTimer(m_window, kTimerId, 400, press), 0u);
        const auto start = std::chrono::steady_clock::now();
        VideoPlayer player(L"intro.wmv");
        const VideoPlayResult result = player.play();
        EXPECT_FALSE(result.quitRequested);
        EXPECT_TRUE(SUCCEEDED(result.result));
        EXPECT_FALSE(result.completed); // ended by the key, before the clip's end
        EXPECT_GT(secondsSince(start), 0.35);
        PlatformInjectKey(m_window, kScancodeEscape, false);
    }
}

TEST_F(VideoPlayerTest, WorkWhilePlayingRunsOnceTheClipRunsAndAnEscapeMeanwhileStillEndsIt)
{
    fs::copy_file(m_intro, m_dir / "intro.wmv");
    TestSupport::ScopedCwd cwd(m_dir.path());
    int runs = 0;
    {
        PictureWatch watch;
        VideoPlayer player(L"intro.wmv");
        player.setWhilePlaying([&] {
            ++runs;
            // Pressed while the work holds the thread, once the clip shows (a busy machine may
            // take long to decode the first picture): the player's first look finds it.
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (watch.pictures() == 0 && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            PlatformInjectKey(m_window, kScancodeEscape, true);
            PlatformInjectKey(m_window, kScancodeEscape, false);
        });
        const VideoPlayResult result = player.play();
        EXPECT_FALSE(result.quitRequested);
        EXPECT_TRUE(SUCCEEDED(result.result));
        EXPECT_FALSE(result.completed);
        EXPECT_GT(watch.pictures(), 0u); // the clip went on meanwhile
    }
    EXPECT_EQ(runs, 1);

    // A clip that does not start runs no work.
    fs::remove(m_dir / "intro.wmv");
    VideoPlayer missing(L"intro.wmv");
    missing.setWhilePlaying([&] { ++runs; });
    EXPECT_TRUE(FAILED(missing.play().result));
    EXPECT_EQ(runs, 1);
}

TEST_F(VideoPlayerTest, AQuitMessageDuringTheClipIsReportedAndEndsItAtOnce)
{
    fs::copy_file(m_intro, m_dir / "intro.wmv");
    TestSupport::ScopedCwd cwd(m_dir.path());
    quitAfter(400);
    VideoPlayer player(L"intro.wmv");
    const VideoPlayResult result = player.play();
    EXPECT_TRUE(result.quitRequested);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(UlvoEngine::getInstance()->getExitCode(), 0u);
}

TEST_F(VideoPlayerTest, AMissingClipIsSkipped)
{
    TestSupport::ScopedCwd cwd(m_dir.path());
    VideoPlayer player(L"intro.wmv");
    const VideoPlayResult result = player.play();
    EXPECT_FALSE(result.quitRequested);
    EXPECT_TRUE(FAILED(result.result));
    EXPECT_FALSE(result.completed);
}

TEST_F(VideoPlayerTest, ACutOffOrBrokenClipEndsOnItsErrorInsteadOfPlayingForever)
{
    const std::vector<uint8_t> whole = TestSupport::readBytes(m_intro);
    TestSupport::ScopedCwd cwd(m_dir.path());
    TestSupport::writeBytes(
        m_dir / "intro.wmv",
        std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 3)));
    TestSupport::writeText(m_dir / "text.wmv", "no video\n");
    quitAfter(30000); // only a hang meets it
    VideoPlayer cut(L"intro.wmv");
    const VideoPlayResult result = cut.play();
    EXPECT_FALSE(result.quitRequested); // it ended by itself
    EXPECT_TRUE(FAILED(result.result));

    VideoPlayer text(L"text.wmv");
    const VideoPlayResult unreadable = text.play();
    EXPECT_FALSE(unreadable.quitRequested);
    EXPECT_EQ(unreadable.result, VFW_E_INVALID_FILE_FORMAT);
    // A second play builds a new graph.
    const VideoPlayResult again = cut.play();
    EXPECT_FALSE(again.quitRequested);
    EXPECT_TRUE(FAILED(again.result));
}

} // namespace
