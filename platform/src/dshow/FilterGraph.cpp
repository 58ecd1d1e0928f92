#include "dshow/FilterGraph.h"

#include "win32/PathMapping.h"
#include "window/WindowInternal.h"
#include "common/Diagnostics.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace DShowInternal {

namespace {

// Pictures decoded ahead of the clock, and how much sound may wait in the device's queue:
// enough to ride out a slow picture without holding much memory.
constexpr size_t kPicturesAhead = 6;
constexpr double kSoundAhead = 0.5;   // seconds
constexpr double kLongestWait = 0.05; // seconds; state changes wake the thread earlier

// Owner windows whose procedure the graphs have wrapped, so a graph hears of the owner's
// destruction before the window's OpenGL surface goes away.
struct OwnerHook {
    WNDPROC original = nullptr;
    std::vector<FilterGraph*> graphs;
};
std::mutex g_hookLock;
std::map<HWND, OwnerHook> g_hooks;

LRESULT CALLBACK ownerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = nullptr;
    std::vector<FilterGraph*> graphs;
    {
        std::lock_guard<std::mutex> guard(g_hookLock);
        auto it = g_hooks.find(window);
        if (it != g_hooks.end()) {
            original = it->second.original;
            if (message == WM_DESTROY)
                graphs = it->second.graphs;
        }
    }
    for (FilterGraph* graph : graphs)
        graph->ownerDestroyed(window); // unhooks: WM_NCDESTROY already reaches the original
    return original ? original(window, message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

void hook(HWND window, FilterGraph* graph)
{
    std::lock_guard<std::mutex> guard(g_hookLock);
    auto it = g_hooks.find(window);
    if (it == g_hooks.end()) {
        OwnerHook entry;
        entry.original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
        entry.graphs.push_back(graph);
        g_hooks.emplace(window, entry);
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ownerProc));
    } else if (std::find(it->second.graphs.begin(), it->second.graphs.end(), graph) == it->second.graphs.end()) {
        it->second.graphs.push_back(graph);
    }
}

void unhook(HWND window, FilterGraph* graph)
{
    std::lock_guard<std::mutex> guard(g_hookLock);
    auto it = g_hooks.find(window);
    if (it == g_hooks.end())
        return;
    auto& graphs = it->second.graphs;
    graphs.erase(std::remove(graphs.begin(), graphs.end(), graph), graphs.end());
    if (!graphs.empty())
        return;
    // Someone who wrapped the procedure after us keeps our wrapper, which then passes
    // everything on.
    if (IsWindow(window) && GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ownerProc))
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.original));
    else if (IsWindow(window))
        return;
    g_hooks.erase(it);
}

} // namespace

HRESULT createFilterGraph(REFIID riid, void** object)
{
    return PlatformInternal::createObject<FilterGraph>(riid, object);
}

FilterGraph::~FilterGraph()
{
    stopStreaming();
    unhookOwner();
    m_audio.close();
}

void* FilterGraph::findInterface(REFIID riid)
{
    if (riid == IID_IUnknown || riid == IID_IGraphBuilder)
        return static_cast<IGraphBuilder*>(this);
    if (riid == IID_IMediaControl)
        return static_cast<IMediaControl*>(this);
    if (riid == IID_IMediaEventEx || riid == IID_IMediaEvent)
        return static_cast<IMediaEventEx*>(this);
    if (riid == IID_IMediaSeeking)
        return static_cast<IMediaSeeking*>(this);
    if (riid == IID_IVideoWindow)
        return static_cast<IVideoWindow*>(this);
    if (riid == IID_IBasicVideo)
        return static_cast<IBasicVideo*>(this);
    if (riid == IID_IBasicAudio)
        return static_cast<IBasicAudio*>(this);
    return nullptr;
}

// ---- building

HRESULT FilterGraph::RenderFile(LPCWSTR file, LPCWSTR playList)
{
    if (!file)
        return E_POINTER;
    if (playList)
        return E_INVALIDARG;
    if (m_source)
        return VFW_E_WRONG_STATE; // one clip per graph
    auto source = std::make_unique<MediaSource>();
    HRESULT hr = source->open(Win32Internal::mapPath(file));
    if (FAILED(hr))
        return hr;
    if (source->hasAudio() && m_audio.open())
        source->setAudioOutput(m_audio.rate(), m_audio.channels());
    if (source->hasVideo()) {
        m_ahead.resize(kPicturesAhead);
        for (Picture& picture : m_ahead)
            picture.pixels.assign(static_cast<size_t>(source->width()) * static_cast<size_t>(source->height()), 0);
        std::lock_guard<std::mutex> guard(m_windowLock);
        m_target = RECT{0, 0, source->width(), source->height()};
    }
    m_source = std::move(source);
    return S_OK;
}

