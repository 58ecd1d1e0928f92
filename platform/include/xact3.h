#pragma once
// XACT3: the cue-based sound engine. Global settings (.xgs), in-memory wave banks (.xwb) and
// sound banks (.xsb) in their usual binary formats; cues are played by index or by name.
// IXACT3Engine is reference counted (IUnknown); banks and cues are owned by the engine and end
// with Destroy or with the engine's ShutDown.
#include <windows.h>
#include <unknwn.h>

// Sized names the audio headers use (a repeated typedef of the same type is harmless).
typedef float FLOAT32;
typedef uint32_t UINT32;
typedef uint16_t UINT16;
typedef const char* PCSTR;

// ---------------------------------------------------------------------------------------------
// Wave formats (the engine's final mix format)

#ifndef _WAVEFORMATEX_
#define _WAVEFORMATEX_
typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX, *PWAVEFORMATEX, *LPWAVEFORMATEX;
#endif

#ifndef _WAVEFORMATEXTENSIBLE_
#define _WAVEFORMATEXTENSIBLE_
typedef struct {
    WAVEFORMATEX Format;
    union {
        WORD wValidBitsPerSample;
        WORD wSamplesPerBlock;
        WORD wReserved;
    } Samples;
    DWORD dwChannelMask;
    GUID SubFormat;
} WAVEFORMATEXTENSIBLE, *PWAVEFORMATEXTENSIBLE;
#endif

#ifndef WAVE_FORMAT_PCM
#define WAVE_FORMAT_PCM 1
#endif
#ifndef WAVE_FORMAT_IEEE_FLOAT
#define WAVE_FORMAT_IEEE_FLOAT 3
#endif
#ifndef WAVE_FORMAT_EXTENSIBLE
#define WAVE_FORMAT_EXTENSIBLE 0xFFFE
#endif

// ---------------------------------------------------------------------------------------------
// Scalar types

typedef WORD XACTINDEX;
typedef BYTE XACTNOTIFICATIONTYPE;
typedef FLOAT32 XACTVARIABLEVALUE;
typedef WORD XACTVARIABLEINDEX;
typedef WORD XACTCATEGORY;
typedef BYTE XACTCHANNEL;
typedef FLOAT32 XACTVOLUME;
typedef LONG XACTTIME;
typedef SHORT XACTPITCH;
typedef BYTE XACTLOOPCOUNT;
typedef BYTE XACTVARIATIONWEIGHT;
typedef BYTE XACTPRIORITY;
typedef BYTE XACTINSTANCELIMIT;

#define XACTINDEX_MIN 0x0
#define XACTINDEX_MAX 0xfffe
#define XACTINDEX_INVALID 0xffff
#define XACTVARIABLEINDEX_MIN 0x0
#define XACTVARIABLEINDEX_MAX 0xfffe
#define XACTVARIABLEINDEX_INVALID 0xffff
#define XACTCATEGORY_MIN 0x0
#define XACTCATEGORY_MAX 0xfffe
#define XACTCATEGORY_INVALID 0xffff
#define XACTVOLUME_MIN 0.0f
#define XACTVOLUME_MAX 16777216.0f
#define XACTPITCH_MIN -1200
#define XACTPITCH_MAX 1200
#define XACTLOOPCOUNT_INFINITE 0xff

#define XACT_ENGINE_LOOKAHEAD_DEFAULT 250
#define XACT_CONTENT_VERSION 46

// ---------------------------------------------------------------------------------------------
// Flags

// XACT3CreateEngine
#define XACT_FLAG_API_AUDITION_MODE 0x00000001
#define XACT_FLAG_API_DEBUG_MODE 0x00000002

// Stop calls
#define XACT_FLAG_STOP_RELEASE 0x00000000
#define XACT_FLAG_STOP_IMMEDIATE 0x00000001
#define XACT_FLAG_SOUNDBANK_STOP_IMMEDIATE 0x00000001
#define XACT_FLAG_CUE_STOP_RELEASE 0x00000000
#define XACT_FLAG_CUE_STOP_IMMEDIATE 0x00000001
#define XACT_FLAG_ENGINE_STOP_IMMEDIATE 0x00000001

// Global-settings buffer handed to Initialize (from CoTaskMemAlloc): after a successful
// Initialize the engine frees it with CoTaskMemFree when its last reference goes.
#define XACT_FLAG_GLOBAL_SETTINGS_MANAGEDATA 0x00000001

