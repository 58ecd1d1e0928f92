// The intro video's DirectShow graph on FFmpeg: building it, playing clips into a window of
// this layer at the clip's pace, its events, the video window, and damaged or missing files.
#include <dshow.h>
#include <windows.h>
#include <xact3.h>

#include <platform_app.h>
#include <platform_test.h>

#include "WindowTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using TestSupport::TempDir;

namespace {

// Writes a wmv2/wmav2 clip from FFmpeg's generated sources; either source may be empty.
// False when the ffmpeg program is missing or fails.
inline bool makeClip(const std::filesystem::path& file, const std::string& video, const std::string& audio)
{
    std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y";
    if (!video.empty())
        command += " -f lavfi -i \"" + video + "\"";
    if (!audio.empty())
        command += " -f lavfi -i \"" + audio + "\"";
    if (!video.empty())
        command += " -c:v wmv2";
    if (!audio.empty())
        command += " -c:a wmav2";
    command += " -f asf \"" + file.string() + "\" >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(file);
}

// Red over green halves, 64x48 at 25 pictures a second, with a tone unless `silent`.
inline bool makeTwoColourClip(const std::filesystem::path& file, double seconds, bool silent = false)
{
    const std::string length = std::to_string(seconds);
    return makeClip(file, "color=c=0xFF0000:s=64x48:r=25:d=" + length + ",drawbox=y=24:w=64:h=24:color=0x00FF00:t=fill",
                    silent ? "" : "sine=f=440:d=" + length);
}

// A clip far longer than any wait of these tests: a stop that waited for the clip's end
// would outlast kHang, which no prompt stop comes near however busy the machine.
constexpr double kLongClipSeconds = 60.0;
constexpr double kHang = 30.0;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Rgb {
    int r, g, b;
};

inline Rgb rgbOf(uint32_t pixel)
{
    return Rgb{static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
               static_cast<int>(pixel & 0xFF)};
}

// The pixel at x, y of the last captured picture is within `tolerance` of the colour.
inline bool capturedNear(int x, int y, Rgb want, int tolerance, std::string* seen = nullptr)
{
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    PlatformLastVideoFrame(pixels, width, height);
    if (x < 0 || y < 0 || x >= width || y >= height)
        return false;
    Rgb got = rgbOf(pixels[static_cast<size_t>(y) * width + x]);
    if (seen)
        *seen = std::to_string(got.r) + "," + std::to_string(got.g) + "," + std::to_string(got.b);
    return std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
           std::abs(got.b - want.b) <= tolerance;
}

// Whether FFmpeg's demuxer library is mapped into this process now.
inline bool ffmpegLoaded()
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("libavformat.so") != std::string::npos)
            return true;
    }
    return false;
}

