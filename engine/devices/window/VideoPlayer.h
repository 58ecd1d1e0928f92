#pragma once
// The intro video over the whole main window, played through a DirectShow filter graph
// before the Direct3D device exists. It pumps the window's messages while the clip runs and
// tells whether the user asked to quit meanwhile.
#include <dshow.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace Ulvo {

class MainLoopSignals;

struct VideoPlayResult {
    bool quitRequested = false;
    // The first failing DirectShow result (a call that failed, or the error that ended the
    // clip), else the last call's.
    HRESULT result = S_OK;
    // The clip played to its end (not cut short by Escape, a quit or an error).
    bool completed = false;
};

class VideoPlayer {
public:
    explicit VideoPlayer(const std::wstring& fileName);
    ~VideoPlayer();
    VideoPlayer(const VideoPlayer&) = delete;
    VideoPlayer& operator=(const VideoPlayer&) = delete;

    // Plays the clip to its end, an error, Escape or a quit message. Every interface is
    // released before it returns.
    VideoPlayResult play();
    // Work for the calling thread while the clip plays (which leaves that thread waiting): run
    // once, when the clip has started; not at all when it does not start.
    void setWhilePlaying(std::function<void()> work) { m_whilePlaying = std::move(work); }

private:
    // One turn of the window's messages; true when the quit message came. escapePressed is set
    // when Escape went down among them, however briefly it was held.
    bool pumpMessages(HWND window, bool& escapePressed);
    void release();

    // The main loop, told to end when a quit message comes during the clip.
    MainLoopSignals* m_loop;
    IGraphBuilder* m_graph = nullptr;
    IMediaControl* m_mediaControl = nullptr;
    IMediaSeeking* m_seeking = nullptr;
    IVideoWindow* m_videoWindow = nullptr;
    IMediaEventEx* m_events = nullptr;
    IBasicVideo* m_basicVideo = nullptr;
    IBasicAudio* m_basicAudio = nullptr;
    uint32_t m_playing = 1;
    std::wstring m_fileName;
    std::function<void()> m_whilePlaying;
};

} // namespace Ulvo