// RegisterNotification
#define XACT_FLAG_NOTIFICATION_PERSIST 0x01

// GetState results
#define XACT_STATE_CREATED 0x00000001
#define XACT_STATE_PREPARING 0x00000002
#define XACT_STATE_PREPARED 0x00000004
#define XACT_STATE_PLAYING 0x00000008
#define XACT_STATE_STOPPING 0x00000010
#define XACT_STATE_STOPPED 0x00000020
#define XACT_STATE_PAUSED 0x00000040
#define XACT_STATE_INUSE 0x00000080
#define XACT_STATE_PREPAREFAILED 0x80000000

// ---------------------------------------------------------------------------------------------
// Result codes

#define FACILITY_XACTENGINE 0xAC7
#define XACTENGINEERROR(n) ((HRESULT)(0x80000000u | (FACILITY_XACTENGINE << 16) | (n)))

#define XACTENGINE_E_OUTOFMEMORY E_OUTOFMEMORY
#define XACTENGINE_E_INVALIDARG E_INVALIDARG
#define XACTENGINE_E_NOTIMPL E_NOTIMPL
#define XACTENGINE_E_FAIL E_FAIL
#define XACTENGINE_E_ALREADYINITIALIZED XACTENGINEERROR(0x001)
#define XACTENGINE_E_NOTINITIALIZED XACTENGINEERROR(0x002)
#define XACTENGINE_E_EXPIRED XACTENGINEERROR(0x003)
#define XACTENGINE_E_NONOTIFICATIONCALLBACK XACTENGINEERROR(0x004)
#define XACTENGINE_E_NOTIFICATIONREGISTERED XACTENGINEERROR(0x005)
#define XACTENGINE_E_INVALIDUSAGE XACTENGINEERROR(0x006)
#define XACTENGINE_E_INVALIDDATA XACTENGINEERROR(0x007)
#define XACTENGINE_E_INSTANCELIMITFAILTOPLAY XACTENGINEERROR(0x008)
#define XACTENGINE_E_NOGLOBALSETTINGS XACTENGINEERROR(0x009)
#define XACTENGINE_E_INVALIDVARIABLEINDEX XACTENGINEERROR(0x00a)
#define XACTENGINE_E_INVALIDCATEGORY XACTENGINEERROR(0x00b)
#define XACTENGINE_E_INVALIDCUEINDEX XACTENGINEERROR(0x00c)
#define XACTENGINE_E_INVALIDWAVEINDEX XACTENGINEERROR(0x00d)
#define XACTENGINE_E_INVALIDTRACKINDEX XACTENGINEERROR(0x00e)
#define XACTENGINE_E_INVALIDSOUNDOFFSETORINDEX XACTENGINEERROR(0x00f)
#define XACTENGINE_E_READFILE XACTENGINEERROR(0x010)
#define XACTENGINE_E_UNKNOWNEVENT XACTENGINEERROR(0x011)
#define XACTENGINE_E_INCALLBACK XACTENGINEERROR(0x012)
#define XACTENGINE_E_NOWAVEBANK XACTENGINEERROR(0x013)
#define XACTENGINE_E_SELECTVARIATION XACTENGINEERROR(0x014)
#define XACTENGINE_E_MULTIPLEAUDITIONENGINES XACTENGINEERROR(0x015)
#define XACTENGINE_E_WAVEBANKNOTPREPARED XACTENGINEERROR(0x016)
#define XACTENGINE_E_NORENDERER XACTENGINEERROR(0x017)
#define XACTENGINE_E_INVALIDENTRYCOUNT XACTENGINEERROR(0x018)
#define XACTENGINE_E_SEEKTIMEBEYONDCUEEND XACTENGINEERROR(0x019)
#define XACTENGINE_E_SEEKTIMEBEYONDWAVEEND XACTENGINEERROR(0x01a)
#define XACTENGINE_E_NOFRIENDLYNAMES XACTENGINEERROR(0x01b)

// ---------------------------------------------------------------------------------------------
// Interfaces (declared ahead for the structures)

struct IXACT3Engine;
struct IXACT3SoundBank;
struct IXACT3WaveBank;
struct IXACT3Cue;
struct IXACT3Wave;
struct IXAudio2;               // not offered: a caller-supplied XAudio2 must be null
struct IXAudio2MasteringVoice; // likewise

