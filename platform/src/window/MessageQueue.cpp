// Per-thread message queues, as on Windows: posted and input messages in arrival order,
// then the quit request, then WM_PAINT for invalid windows, then due timers. SIGINT, SIGTERM
// and SIGHUP only raise a flag here; the next look at the queue turns it into a close. Long work
// between two looks asks PlatformTerminationPending, which also answers a window's close.
#include <windows.h>

#include "win32/SleepWake.h"
#include "window/WindowInternal.h"

#include <platform_app.h>
#include <platform_test.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <deque>
#include <mutex>
#include <unordered_map>

namespace Win32Internal {

namespace {

// Longest wait before GetMessageW looks again at signals, SDL and timers.
constexpr DWORD kWaitSliceMs = 50;
constexpr UINT kMinimumTimerMs = 10;

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    DWORD due;
};

struct ThreadQueue {
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<MSG> messages;
    bool quit = false;
    int quitCode = 0;
    std::vector<Timer> timers;
};

struct Queues {
    std::mutex lock;
    std::unordered_map<std::thread::id, std::shared_ptr<ThreadQueue>> byThread;
    UINT_PTR nextThreadTimer = 1;
};

// Never destroyed: messages are still posted by static destructors at exit.
Queues& queues()
{
    static Queues* q = new Queues;
    return *q;
}

std::shared_ptr<ThreadQueue> queueOf(std::thread::id thread)
{
    std::lock_guard<std::mutex> guard(queues().lock);
    std::shared_ptr<ThreadQueue>& q = queues().byThread[thread];
    if (!q)
        q = std::make_shared<ThreadQueue>();
    return q;
}

std::shared_ptr<ThreadQueue> currentQueue()
{
    return queueOf(std::this_thread::get_id());
}

std::atomic<int> s_terminationPending{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

void onTerminationSignal(int signalNumber)
{
    // A second signal before the first was served means the program no longer looks at
    // its queue: let the signal end it.
    if (s_terminationPending.exchange(1) != 0) {
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    wakeSleepers();
}

MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    GetCursorPos(&msg.pt);
    return msg;
}

bool inRange(UINT message, UINT filterMin, UINT filterMax)
{
    return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

bool windowMatches(HWND messageWindow, HWND filter)
{
    if (filter == reinterpret_cast<HWND>(-1))
        return messageWindow == nullptr;
    return !filter || messageWindow == filter;
}

std::atomic<bool> s_terminationServed{false};

// Whether a close waits that the thread cannot serve while long work keeps it from its queue: a
// quit or a window's close in SDL's queue (pumped at most every 100 ms) or in the thread's own.
// Only the thread that serves the windows looks; the events stay where they are.
bool closeWaiting()
{
    if (!isVideoThread())
        return false;
    using Clock = std::chrono::steady_clock;
    static Clock::time_point nextLook;
    const Clock::time_point now = Clock::now();
    if (now < nextLook)
        return false;
    SDL_PumpEvents();
    SDL_Event events[64];
    bool waiting = SDL_PeepEvents(events, 1, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0;
    const int windowEvents = SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
    for (int i = 0; i < windowEvents && !waiting; ++i)
        waiting = events[i].window.event == SDL_WINDOWEVENT_CLOSE;
    if (!waiting) {
        std::shared_ptr<ThreadQueue> q = currentQueue();
        std::lock_guard<std::mutex> guard(q->lock);
        waiting = q->quit || std::any_of(q->messages.begin(), q->messages.end(),
                                         [](const MSG& m) { return m.message == WM_CLOSE; });
    }
    // Nothing waits: the next look in 100 ms. A close waiting is looked at again every time, so
    // the answer changes as soon as the queue has served it.
    if (!waiting)
        nextLook = now + std::chrono::milliseconds(100);
    return waiting;
}

void serviceTermination()
{
    if (s_terminationPending.exchange(0) != 0) {
        drainSleepWake();
        s_terminationServed.store(true);
        requestClose();
    }
}

// One look at the queue, in Windows' order of precedence.
bool peekQueue(ThreadQueue& q, MSG& out, HWND filter, UINT filterMin, UINT filterMax, bool remove)
{
    {
        std::lock_guard<std::mutex> guard(q.lock);
        for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
            if (windowMatches(it->hwnd, filter) && inRange(it->message, filterMin, filterMax)) {
                out = *it;
                if (remove)
                    q.messages.erase(it);
                return true;
            }
        }
        if (q.quit && (!filter || filter == reinterpret_cast<HWND>(-1)) && inRange(WM_QUIT, filterMin, filterMax)) {
            out = makeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0);
            if (remove)
                q.quit = false;
            return true;
        }
    }
    // WM_PAINT stays until the window is validated.
    if (inRange(WM_PAINT, filterMin, filterMax) && filter != reinterpret_cast<HWND>(-1)) {
        if (HWND window = paintableWindow(std::this_thread::get_id(), filter)) {
            out = makeMessage(window, WM_PAINT, 0, 0);
            return true;
        }
    }
    if (inRange(WM_TIMER, filterMin, filterMax)) {
        std::lock_guard<std::mutex> guard(q.lock);
        DWORD now = GetTickCount();
        for (Timer& t : q.timers) {
            if (static_cast<int32_t>(now - t.due) >= 0 && windowMatches(t.window, filter)) {
                out = makeMessage(t.window, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc));
                if (remove)
                    t.due = now + t.elapse;
                return true;
            }
        }
    }
    return false;
}

// Milliseconds until the first timer of the queue is due, at most `limit`.
DWORD timeToNextTimer(ThreadQueue& q, DWORD limit)
{
    std::lock_guard<std::mutex> guard(q.lock);
    DWORD now = GetTickCount();
    for (const Timer& t : q.timers) {
        int32_t left = static_cast<int32_t>(t.due - now);
        limit = std::min<DWORD>(limit, left > 0 ? static_cast<DWORD>(left) : 0);
    }
    return limit;
}

std::shared_ptr<ThreadQueue> timerQueueFor(HWND window, bool& ok)
{
    ok = true;
    if (!window)
        return currentQueue();
    WindowPtr w = findWindow(window);
    if (!w || w->destroying) {
        ok = false;
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return queueOf(w->owner);
}

} // namespace

bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<ThreadQueue> q;
    if (!window) {
        q = currentQueue();
    } else {
        WindowPtr w = findWindow(window);
        if (!w)
            return false;
        q = queueOf(w->owner);
    }
    MSG msg = makeMessage(window, message, wParam, lParam);
    {
        std::lock_guard<std::mutex> guard(q->lock);
        q->messages.push_back(msg);
    }
    q->arrived.notify_all();
    return true;
}