// A graph with every interface the intro video uses, on a visible window of 160x120 client
// pixels; pictures reaching the window are captured.
class DShowFixture : public WindowTesting::WindowFixture {
protected:
    void SetUp() override
    {
        WindowTesting::WindowFixture::SetUp();
        RECT outer{0, 0, 160, 120};
        AdjustWindowRectEx(&outer, WindowTesting::kWindowedStyle, FALSE, 0);
        m_window = create(WindowTesting::kWindowedStyle, 10, 10, outer.right - outer.left, outer.bottom - outer.top);
        ASSERT_NE(m_window, nullptr);
        RECT client{};
        GetClientRect(m_window, &client);
        ASSERT_EQ(client.right, 160);
        ASSERT_EQ(client.bottom, 120);
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&m_graph)),
                  S_OK);
        ASSERT_EQ(m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control)), S_OK);
        ASSERT_EQ(m_graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_events)), S_OK);
        ASSERT_EQ(m_graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&m_video)), S_OK);
        PlatformCaptureVideoFrames(true);
    }

    void TearDown() override
    {
        PlatformCaptureVideoFrames(false);
        for (IUnknown* object : std::vector<IUnknown*>{m_video, m_events, m_control, m_graph}) {
            if (object)
                object->Release();
        }
        WindowTesting::WindowFixture::TearDown();
    }

    // Lets go of the graph and its interfaces at once; the graph's own count is returned.
    ULONG releaseGraph()
    {
        m_video->Release();
        m_events->Release();
        m_control->Release();
        const ULONG left = m_graph->Release();
        m_video = nullptr;
        m_events = nullptr;
        m_control = nullptr;
        m_graph = nullptr;
        return left;
    }

    // The owner is the whole window, as the intro video sets it up.
    void attach()
    {
        ASSERT_EQ(m_video->put_Owner(reinterpret_cast<OAHWND>(m_window)), S_OK);
        ASSERT_EQ(m_video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN), S_OK);
        ASSERT_EQ(m_video->SetWindowPosition(0, 0, 160, 120), S_OK);
    }

    // The next event within the time, or 0.
    LONG nextEvent(LONG milliseconds, LONG_PTR* param1 = nullptr)
    {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (m_events->GetEvent(&code, &p1, &p2, milliseconds) != S_OK)
            return 0;
        m_events->FreeEventParams(code, p1, p2);
        if (param1)
            *param1 = p1;
        return code;
    }

    TempDir m_dir;
    HWND m_window = nullptr;
    IGraphBuilder* m_graph = nullptr;
    IMediaControl* m_control = nullptr;
    IMediaEventEx* m_events = nullptr;
    IVideoWindow* m_video = nullptr;
};

TEST(DShowGraph, CreatesOnlyTheFilterGraphAndHandsOutEveryInterfaceOfOneObject)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(IID_IBasicAudio, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    int outer = 0; // never called: aggregation is refused before
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, reinterpret_cast<IUnknown*>(&outer), CLSCTX_INPROC_SERVER,
                               IID_IGraphBuilder, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, nullptr),
              E_POINTER);

    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    IUnknown* identity = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    for (const IID* iid : {&IID_IMediaControl, &IID_IMediaEvent, &IID_IMediaEventEx, &IID_IMediaSeeking,
                           &IID_IVideoWindow, &IID_IBasicVideo, &IID_IBasicAudio}) {
        IUnknown* part = nullptr;
        ASSERT_EQ(graph->QueryInterface(*iid, reinterpret_cast<void**>(&part)), S_OK);
        IUnknown* back = nullptr;
        ASSERT_EQ(part->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
        EXPECT_EQ(back, identity); // one object behind them all
        back->Release();
        part->Release();
    }
    void* none = reinterpret_cast<void*>(1);
    const IID unknown = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(graph->QueryInterface(unknown, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    identity->Release();
    EXPECT_EQ(graph->Release(), 0u);
}

TEST_F(DShowFixture, RenderFileReportsMissingDamagedAndSecondFiles)
{
    EXPECT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/nothing.wmv").c_str(), nullptr),
              VFW_E_FILE_NOT_FOUND_WIN32);
    TestSupport::writeText(m_dir / "text.wmv", "this is no video at all\n");
    EXPECT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/text.wmv").c_str(), nullptr), VFW_E_INVALID_FILE_FORMAT);
    // Nothing to run, and no event waits.
    EXPECT_EQ(m_control->Run(), VFW_E_NOT_CONNECTED);
    LONG code = -1;
    LONG_PTR p1 = -1, p2 = -1;
    EXPECT_EQ(m_events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    EXPECT_EQ(m_events->GetEvent(nullptr, &p1, &p2, 0), E_POINTER);

    fs::create_directories(m_dir / "clips");
    if (!makeTwoColourClip(m_dir / "clips" / "Red.wmv", 0.4, true))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    // Windows paths: backslashes and any case of the names.
    TestSupport::ScopedCwd cwd(m_dir.path());
    EXPECT_EQ(m_graph->RenderFile(L"CLIPS\\red.WMV", L"list"), E_INVALIDARG);
    ASSERT_EQ(m_graph->RenderFile(L"CLIPS\\red.WMV", nullptr), S_OK);
    EXPECT_EQ(m_graph->RenderFile(L"CLIPS\\red.WMV", nullptr), VFW_E_WRONG_STATE);

    IBasicVideo* video = nullptr;
    ASSERT_EQ(m_graph->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&video)), S_OK);
    LONG width = 0, height = 0;
    EXPECT_EQ(video->GetVideoSize(&width, &height), S_OK);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    REFTIME perFrame = 0;
    EXPECT_EQ(video->get_AvgTimePerFrame(&perFrame), S_OK);
    EXPECT_NEAR(perFrame, 0.04, 1e-6);
    video->Release();
    // Without sound the whole clip is the pictures'.
    IMediaSeeking* seeking = nullptr;
    ASSERT_EQ(m_graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking)), S_OK);
    LONGLONG duration = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_NEAR(static_cast<double>(duration) / 1e7, 0.4, 0.15);
    seeking->Release();
}