typedef IXACT3Engine* LPXACT3ENGINE;
typedef IXACT3SoundBank* LPXACT3SOUNDBANK;
typedef IXACT3WaveBank* LPXACT3WAVEBANK;
typedef IXACT3Cue* LPXACT3CUE;

// ---------------------------------------------------------------------------------------------
// Notifications

#define XACTNOTIFICATIONTYPE_CUEPREPARED ((XACTNOTIFICATIONTYPE)1)
#define XACTNOTIFICATIONTYPE_CUEPLAY ((XACTNOTIFICATIONTYPE)2)
#define XACTNOTIFICATIONTYPE_CUESTOP ((XACTNOTIFICATIONTYPE)3)
#define XACTNOTIFICATIONTYPE_CUEDESTROYED ((XACTNOTIFICATIONTYPE)4)
#define XACTNOTIFICATIONTYPE_MARKER ((XACTNOTIFICATIONTYPE)5)
#define XACTNOTIFICATIONTYPE_SOUNDBANKDESTROYED ((XACTNOTIFICATIONTYPE)6)
#define XACTNOTIFICATIONTYPE_WAVEBANKDESTROYED ((XACTNOTIFICATIONTYPE)7)
#define XACTNOTIFICATIONTYPE_LOCALVARIABLECHANGED ((XACTNOTIFICATIONTYPE)8)
#define XACTNOTIFICATIONTYPE_GLOBALVARIABLECHANGED ((XACTNOTIFICATIONTYPE)9)
#define XACTNOTIFICATIONTYPE_GUICONNECTED ((XACTNOTIFICATIONTYPE)10)
#define XACTNOTIFICATIONTYPE_GUIDISCONNECTED ((XACTNOTIFICATIONTYPE)11)
#define XACTNOTIFICATIONTYPE_WAVEPREPARED ((XACTNOTIFICATIONTYPE)12)
#define XACTNOTIFICATIONTYPE_WAVEPLAY ((XACTNOTIFICATIONTYPE)13)
#define XACTNOTIFICATIONTYPE_WAVESTOP ((XACTNOTIFICATIONTYPE)14)
#define XACTNOTIFICATIONTYPE_WAVELOOPED ((XACTNOTIFICATIONTYPE)15)
#define XACTNOTIFICATIONTYPE_WAVEDESTROYED ((XACTNOTIFICATIONTYPE)16)
#define XACTNOTIFICATIONTYPE_WAVEBANKPREPARED ((XACTNOTIFICATIONTYPE)17)
#define XACTNOTIFICATIONTYPE_WAVEBANKSTREAMING_INVALIDCONTENT ((XACTNOTIFICATIONTYPE)18)

// What RegisterNotification asks for. A null sound bank / XACTINDEX_INVALID cue index means
// "every sound bank" / "every cue".
typedef struct XACT_NOTIFICATION_DESCRIPTION {
    XACTNOTIFICATIONTYPE type;
    BYTE flags; // XACT_FLAG_NOTIFICATION_PERSIST keeps it after the first delivery
    IXACT3SoundBank* pSoundBank;
    IXACT3WaveBank* pWaveBank;
    IXACT3Cue* pCue;
    IXACT3Wave* pWave;
    XACTINDEX cueIndex;
    XACTINDEX waveIndex;
    PVOID pvContext;
} XACT_NOTIFICATION_DESCRIPTION, *LPXACT_NOTIFICATION_DESCRIPTION;
typedef const XACT_NOTIFICATION_DESCRIPTION* LPCXACT_NOTIFICATION_DESCRIPTION;

typedef struct XACT_NOTIFICATION_CUE {
    XACTINDEX cueIndex;
    IXACT3SoundBank* pSoundBank;
    IXACT3Cue* pCue;
} XACT_NOTIFICATION_CUE;

typedef struct XACT_NOTIFICATION_MARKER {
    XACTINDEX cueIndex;
    IXACT3SoundBank* pSoundBank;
    IXACT3Cue* pCue;
    DWORD marker;
} XACT_NOTIFICATION_MARKER;

typedef struct XACT_NOTIFICATION_SOUNDBANK {
    IXACT3SoundBank* pSoundBank;
} XACT_NOTIFICATION_SOUNDBANK;