void discardWindowMessages(HWND window)
{
    WindowPtr w = findWindow(window);
    if (!w)
        return;
    std::shared_ptr<ThreadQueue> q = queueOf(w->owner);
    std::lock_guard<std::mutex> guard(q->lock);
    q->messages.erase(
        std::remove_if(q->messages.begin(), q->messages.end(), [window](const MSG& m) { return m.hwnd == window; }),
        q->messages.end());
    q->timers.erase(
        std::remove_if(q->timers.begin(), q->timers.end(), [window](const Timer& t) { return t.window == window; }),
        q->timers.end());
}

void installTerminationHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        openSleepWake();
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        // A closed terminal asks for an end like any other: in order, settings saved.
        sigaction(SIGHUP, &action, nullptr);
    });
}

void requestClose()
{
    HWND main = mainWindow();
    if (main)
        postMessage(main, WM_CLOSE, 0, 0);
    else
        PostQuitMessage(0);
}

} // namespace Win32Internal

using namespace Win32Internal;

void PlatformRaiseTerminationSignal()
{
    s_terminationPending.store(1);
}

void PlatformClearTerminationSignal()
{
    s_terminationPending.store(0);
    s_terminationServed.store(false);
}

bool PlatformTerminationRequested()
{
    return s_terminationServed.load();
}

bool PlatformTerminationPending()
{
    return s_terminationPending.load() != 0 || s_terminationServed.load() || closeWaiting();
}

void PlatformEndProcess(int code)
{
#if defined(__SANITIZE_ADDRESS__)
    (void)code;
#else
    std::fflush(nullptr);
    _exit(code);
#endif
}

BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pumpSdlEvents();
    serviceTermination();
    std::shared_ptr<ThreadQueue> q = currentQueue();
    return peekQueue(*q, *msg, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    std::shared_ptr<ThreadQueue> q = currentQueue();
    for (;;) {
        // A window waited for that is gone would never get a message.
        if (window && window != reinterpret_cast<HWND>(-1) && !findWindow(window)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        pumpSdlEvents();
        serviceTermination();
        if (peekQueue(*q, *msg, window, filterMin, filterMax, true))
            return msg->message == WM_QUIT ? 0 : 1;
        // A due timer that the filters exclude must not make this spin.
        DWORD wait = std::max<DWORD>(1, timeToNextTimer(*q, kWaitSliceMs));
        if (isVideoThread()) {
            SDL_WaitEventTimeout(nullptr, static_cast<int>(wait));
        } else {
            std::unique_lock<std::mutex> guard(q->lock);
            q->arrived.wait_for(guard, std::chrono::milliseconds(wait),
                                [&] { return !q->messages.empty() || q->quit; });
        }
    }
}

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg)
        return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT DispatchMessageW(const MSG* msg)
{
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd)
        return 0;
    WindowPtr w = findWindow(msg->hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return callWindowProc(w, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!postMessage(window, message, wParam, lParam)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowPtr w = findWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return callWindowProc(w, message, wParam, lParam);
}

void PostQuitMessage(int exitCode)
{
    std::shared_ptr<ThreadQueue> q = currentQueue();
    {
        std::lock_guard<std::mutex> guard(q->lock);
        q->quit = true;
        q->quitCode = exitCode;
    }
    q->arrived.notify_all();
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC timerProc)
{
    bool ok;
    std::shared_ptr<ThreadQueue> q = timerQueueFor(window, ok);
    if (!ok)
        return 0;
    elapseMs = std::max(elapseMs, kMinimumTimerMs);
    std::lock_guard<std::mutex> guard(q->lock);
    DWORD due = GetTickCount() + elapseMs;
    for (Timer& t : q->timers) {
        if (t.window == window && t.id == id && (window || id != 0)) {
            t.elapse = elapseMs;
            t.proc = timerProc;
            t.due = due;
            return window ? (id ? id : 1) : id;
        }
    }
    if (!window) {
        std::lock_guard<std::mutex> idGuard(queues().lock);
        id = queues().nextThreadTimer++;
    }
    q->timers.push_back(Timer{window, id, elapseMs, timerProc, due});
    return window ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND window, UINT_PTR id)
{
    std::shared_ptr<ThreadQueue> q;
    if (window) {
        // The window may be mid-destruction: WM_DESTROY handlers kill their timers.
        WindowPtr w = findWindow(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        q = queueOf(w->owner);
    } else {
        q = currentQueue();
    }
    std::lock_guard<std::mutex> guard(q->lock);
    auto it = std::find_if(q->timers.begin(), q->timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == q->timers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    q->timers.erase(it);
    return TRUE;
}