// ---- control

double FilterGraph::streamTime() const
{
    if (m_state != State_Running)
        return m_clockBase;
    return m_clockBase + std::chrono::duration<double>(Clock::now() - m_runStart).count();
}

HRESULT FilterGraph::Run()
{
    if (!m_source)
        return VFW_E_NOT_CONNECTED;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_state == State_Running)
            return S_OK;
        m_runStart = Clock::now();
        m_state = State_Running;
        m_stopThread = false;
    }
    m_audio.setPaused(false);
    {
        std::lock_guard<std::mutex> guard(m_windowLock);
        if (m_owner)
            VideoPresenter::freeWindowSurface(m_owner);
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this] { stream(); });
    m_wake.notify_all();
    return S_OK;
}

HRESULT FilterGraph::Pause()
{
    if (!m_source)
        return VFW_E_NOT_CONNECTED;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_state == State_Paused)
            return S_OK;
        m_clockBase = streamTime();
        m_state = State_Paused;
        m_stopThread = false;
    }
    m_audio.setPaused(true);
    if (!m_thread.joinable())
        m_thread = std::thread([this] { stream(); });
    m_wake.notify_all();
    return S_OK;
}

HRESULT FilterGraph::Stop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_clockBase = streamTime();
        m_state = State_Stopped;
    }
    stopStreaming();
    // A later Run goes on where the clip stopped; the sound already queued is dropped.
    m_audio.setPaused(true);
    m_audio.clear();
    return S_OK;
}

void FilterGraph::stopStreaming()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopThread = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

HRESULT FilterGraph::GetState(LONG, OAFilterState* state)
{
    if (!state)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(m_lock);
    *state = m_state;
    return S_OK;
}

// ---- streaming thread

void FilterGraph::stream()
{
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_stopThread) {
        if (m_state != State_Running || m_finished) {
            m_wake.wait(lock);
            continue;
        }
        const double now = streamTime();
        if (m_aheadCount > 0 && m_ahead[m_aheadFirst].time <= now + 0.002) {
            lock.unlock();
            show(m_ahead[m_aheadFirst]);
            lock.lock();
            m_aheadFirst = (m_aheadFirst + 1) % m_ahead.size();
            --m_aheadCount;
            continue;
        }
        if (m_ending) {
            if (m_aheadCount == 0 && now >= m_endTime) {
                m_finished = true;
                lock.unlock();
                postEvent(EC_COMPLETE, S_OK, 0);
                lock.lock();
                continue;
            }
            double until = m_aheadCount > 0 ? m_ahead[m_aheadFirst].time : m_endTime;
            m_wake.wait_for(lock, std::chrono::duration<double>(std::clamp(until - now, 0.001, kLongestWait)));
            continue;
        }
        const bool roomForPictures = !m_source->hasVideo() || m_aheadCount < m_ahead.size();
        if (!roomForPictures || m_audio.queuedSeconds() > kSoundAhead) {
            double until = m_aheadCount > 0 ? m_ahead[m_aheadFirst].time : now + kLongestWait;
            m_wake.wait_for(lock, std::chrono::duration<double>(std::clamp(until - now, 0.001, kLongestWait)));
            continue;
        }
        lock.unlock();
        const MediaSource::Unit unit = m_source->decodeNext();
        switch (unit) {
        case MediaSource::Unit::Video: {
            Picture& slot = m_ahead[(m_aheadFirst + m_aheadCount) % m_ahead.size()];
            std::copy(m_source->picture().begin(), m_source->picture().end(), slot.pixels.begin());
            slot.time = m_source->pictureTime();
            lock.lock();
            ++m_aheadCount;
            break;
        }
        case MediaSource::Unit::Audio:
            m_audio.queue(m_source->samples(), gain());
            lock.lock();
            break;
        case MediaSource::Unit::End: {
            double lastPicture = 0.0;
            for (size_t i = 0; i < m_aheadCount; ++i)
                lastPicture = std::max(lastPicture, m_ahead[(m_aheadFirst + i) % m_ahead.size()].time);
            lock.lock();
            m_ending = true;
            // The end comes when the last picture has had its time and the sound is played
            // (by the clock alone when there is no audio device).
            m_endTime = std::max({lastPicture + (m_source->hasVideo() ? m_source->frameDuration() : 0.0),
                                  streamTime() + m_audio.queuedSeconds(), m_source->endTime()});
            break;
        }
        case MediaSource::Unit::Error:
            postEvent(EC_ERRORABORT, m_source->error(), 0);
            lock.lock();
            m_finished = true;
            break;
        }
    }
    lock.unlock();
    m_presenter.release();
}