TEST_F(DShowFixture, PlaysTheClipIntoTheWindowTheRightWayUpAtItsOwnPace)
{
    if (!makeTwoColourClip(m_dir / "two.wmv", 1.0))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/two.wmv").c_str(), nullptr), S_OK);
    attach();
    OAFilterState state = -1;
    EXPECT_EQ(m_control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    LONG code = 0;
    EXPECT_EQ(m_events->WaitForCompletion(0, &code), VFW_E_WRONG_STATE);

    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(m_control->Run(), S_OK);
    EXPECT_EQ(m_control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    ASSERT_EQ(m_events->WaitForCompletion(30000, &code), S_OK);
    const double seconds = secondsSince(start);
    EXPECT_EQ(code, EC_COMPLETE);
    // The clip's second, not as fast as it decodes (and slower on a loaded machine).
    EXPECT_GT(seconds, 0.85);
    LONG_PTR result = -1;
    EXPECT_EQ(nextEvent(0, &result), EC_COMPLETE);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(nextEvent(0), 0);

    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    const unsigned pictures = PlatformLastVideoFrame(pixels, width, height);
    EXPECT_GE(pictures, 20u); // 25 in the clip; none lost to the window
    ASSERT_EQ(width, 160);
    ASSERT_EQ(height, 120);
    std::string seen;
    // The clip's top half is red, its bottom half green, stretched over the whole window.
    EXPECT_TRUE(capturedNear(80, 20, Rgb{255, 0, 0}, 40, &seen)) << seen;
    EXPECT_TRUE(capturedNear(80, 100, Rgb{0, 255, 0}, 40, &seen)) << seen;
    EXPECT_TRUE(capturedNear(2, 2, Rgb{255, 0, 0}, 40, &seen)) << seen;
    EXPECT_TRUE(capturedNear(157, 117, Rgb{0, 255, 0}, 40, &seen)) << seen;

    IMediaSeeking* seeking = nullptr;
    ASSERT_EQ(m_graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking)), S_OK);
    LONGLONG position = 0;
    EXPECT_EQ(seeking->GetCurrentPosition(&position), S_OK);
    EXPECT_NEAR(static_cast<double>(position) / 1e7, 0.96, 0.05); // the last picture's time
    seeking->Release();
    EXPECT_EQ(m_control->Stop(), S_OK);
    EXPECT_EQ(m_control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST_F(DShowFixture, PicturesReadiedAheadAreTakenOverAndDrawnAsWithout)
{
    if (!makeTwoColourClip(m_dir / "two.wmv", 0.5, true))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    // One readied and let go without a clip, then one that the clip takes over.
    PlatformPrepareVideoPictures(m_window);
    PlatformLetGoOfVideoLibraries();
    PlatformPrepareVideoPictures(m_window);
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/two.wmv").c_str(), nullptr), S_OK);
    ASSERT_EQ(m_video->put_Owner(reinterpret_cast<OAHWND>(m_window)), S_OK);
    ASSERT_EQ(m_video->SetWindowPosition(40, 30, 80, 60), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    LONG code = 0;
    ASSERT_EQ(m_events->WaitForCompletion(30000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    // The clip's pictures alone: the readying drew nothing that was shown or captured.
    const unsigned pictures = PlatformLastVideoFrame(pixels, width, height);
    EXPECT_GE(pictures, 8u);
    EXPECT_LE(pictures, 13u);
    ASSERT_EQ(width, 160);
    ASSERT_EQ(height, 120);
    std::string seen;
    EXPECT_TRUE(capturedNear(10, 10, Rgb{0, 0, 0}, 8, &seen)) << seen;
    EXPECT_TRUE(capturedNear(80, 40, Rgb{255, 0, 0}, 40, &seen)) << seen;
    EXPECT_TRUE(capturedNear(80, 80, Rgb{0, 255, 0}, 40, &seen)) << seen;
    EXPECT_TRUE(capturedNear(38, 60, Rgb{0, 0, 0}, 8, &seen)) << seen;
    EXPECT_EQ(m_control->Stop(), S_OK);
    PlatformLetGoOfVideoLibraries();
}

TEST_F(DShowFixture, ThePictureKeepsToItsPlaceAndHidesOnRequest)
{
    if (!makeTwoColourClip(m_dir / "two.wmv", 0.5, true))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/two.wmv").c_str(), nullptr), S_OK);
    ASSERT_EQ(m_video->put_Owner(reinterpret_cast<OAHWND>(m_window)), S_OK);
    // Before any placement the picture has its own size at the top left.
    LONG left = -1, top = -1, width = -1, height = -1;
    EXPECT_EQ(m_video->GetWindowPosition(&left, &top, &width, &height), S_OK);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    EXPECT_EQ(m_video->SetWindowPosition(40, 30, 80, 60), S_OK);
    EXPECT_EQ(m_video->SetWindowPosition(0, 0, -1, 10), E_INVALIDARG);
    ASSERT_EQ(m_control->Run(), S_OK);
    LONG code = 0;
    ASSERT_EQ(m_events->WaitForCompletion(30000, &code), S_OK);
    std::string seen;
    EXPECT_TRUE(capturedNear(10, 10, Rgb{0, 0, 0}, 8, &seen)) << seen; // outside: black
    EXPECT_TRUE(capturedNear(150, 110, Rgb{0, 0, 0}, 8, &seen)) << seen;
    EXPECT_TRUE(capturedNear(80, 40, Rgb{255, 0, 0}, 40, &seen)) << seen; // top half of the place
    EXPECT_TRUE(capturedNear(80, 80, Rgb{0, 255, 0}, 40, &seen)) << seen;
    EXPECT_TRUE(capturedNear(38, 60, Rgb{0, 0, 0}, 8, &seen)) << seen; // just left of it

    // Hidden, or without an owner, nothing is drawn, but the clip still runs to its end.
    IGraphBuilder* second = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&second)),
              S_OK);
    IVideoWindow* window = nullptr;
    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;
    ASSERT_EQ(second->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&window)), S_OK);
    ASSERT_EQ(second->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    ASSERT_EQ(second->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events)), S_OK);
    ASSERT_EQ(second->RenderFile((m_dir.path().wstring() + L"/two.wmv").c_str(), nullptr), S_OK);
    ASSERT_EQ(window->put_Owner(reinterpret_cast<OAHWND>(m_window)), S_OK);
    ASSERT_EQ(window->put_Visible(OAFALSE), S_OK);
    LONG visible = OATRUE;
    EXPECT_EQ(window->get_Visible(&visible), S_OK);
    EXPECT_EQ(visible, OAFALSE);
    PlatformCaptureVideoFrames(true);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_EQ(events->WaitForCompletion(30000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    EXPECT_EQ(PlatformLastVideoFrame(pixels, w, h), 0u);
    events->Release();
    control->Release();
    window->Release();
    EXPECT_EQ(second->Release(), 0u);
}

TEST_F(DShowFixture, PauseHoldsTheClockAndStopEndsTheStreamingAtOnce)
{
    if (!makeTwoColourClip(m_dir / "two.wmv", kLongClipSeconds))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/two.wmv").c_str(), nullptr), S_OK);
    attach();
    IMediaSeeking* seeking = nullptr;
    ASSERT_EQ(m_graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking)), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    // Wait for the stream to reach 0.2 s rather than for a fixed time: on a loaded machine
    // the decoder may start late.
    LONGLONG running = 0;
    const auto runStart = std::chrono::steady_clock::now();
    while (running < 2000000 && std::chrono::steady_clock::now() - runStart < std::chrono::seconds(20)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_EQ(seeking->GetCurrentPosition(&running), S_OK);
    }
    ASSERT_EQ(m_control->Pause(), S_OK);
    OAFilterState state = -1;
    EXPECT_EQ(m_control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    LONGLONG paused = 0;
    EXPECT_EQ(seeking->GetCurrentPosition(&paused), S_OK);
    EXPECT_GE(paused, 2000000);                                       // 0.2 s
    EXPECT_LT(paused, static_cast<LONGLONG>(kLongClipSeconds * 1e7)); // before the clip's end
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    LONGLONG later = 0;
    EXPECT_EQ(seeking->GetCurrentPosition(&later), S_OK);
    EXPECT_EQ(later, paused);
    EXPECT_EQ(nextEvent(0), 0);

    ASSERT_EQ(m_control->Run(), S_OK);
    const auto resumeStart = std::chrono::steady_clock::now();
    while (later == paused && std::chrono::steady_clock::now() - resumeStart < std::chrono::seconds(20)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_EQ(seeking->GetCurrentPosition(&later), S_OK);
    }
    EXPECT_GT(later, paused);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_control->Stop(), S_OK);
    EXPECT_LT(secondsSince(start), kHang); // not waiting for the clip's end
    EXPECT_EQ(m_control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(nextEvent(300), 0); // stopped early: no completion
    seeking->Release();
}

TEST_F(DShowFixture, ReleasingARunningGraphStopsIt)
{
    if (!makeTwoColourClip(m_dir / "two.wmv", kLongClipSeconds))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/two.wmv").c_str(), nullptr), S_OK);
    attach();
    ASSERT_EQ(m_control->Run(), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // FFmpeg is in memory while a clip is open, and only then.
    EXPECT_TRUE(ffmpegLoaded());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(releaseGraph(), 0u);
    EXPECT_LT(secondsSince(start), kHang); // not waiting for the clip's end
    EXPECT_FALSE(ffmpegLoaded());
    // The window's own procedure is back in place.
    EXPECT_EQ(GetWindowLongPtrW(m_window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&WindowTesting::recordingProc));
}

// Opened ahead of the clip, FFmpeg serves it and stays until let go; let go unused, it goes too.
TEST_F(DShowFixture, VideoLibrariesOpenedAheadServeTheClipAndGoWhenLetGo)
{
    if (!makeTwoColourClip(m_dir / "two.wmv", 0.4))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    PlatformOpenVideoLibrariesAhead();
    PlatformOpenVideoLibrariesAhead(); // already opening: nothing more
    PlatformWaitForVideoLibraries();
    EXPECT_TRUE(ffmpegLoaded());
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/two.wmv").c_str(), nullptr), S_OK);
    attach();
    ASSERT_EQ(m_control->Run(), S_OK);
    // A busy machine decodes the clip slowly: the bound only catches a clip that never ends.
    LONG code = 0;
    TestSupport::waitPatiently(
        std::chrono::seconds(30), [&] { return (code = nextEvent(100)) == EC_COMPLETE; }, std::chrono::milliseconds(0));
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(releaseGraph(), 0u);
    EXPECT_TRUE(ffmpegLoaded());     // still held
    PlatformLetGoOfVideoLibraries(); // closes them beside
    PlatformLetGoOfVideoLibraries(); // waits for that
    EXPECT_FALSE(ffmpegLoaded());

    PlatformOpenVideoLibrariesAhead();
    PlatformLetGoOfVideoLibraries();
    PlatformLetGoOfVideoLibraries();
    EXPECT_FALSE(ffmpegLoaded());
}

TEST_F(DShowFixture, ClosingTheOwnerDuringTheClipIsAUserAbortAndLeavesTheWindowItsProcedure)
{
    if (!makeTwoColourClip(m_dir / "two.wmv", 3.0))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/two.wmv").c_str(), nullptr), S_OK);
    attach();
    ASSERT_EQ(m_control->Run(), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    WindowTesting::recorder().messages.clear();
    ASSERT_TRUE(DestroyWindow(m_window));
    // The window's own procedure still saw its destruction.
    EXPECT_EQ(received(WM_DESTROY).size(), 1u);
    LONG code = 0;
    EXPECT_EQ(m_events->WaitForCompletion(10000, &code), S_OK);
    EXPECT_EQ(code, EC_USERABORT);
    EXPECT_EQ(nextEvent(0), EC_USERABORT);
    OAHWND owner = 1;
    EXPECT_EQ(m_video->get_Owner(&owner), S_OK);
    EXPECT_EQ(owner, 0);
    // The streaming goes on without a window until it is stopped.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(m_control->Stop(), S_OK);
}

TEST_F(DShowFixture, NotifiesTheWindowOfEachEvent)
{
    if (!makeTwoColourClip(m_dir / "two.wmv", 0.3, true))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    constexpr UINT kGraphMessage = WM_APP + 7;
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/two.wmv").c_str(), nullptr), S_OK);
    EXPECT_EQ(m_events->SetNotifyWindow(reinterpret_cast<OAHWND>(reinterpret_cast<HWND>(0x1234)), kGraphMessage, 0),
              E_INVALIDARG);
    ASSERT_EQ(m_events->SetNotifyWindow(reinterpret_cast<OAHWND>(m_window), kGraphMessage, 99), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    LONG code = 0;
    ASSERT_EQ(m_events->WaitForCompletion(30000, &code), S_OK);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, m_window, kGraphMessage, kGraphMessage, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.lParam, 99);
    EXPECT_EQ(nextEvent(0), EC_COMPLETE);
}

TEST_F(DShowFixture, SoundOnlyClipsPlayAndTheVolumeStaysInItsRange)
{
    if (!makeClip(m_dir / "tone.wmv", "", "sine=f=330:d=0.6"))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/tone.wmv").c_str(), nullptr), S_OK);
    IBasicAudio* audio = nullptr;
    IBasicVideo* video = nullptr;
    ASSERT_EQ(m_graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)), S_OK);
    ASSERT_EQ(m_graph->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&video)), S_OK);
    LONG width = 0, height = 0;
    EXPECT_EQ(video->GetVideoSize(&width, &height), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(audio->put_Volume(1), E_INVALIDARG);
    EXPECT_EQ(audio->put_Volume(-10001), E_INVALIDARG);
    EXPECT_EQ(audio->put_Volume(-600), S_OK);
    LONG volume = 0;
    EXPECT_EQ(audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, -600);
    attach();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(m_control->Run(), S_OK);
    LONG code = 0;
    ASSERT_EQ(m_events->WaitForCompletion(30000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    // Played at its pace (or, with no audio device at all, by the clock alone).
    EXPECT_GT(secondsSince(start), 0.4);
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    EXPECT_EQ(PlatformLastVideoFrame(pixels, w, h), 0u);
    video->Release();
    audio->Release();
}

TEST_F(DShowFixture, AReleasedClipsSoundClosesBesideAndTheNextSoundOutputOpensAfterIt)
{
    if (!makeClip(m_dir / "tone.wmv", "", "sine=f=330:d=3"))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/tone.wmv").c_str(), nullptr), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(releaseGraph(), 0u);
    // At once, while the clip's output may still drain: the dummy driver has room for one output
    // only, so the engine's, opened too early, would fail.
    IXACT3Engine* engine = nullptr;
    ASSERT_EQ(XACT3CreateEngine(0, &engine), S_OK);
    XACT_RUNTIME_PARAMETERS params{};
    EXPECT_EQ(engine->Initialize(&params), S_OK);
    engine->ShutDown();
    engine->Release();
}

TEST_F(DShowFixture, WithoutAnAudioDeviceTheClipPlaysSilentlyAtItsPace)
{
    if (!makeClip(m_dir / "tone.wmv", "", "sine=f=330:d=0.8"))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    // No such driver: the sound has nowhere to go.
    const char* before = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = before ? before : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const HRESULT built = m_graph->RenderFile((m_dir.path().wstring() + L"/tone.wmv").c_str(), nullptr);
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    ASSERT_EQ(built, S_OK);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(m_control->Run(), S_OK);
    LONG code = 0;
    ASSERT_EQ(m_events->WaitForCompletion(30000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_GT(secondsSince(start), 0.7);
}

TEST_F(DShowFixture, DamagedClipsEndWithAnErrorInsteadOfRunningOn)
{
    if (!makeTwoColourClip(m_dir / "two.wmv", 2.0))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    const std::vector<uint8_t> whole = TestSupport::readBytes(m_dir / "two.wmv");
    // Cut in the middle: plays what is there, then reports the missing rest.
    TestSupport::writeBytes(m_dir / "cut.wmv", std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() / 2));
    ASSERT_EQ(m_graph->RenderFile((m_dir.path().wstring() + L"/cut.wmv").c_str(), nullptr), S_OK);
    attach();
    ASSERT_EQ(m_control->Run(), S_OK);
    LONG code = 0;
    ASSERT_EQ(m_events->WaitForCompletion(30000, &code), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    LONG_PTR result = 0;
    EXPECT_EQ(nextEvent(0, &result), EC_ERRORABORT);
    EXPECT_TRUE(FAILED(static_cast<HRESULT>(result)));
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    EXPECT_GT(PlatformLastVideoFrame(pixels, w, h), 5u); // the part before the cut was shown
}

TEST(DShowDamage, NoDamagedFileHangsOrCrashesTheGraph)
{
    TempDir dir;
    if (!makeTwoColourClip(dir / "two.wmv", 1.0))
        GTEST_SKIP() << "the ffmpeg program is needed to make clips";
    const std::vector<uint8_t> whole = TestSupport::readBytes(dir / "two.wmv");
    std::vector<std::vector<uint8_t>> damaged;
    for (size_t cut : {size_t{16}, size_t{600}, size_t{3000}, whole.size() / 3, whole.size() - 100})
        damaged.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(std::min(cut, whole.size())));
    // Noise over the packets after the header.
    uint32_t seed = 12345;
    for (size_t start : {size_t{6000}, whole.size() / 2}) {
        std::vector<uint8_t> noisy = whole;
        for (size_t i = start; i < noisy.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            noisy[i] = static_cast<uint8_t>(seed >> 24);
        }
        damaged.push_back(noisy);
    }
    for (size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE("damaged clip " + std::to_string(i));
        const fs::path file = dir / ("damaged" + std::to_string(i) + ".wmv");
        TestSupport::writeBytes(file, damaged[i]);
        IGraphBuilder* graph = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graph)),
                  S_OK);
        IMediaControl* control = nullptr;
        IMediaEvent* events = nullptr;
        ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
        ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events)), S_OK);
        const HRESULT built = graph->RenderFile(file.wstring().c_str(), nullptr);
        if (SUCCEEDED(built)) {
            ASSERT_EQ(control->Run(), S_OK);
            LONG code = 0;
            EXPECT_EQ(events->WaitForCompletion(30000, &code), S_OK);
            EXPECT_TRUE(code == EC_COMPLETE || code == EC_ERRORABORT) << code;
            EXPECT_EQ(control->Stop(), S_OK);
        } else {
            EXPECT_TRUE(built == VFW_E_INVALID_FILE_FORMAT || built == VFW_E_UNSUPPORTED_STREAM) << std::hex << built;
        }
        events->Release();
        control->Release();
        EXPECT_EQ(graph->Release(), 0u);
    }
}

} // namespace