typedef struct XACT_NOTIFICATION_WAVEBANK {
    IXACT3WaveBank* pWaveBank;
} XACT_NOTIFICATION_WAVEBANK;

typedef struct XACT_NOTIFICATION_VARIABLE {
    XACTINDEX cueIndex;
    IXACT3SoundBank* pSoundBank;
    IXACT3Cue* pCue;
    XACTVARIABLEINDEX variableIndex;
    XACTVARIABLEVALUE variableValue;
    BOOL local;
} XACT_NOTIFICATION_VARIABLE;

typedef struct XACT_NOTIFICATION_GUI {
    DWORD reserved;
} XACT_NOTIFICATION_GUI;

typedef struct XACT_NOTIFICATION_WAVE {
    IXACT3WaveBank* pWaveBank;
    XACTINDEX waveIndex;
    XACTINDEX cueIndex;
    IXACT3SoundBank* pSoundBank;
    IXACT3Cue* pCue;
    IXACT3Wave* pWave;
} XACT_NOTIFICATION_WAVE;

// Delivered to the runtime parameters' callback. Here the callback always runs on the thread
// that calls IXACT3Engine::DoWork, never on the mixer's thread.
typedef struct XACT_NOTIFICATION {
    XACTNOTIFICATIONTYPE type;
    LONG timeStamp; // milliseconds
    PVOID pvContext;
    union {
        XACT_NOTIFICATION_CUE cue;
        XACT_NOTIFICATION_MARKER marker;
        XACT_NOTIFICATION_SOUNDBANK soundBank;
        XACT_NOTIFICATION_WAVEBANK waveBank;
        XACT_NOTIFICATION_VARIABLE variable;
        XACT_NOTIFICATION_GUI gui;
        XACT_NOTIFICATION_WAVE wave;
    };
} XACT_NOTIFICATION, *LPXACT_NOTIFICATION;
typedef const XACT_NOTIFICATION* LPCXACT_NOTIFICATION;

typedef void (*XACT_NOTIFICATION_CALLBACK)(const XACT_NOTIFICATION* pNotification);

// ---------------------------------------------------------------------------------------------
// Engine start-up

struct _OVERLAPPED;
typedef BOOL (*XACT_READFILE_CALLBACK)(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesRead,
                                       LPDWORD lpNumberOfBytesRead, struct _OVERLAPPED* lpOverlapped);
typedef BOOL (*XACT_GETOVERLAPPEDRESULT_CALLBACK)(HANDLE hFile, struct _OVERLAPPED* lpOverlapped,
                                                  LPDWORD lpNumberOfBytesTransferred, BOOL bWait);

// Streaming wave banks are not offered; the callbacks are accepted and not called.
typedef struct XACT_FILEIO_CALLBACKS {
    XACT_READFILE_CALLBACK readFileCallback;
    XACT_GETOVERLAPPEDRESULT_CALLBACK getOverlappedResultCallback;
} XACT_FILEIO_CALLBACKS, *PXACT_FILEIO_CALLBACKS;

typedef struct XACT_RUNTIME_PARAMETERS {
    DWORD lookAheadTime;         // milliseconds; 0 means XACT_ENGINE_LOOKAHEAD_DEFAULT
    void* pGlobalSettingsBuffer; // the .xgs file's bytes; null: built-in defaults
    DWORD globalSettingsBufferSize;
    DWORD globalSettingsFlags; // XACT_FLAG_GLOBAL_SETTINGS_MANAGEDATA: the engine owns the buffer
    DWORD globalSettingsAllocAttributes;
    XACT_FILEIO_CALLBACKS fileIOCallbacks;
    XACT_NOTIFICATION_CALLBACK fnNotificationCallback;
    PWSTR pRendererID; // null: the default output
    IXAudio2* pXAudio2;
    IXAudio2MasteringVoice* pMasteringVoice;
} XACT_RUNTIME_PARAMETERS, *LPXACT_RUNTIME_PARAMETERS;
typedef const XACT_RUNTIME_PARAMETERS* LPCXACT_RUNTIME_PARAMETERS;

// ---------------------------------------------------------------------------------------------
// Interfaces