void FilterGraph::show(const Picture& picture)
{
    std::lock_guard<std::mutex> guard(m_windowLock);
    m_position = static_cast<LONGLONG>(std::llround(picture.time * 1e7));
    if (m_owner && m_visible)
        m_presenter.present(m_owner, m_target, picture.pixels.data(), m_source->width(), m_source->height());
}

float FilterGraph::gain() const
{
    const LONG volume = m_volume;
    if (volume <= -10000)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, volume / 2000.0)); // hundredths of a decibel
}

// ---- events

void FilterGraph::postEvent(LONG code, LONG_PTR param1, LONG_PTR param2)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_events.push_back(Event{code, param1, param2});
        if ((code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) && m_completion == 0)
            m_completion = code;
        // Posted before anyone can see the event, so whoever waited for it finds the message.
        if (m_notifyWindow)
            PostMessageW(m_notifyWindow, m_notifyMessage, 0, m_notifyData);
    }
    m_eventArrived.notify_all();
}

HRESULT FilterGraph::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout)
{
    if (!code || !param1 || !param2)
        return E_POINTER;
    std::unique_lock<std::mutex> lock(m_lock);
    auto ready = [this] { return !m_events.empty(); };
    if (msTimeout < 0) // INFINITE
        m_eventArrived.wait(lock, ready);
    else if (msTimeout > 0)
        m_eventArrived.wait_for(lock, std::chrono::milliseconds(msTimeout), ready);
    if (m_events.empty()) {
        *code = 0;
        *param1 = *param2 = 0;
        return E_ABORT;
    }
    const Event event = m_events.front();
    m_events.pop_front();
    *code = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    return S_OK;
}

HRESULT FilterGraph::WaitForCompletion(LONG msTimeout, LONG* code)
{
    if (!code)
        return E_POINTER;
    *code = 0;
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_state != State_Running)
        return VFW_E_WRONG_STATE;
    auto done = [this] { return m_completion != 0; };
    if (msTimeout < 0)
        m_eventArrived.wait(lock, done);
    else
        m_eventArrived.wait_for(lock, std::chrono::milliseconds(msTimeout), done);
    if (!done())
        return E_ABORT;
    *code = m_completion;
    return S_OK;
}

HRESULT FilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR)
{
    // No event of this graph carries memory.
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData)
{
    HWND handle = reinterpret_cast<HWND>(window);
    if (handle && !IsWindow(handle))
        return E_INVALIDARG;
    std::lock_guard<std::mutex> guard(m_lock);
    m_notifyWindow = handle;
    m_notifyMessage = static_cast<UINT>(message);
    m_notifyData = instanceData;
    return S_OK;
}

// ---- seeking

HRESULT FilterGraph::GetDuration(LONGLONG* duration)
{
    if (!duration)
        return E_POINTER;
    if (!m_source)
        return VFW_E_NOT_CONNECTED;
    *duration = static_cast<LONGLONG>(std::llround(m_source->duration() * 1e7));
    return S_OK;
}

HRESULT FilterGraph::GetCurrentPosition(LONGLONG* current)
{
    if (!current)
        return E_POINTER;
    *current = m_position;
    return S_OK;
}

// ---- video window

HRESULT FilterGraph::put_Owner(OAHWND owner)
{
    HWND window = reinterpret_cast<HWND>(owner);
    if (window && !Win32Internal::sdlWindowFor(window)) {
        Diagnostics::error("DirectShow", "put_Owner: the window cannot show video");
        return E_INVALIDARG;
    }
    unhookOwner();
    if (window)
        hook(window, this);
    std::lock_guard<std::mutex> guard(m_windowLock);
    m_owner = window;
    return S_OK;
}

