#pragma once
// The filter graph: one object behind every DirectShow interface of the layer. RenderFile
// opens the file on the caller's thread; Run starts a streaming thread that decodes a few
// pictures ahead, shows each when the clip's clock reaches it and queues the sound.
#include <dshow.h>

#include "dshow/AudioOutput.h"
#include "dshow/FilterGraphFactory.h"
#include "dshow/MediaSource.h"
#include "dshow/VideoPresenter.h"
#include "common/ComObject.h"

#include <atomic>
#include <condition_variable>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace DShowInternal {

// IUnknown comes from ComObject, one implementation for every interface.
class FilterGraph final : public PlatformInternal::ComObject<IGraphBuilder, IMediaControl, IMediaEventEx, IMediaSeeking,
                                                             IVideoWindow, IBasicVideo, IBasicAudio> {
public:
    FilterGraph() = default;

    // IGraphBuilder
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG msTimeout, OAFilterState* state) override;

    // IMediaEvent, IMediaEventEx
    HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
    HRESULT WaitForCompletion(LONG msTimeout, LONG* code) override;
    HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;

    // IMediaSeeking
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetCurrentPosition(LONGLONG* current) override;

    // IVideoWindow
    HRESULT put_Owner(OAHWND owner) override;
    HRESULT get_Owner(OAHWND* owner) override;
    HRESULT put_WindowStyle(LONG style) override;
    HRESULT get_WindowStyle(LONG* style) override;
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT put_MessageDrain(OAHWND drain) override;
    HRESULT get_MessageDrain(OAHWND* drain) override;
    HRESULT put_Visible(LONG visible) override;
    HRESULT get_Visible(LONG* visible) override;

    // IBasicVideo
    HRESULT get_AvgTimePerFrame(REFTIME* time) override;
    HRESULT get_SourceWidth(LONG* width) override;
    HRESULT get_SourceHeight(LONG* height) override;
    HRESULT GetVideoSize(LONG* width, LONG* height) override;

    // IBasicAudio
    HRESULT put_Volume(LONG volume) override;
    HRESULT get_Volume(LONG* volume) override;

    // The owner window is being destroyed (its procedure runs on the main thread): nothing
    // is drawn into it any more.
    void ownerDestroyed(HWND window);

private:
    ~FilterGraph() override;
    void* findInterface(REFIID riid) override;

    using Clock = std::chrono::steady_clock;
    struct Event {
        LONG code;
        LONG_PTR param1;
        LONG_PTR param2;
    };
    struct Picture {
        std::vector<uint32_t> pixels;
        double time = 0.0;
    };

    void stream();
    void stopStreaming();
    double streamTime() const; // m_lock held
    void postEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
    void show(const Picture& picture);
    float gain() const;
    void unhookOwner();

    // State, clock and events; the streaming thread waits on m_wake.
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_eventArrived;
    OAFilterState m_state = State_Stopped;
    Clock::time_point m_runStart{};
    double m_clockBase = 0.0; // stream time when the clock last started or stopped
    bool m_stopThread = false;
    std::deque<Event> m_events;
    LONG m_completion = 0; // the ending event's code once posted
    HWND m_notifyWindow = nullptr;
    UINT m_notifyMessage = 0;
    LONG_PTR m_notifyData = 0;
    std::thread m_thread;

    // Decoding belongs to the streaming thread once it runs.
    std::unique_ptr<MediaSource> m_source;
    AudioOutput m_audio;
    VideoPresenter m_presenter;
    std::vector<Picture> m_ahead; // ring of decoded pictures
    size_t m_aheadFirst = 0;
    size_t m_aheadCount = 0;
    bool m_ending = false;
    bool m_finished = false;
    double m_endTime = 0.0;

    // The video window; the streaming thread reads it under this lock while it draws.
    std::mutex m_windowLock;
    HWND m_owner = nullptr;
    HWND m_drain = nullptr;
    LONG m_style = 0;
    RECT m_target{};
    bool m_visible = true;

    std::atomic<LONG> m_volume{0};
    std::atomic<LONGLONG> m_position{0}; // 100-ns units, the picture shown last
};

} // namespace DShowInternal