struct IXACT3Cue {
    virtual HRESULT Play() = 0;
    virtual HRESULT Stop(DWORD dwFlags) = 0; // XACT_FLAG_CUE_STOP_*
    virtual HRESULT GetState(DWORD* pdwState) = 0;
    virtual HRESULT Destroy() = 0;
    virtual HRESULT SetMatrixCoefficients(UINT32 uSrcChannelCount, UINT32 uDstChannelCount,
                                          float* pMatrixCoefficients) = 0;
    virtual XACTVARIABLEINDEX GetVariableIndex(PCSTR szFriendlyName) = 0;
    virtual HRESULT SetVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE nValue) = 0;
    virtual HRESULT GetVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE* nValue) = 0;
    virtual HRESULT Pause(BOOL fPause) = 0;

protected:
    ~IXACT3Cue() = default;
};

struct IXACT3SoundBank {
    virtual XACTINDEX GetCueIndex(PCSTR szFriendlyName) = 0; // XACTINDEX_INVALID when absent
    virtual HRESULT GetNumCues(XACTINDEX* pnNumCues) = 0;
    virtual HRESULT Prepare(XACTINDEX nCueIndex, DWORD dwFlags, XACTTIME timeOffset, IXACT3Cue** ppCue) = 0;
    virtual HRESULT Play(XACTINDEX nCueIndex, DWORD dwFlags, XACTTIME timeOffset, IXACT3Cue** ppCue) = 0;
    virtual HRESULT Stop(XACTINDEX nCueIndex, DWORD dwFlags) = 0;
    virtual HRESULT Destroy() = 0;
    virtual HRESULT GetState(DWORD* pdwState) = 0;

protected:
    ~IXACT3SoundBank() = default;
};

struct IXACT3WaveBank {
    virtual HRESULT Destroy() = 0;
    virtual HRESULT GetNumWaves(XACTINDEX* pnNumWaves) = 0;
    virtual HRESULT GetState(DWORD* pdwState) = 0;

protected:
    ~IXACT3WaveBank() = default;
};

extern const IID IID_IXACT3Engine;

struct IXACT3Engine : public IUnknown {
    virtual HRESULT GetRendererCount(XACTINDEX* pnRendererCount) = 0;
    virtual HRESULT GetFinalMixFormat(WAVEFORMATEXTENSIBLE* pFinalMixFormat) = 0;
    // Fails when there is no audio output at all; the engine can then only be released.
    virtual HRESULT Initialize(const XACT_RUNTIME_PARAMETERS* pParams) = 0;
    virtual HRESULT ShutDown() = 0;
    // Runs pending notification callbacks on the calling thread.
    virtual HRESULT DoWork() = 0;
    // The buffers are read in place: keep them alive until the bank is destroyed.
    virtual HRESULT CreateSoundBank(const void* pvBuffer, DWORD dwSize, DWORD dwFlags, DWORD dwAllocAttributes,
                                    IXACT3SoundBank** ppSoundBank) = 0;
    virtual HRESULT CreateInMemoryWaveBank(const void* pvBuffer, DWORD dwSize, DWORD dwFlags, DWORD dwAllocAttributes,
                                           IXACT3WaveBank** ppWaveBank) = 0;
    virtual HRESULT RegisterNotification(const XACT_NOTIFICATION_DESCRIPTION* pNotificationDesc) = 0;
    virtual HRESULT UnRegisterNotification(const XACT_NOTIFICATION_DESCRIPTION* pNotificationDesc) = 0;
    virtual XACTCATEGORY GetCategory(PCSTR szFriendlyName) = 0;
    virtual HRESULT Stop(XACTCATEGORY nCategory, DWORD dwFlags) = 0;
    virtual HRESULT SetVolume(XACTCATEGORY nCategory, XACTVOLUME nVolume) = 0;
    virtual HRESULT Pause(XACTCATEGORY nCategory, BOOL fPause) = 0;
    virtual XACTVARIABLEINDEX GetGlobalVariableIndex(PCSTR szFriendlyName) = 0;
    virtual HRESULT SetGlobalVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE nValue) = 0;
    virtual HRESULT GetGlobalVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE* nValue) = 0;
};

// The engine's class: CoCreateInstance(CLSID_XACTEngine, …, IID_IXACT3Engine, …) makes what
// XACT3CreateEngine makes.
extern const CLSID CLSID_XACTEngine;

// Creates an engine with one reference. dwCreationFlags: XACT_FLAG_API_* (accepted, no effect).
HRESULT XACT3CreateEngine(DWORD dwCreationFlags, IXACT3Engine** ppEngine);