HRESULT FilterGraph::get_Owner(OAHWND* owner)
{
    if (!owner)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(m_windowLock);
    *owner = reinterpret_cast<OAHWND>(m_owner);
    return S_OK;
}

void FilterGraph::unhookOwner()
{
    HWND owner = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_windowLock);
        owner = m_owner;
        m_owner = nullptr;
    }
    if (owner)
        unhook(owner, this);
}

void FilterGraph::ownerDestroyed(HWND window)
{
    bool wasShowing = false;
    {
        // Waits for a picture being drawn; after this the thread leaves the window alone.
        std::lock_guard<std::mutex> guard(m_windowLock);
        if (m_owner != window)
            return;
        m_owner = nullptr;
    }
    unhook(window, this);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        wasShowing = m_state == State_Running && !m_finished;
    }
    // The picture's window is gone: the user closed the video.
    if (wasShowing)
        postEvent(EC_USERABORT, 0, 0);
}

HRESULT FilterGraph::put_WindowStyle(LONG style)
{
    std::lock_guard<std::mutex> guard(m_windowLock);
    m_style = style;
    return S_OK;
}

HRESULT FilterGraph::get_WindowStyle(LONG* style)
{
    if (!style)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(m_windowLock);
    *style = m_style;
    return S_OK;
}

HRESULT FilterGraph::SetWindowPosition(LONG left, LONG top, LONG width, LONG height)
{
    if (width < 0 || height < 0)
        return E_INVALIDARG;
    std::lock_guard<std::mutex> guard(m_windowLock);
    m_target = RECT{left, top, left + width, top + height};
    return S_OK;
}

HRESULT FilterGraph::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    if (!left || !top || !width || !height)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(m_windowLock);
    *left = m_target.left;
    *top = m_target.top;
    *width = m_target.right - m_target.left;
    *height = m_target.bottom - m_target.top;
    return S_OK;
}

HRESULT FilterGraph::put_MessageDrain(OAHWND drain)
{
    std::lock_guard<std::mutex> guard(m_windowLock);
    m_drain = reinterpret_cast<HWND>(drain);
    return S_OK;
}

HRESULT FilterGraph::get_MessageDrain(OAHWND* drain)
{
    if (!drain)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(m_windowLock);
    *drain = reinterpret_cast<OAHWND>(m_drain);
    return S_OK;
}

HRESULT FilterGraph::put_Visible(LONG visible)
{
    std::lock_guard<std::mutex> guard(m_windowLock);
    m_visible = visible != OAFALSE;
    return S_OK;
}

HRESULT FilterGraph::get_Visible(LONG* visible)
{
    if (!visible)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(m_windowLock);
    *visible = m_visible ? OATRUE : OAFALSE;
    return S_OK;
}

// ---- basic video and audio

HRESULT FilterGraph::get_AvgTimePerFrame(REFTIME* time)
{
    if (!time)
        return E_POINTER;
    if (!m_source || !m_source->hasVideo())
        return VFW_E_NOT_CONNECTED;
    *time = m_source->frameDuration();
    return S_OK;
}

HRESULT FilterGraph::get_SourceWidth(LONG* width)
{
    LONG height = 0;
    return GetVideoSize(width, &height);
}

HRESULT FilterGraph::get_SourceHeight(LONG* height)
{
    LONG width = 0;
    return GetVideoSize(&width, height);
}

HRESULT FilterGraph::GetVideoSize(LONG* width, LONG* height)
{
    if (!width || !height)
        return E_POINTER;
    if (!m_source || !m_source->hasVideo())
        return VFW_E_NOT_CONNECTED;
    *width = m_source->width();
    *height = m_source->height();
    return S_OK;
}

HRESULT FilterGraph::put_Volume(LONG volume)
{
    if (volume < -10000 || volume > 0)
        return E_INVALIDARG;
    m_volume = volume;
    return S_OK;
}

HRESULT FilterGraph::get_Volume(LONG* volume)
{
    if (!volume)
        return E_POINTER;
    *volume = m_volume;
    return S_OK;
}

} // namespace DShowInternal
