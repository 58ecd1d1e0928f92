#pragma once
// The DirectShow subset that plays the intro video: a filter graph created with
// CoCreateInstance(CLSID_FilterGraph), built by RenderFile and driven through its control,
// event, seeking, window, video and audio interfaces. Underneath, FFmpeg decodes on a
// streaming thread of the graph; the picture is drawn into the owner window and the sound
// goes to the default audio device (or nowhere when there is none).
#include <objbase.h>
#include <unknwn.h>
#include <windef.h>

typedef LONG OAFilterState;
typedef LONG_PTR OAHWND;
typedef LONG_PTR OAEVENT;
typedef LONGLONG REFERENCE_TIME; // 100-ns units
typedef double REFTIME;          // seconds
typedef LONG OABool;
#define OATRUE (-1)
#define OAFALSE 0

// Filter states (GetState).
enum _FilterState { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

#ifndef E_ABORT
#define E_ABORT ((HRESULT)0x80004004L)
#endif
#ifndef E_UNEXPECTED
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#endif
#define VFW_S_STATE_INTERMEDIATE ((HRESULT)0x00040237L)
#define VFW_E_NOT_FOUND ((HRESULT)0x80040216L)
#define VFW_E_CANNOT_RENDER ((HRESULT)0x80040218L)
#define VFW_E_WRONG_STATE ((HRESULT)0x80040227L)
#define VFW_E_INVALID_FILE_FORMAT ((HRESULT)0x8004022FL)
#define VFW_E_UNSUPPORTED_STREAM ((HRESULT)0x80040265L)
#define VFW_E_NO_AUDIO_HARDWARE ((HRESULT)0x80040256L)
#define VFW_E_NOT_CONNECTED ((HRESULT)0x80040209L)
// A missing file, as HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND).
#define VFW_E_FILE_NOT_FOUND_WIN32 ((HRESULT)0x80070002L)

// Event codes (GetEvent). EC_COMPLETE: param1 the HRESULT of the playback (S_OK);
// EC_USERABORT: the user closed the video; EC_ERRORABORT: param1 the failing HRESULT.
#define EC_COMPLETE 0x01
#define EC_USERABORT 0x02
#define EC_ERRORABORT 0x03

extern const CLSID CLSID_FilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEvent;
extern const IID IID_IMediaEventEx;
extern const IID IID_IMediaSeeking;
extern const IID IID_IVideoWindow;
extern const IID IID_IBasicVideo;
extern const IID IID_IBasicAudio;

struct IGraphBuilder : public IUnknown {
    // Opens the file and connects what it holds to the video and audio renderers. The
    // play list argument must be null.
    virtual HRESULT RenderFile(LPCWSTR lpcwstrFile, LPCWSTR lpcwstrPlayList) = 0;
};

struct IMediaControl : public IUnknown {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG msTimeout, OAFilterState* pfs) = 0;
};

struct IMediaEvent : public IUnknown {
    // E_ABORT when no event arrives within the time-out (milliseconds, INFINITE waits).
    virtual HRESULT GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2, LONG msTimeout) = 0;
    // Waits for EC_COMPLETE, EC_USERABORT or EC_ERRORABORT; E_ABORT on time-out,
    // VFW_E_WRONG_STATE when the graph is not running.
    virtual HRESULT WaitForCompletion(LONG msTimeout, LONG* pEvCode) = 0;
    virtual HRESULT FreeEventParams(LONG lEvCode, LONG_PTR lParam1, LONG_PTR lParam2) = 0;
};

struct IMediaEventEx : public IMediaEvent {
    // Posts lMsg with wParam 0 and lParam lInstanceData to the window whenever an event is
    // queued; a null window stops the notification.
    virtual HRESULT SetNotifyWindow(OAHWND hwnd, LONG lMsg, LONG_PTR lInstanceData) = 0;
};

struct IMediaSeeking : public IUnknown {
    virtual HRESULT GetDuration(LONGLONG* pDuration) = 0;       // 100-ns units
    virtual HRESULT GetCurrentPosition(LONGLONG* pCurrent) = 0; // 100-ns units
};

struct IVideoWindow : public IUnknown {
    virtual HRESULT put_Owner(OAHWND Owner) = 0;
    virtual HRESULT get_Owner(OAHWND* Owner) = 0;
    virtual HRESULT put_WindowStyle(LONG WindowStyle) = 0;
    virtual HRESULT get_WindowStyle(LONG* WindowStyle) = 0;
    // The picture's place in the owner's client area.
    virtual HRESULT SetWindowPosition(LONG Left, LONG Top, LONG Width, LONG Height) = 0;
    virtual HRESULT GetWindowPosition(LONG* pLeft, LONG* pTop, LONG* pWidth, LONG* pHeight) = 0;
    // The picture is drawn straight into the owner, so its input already reaches the owner;
    // the drain is kept for get_MessageDrain only.
    virtual HRESULT put_MessageDrain(OAHWND Drain) = 0;
    virtual HRESULT get_MessageDrain(OAHWND* Drain) = 0;
    virtual HRESULT put_Visible(LONG Visible) = 0;
    virtual HRESULT get_Visible(LONG* pVisible) = 0;
};

struct IBasicVideo : public IUnknown {
    virtual HRESULT get_AvgTimePerFrame(REFTIME* pAvgTimePerFrame) = 0;
    virtual HRESULT get_SourceWidth(LONG* pSourceWidth) = 0;
    virtual HRESULT get_SourceHeight(LONG* pSourceHeight) = 0;
    virtual HRESULT GetVideoSize(LONG* pWidth, LONG* pHeight) = 0;
};

struct IBasicAudio : public IUnknown {
    // Hundredths of a decibel, -10000 (silence) to 0 (full volume).
    virtual HRESULT put_Volume(LONG lVolume) = 0;
    virtual HRESULT get_Volume(LONG* plVolume) = 0;
};
