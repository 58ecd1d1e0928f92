#include "devices/window/VideoPlayer.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/window/Window.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/app/MainLoopSignals.h"

#include <platform_app.h>

#include <sstream>

namespace Ulvo {

namespace {

// Messages and Escape are looked at once a turn; a turn without events waits this long. Short,
// so that a skip shows at once: a turn costs a few calls that find nothing.
constexpr DWORD kTurnMs = 5;

} // namespace

VideoPlayer::VideoPlayer(const std::wstring& fileName) : m_loop(&MainLoopSignals::getInstance()), m_fileName(fileName)
{
}

VideoPlayer::~VideoPlayer()
{
    release();
}

void VideoPlayer::release()
{
    releaseAndNull(m_mediaControl);
    releaseAndNull(m_graph);
    releaseAndNull(m_seeking);
    releaseAndNull(m_videoWindow);
    releaseAndNull(m_events);
    releaseAndNull(m_basicVideo);
    releaseAndNull(m_basicAudio);
}

VideoPlayResult VideoPlayer::play()
{
    mainLogger().log(10, LOG_TYPE_INFO, L"Ulvo::VideoPlayer::play\n");
    LogIndent<Logger> indent(mainLogger());
    VideoPlayResult result;
    // The main window: the one the device interface creates the device for.
    Window* window = D3DInterface::getInstance()->getMainWindow();
    const HWND handle = window ? window->getHWND() : nullptr;
    const int width = window ? window->getWidth() : 0;
    const int height = window ? window->getHeight() : 0;

    // Each step keeps its result; the first failure ends the play with nothing shown.
    auto failed = [this, &result](const wchar_t* call, HRESULT hr) {
        result.result = hr;
        if (SUCCEEDED(hr))
            return false;
        // The intro is optional: its failures are warnings that carry the code.
        std::wostringstream text;
        text << L"Ulvo::VideoPlayer::play: " << call << L" failed! (0x" << std::hex << static_cast<uint32_t>(hr)
             << L")\n";
        mainLogger().log(50, LOG_TYPE_WARNING, text);
        release();
        return true;
    };
    if (failed(L"CoCreateInstance(CLSID_FilterGraph)",
               CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_graph))))
        return result;
    PlatformStartupMark("intro graph");
    const HRESULT rendered = m_graph->RenderFile(m_fileName.c_str(), nullptr);
    PlatformStartupMark("intro file rendered");
    if (rendered == VFW_E_FILE_NOT_FOUND_WIN32 || rendered == VFW_E_NOT_FOUND) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::VideoPlayer::play: \"" + m_fileName + L"\" not found, the video is skipped\n");
        result.result = rendered;
        release();
        return result;
    }
    if (failed(L"RenderFile", rendered) ||
        failed(L"QueryInterface(IID_IMediaControl)",
               m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_mediaControl))) ||
        failed(L"QueryInterface(IID_IMediaEventEx)",
               m_graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_events))) ||
        failed(L"QueryInterface(IID_IMediaSeeking)",
               m_graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_seeking))) ||
        failed(L"QueryInterface(IID_IVideoWindow)",
               m_graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&m_videoWindow))) ||
        failed(L"QueryInterface(IID_IBasicVideo)",
               m_graph->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&m_basicVideo))) ||
        failed(L"QueryInterface(IID_IBasicAudio)",
               m_graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&m_basicAudio))) ||
        failed(L"put_Owner", m_videoWindow->put_Owner(reinterpret_cast<OAHWND>(handle))) ||
        failed(L"put_WindowStyle", m_videoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)) ||
        failed(L"SetWindowPosition", m_videoWindow->SetWindowPosition(0, 0, width, height)))
        return result;

    ShowCursor(FALSE);
    ShowWindow(handle, SW_SHOW);
    UpdateWindow(handle);
    SetForegroundWindow(handle);
    SetFocus(handle);

    if (failed(L"IMediaControl::Run", m_mediaControl->Run()))
        return result;
    m_playing = 1;
    PlatformStartupMark("intro running");
    // The clip runs on its own thread: the caller's work for this one runs now, before the
    // first look at the messages, so an Escape pressed meanwhile still ends the clip.
    if (m_whilePlaying) {
        m_whilePlaying();
        m_whilePlaying = nullptr;
    }

    while (m_playing) {
        LONG code = 0;
        LONG_PTR param1 = 0, param2 = 0;
        if (m_events->GetEvent(&code, &param1, &param2, 0) == E_ABORT) {
            Sleep(kTurnMs);
        } else {
            m_events->FreeEventParams(code, param1, param2);
            if (code == EC_COMPLETE) {
                result.completed = true;
                m_playing = 0;
            } else if (code == EC_ERRORABORT || code == EC_USERABORT) {
                // A broken stream or a closed picture never completes: the clip ends here.
                std::wostringstream text;
                text << L"Ulvo::VideoPlayer::play: the video ended early (event " << code << L", 0x" << std::hex
                     << static_cast<uint32_t>(param1) << L")\n";
                mainLogger().log(50, LOG_TYPE_WARNING, text);
                if (code == EC_ERRORABORT && FAILED(static_cast<HRESULT>(param1)))
                    result.result = static_cast<HRESULT>(param1);
                m_playing = 0;
            } else {
                Sleep(kTurnMs);
            }
        }

        bool escapePressed = false;
        if (pumpMessages(handle, escapePressed)) {
            m_loop->exitRequested.emit(0);
            result.quitRequested = true;
            m_mediaControl->Stop();
            m_playing = 0;
        }

        // A press seen among the messages counts as well as a key still held, so a quick tap
        // between two looks is not lost.
        if (escapePressed || (GetAsyncKeyState(VK_ESCAPE) & 0x8000)) {
            if (!m_playing)
                break;
            PlatformStartupMark("intro escape seen");
            m_mediaControl->Stop();
            m_playing = 0;
        }
    }

    const HRESULT stopped = m_mediaControl->Stop();
    if (SUCCEEDED(result.result))
        result.result = stopped;
    release();
    PlatformStartupMark("intro released");
    return result;
}

bool VideoPlayer::pumpMessages(HWND window, bool& escapePressed)
{
    bool quit = false;
    MSG msg{};
    while (PeekMessageW(&msg, window, 0, 0, PM_NOREMOVE)) {
        if (GetMessageW(&msg, window, 0, 0) == 0)
            quit = true;
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
            escapePressed = true;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The quit message belongs to the thread, not to the window, so the filtered pump above
    // never sees it (closing the window destroys it and posts the quit): look for it apart.
    if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        quit = true;
    return quit;
}

} // namespace Ulvo
