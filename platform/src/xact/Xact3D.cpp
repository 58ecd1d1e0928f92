// X3DAudio on F3DAudio, and the XACT3D helpers that apply its results to cues.
#include <xact3d3.h>

#include <F3DAudio.h>

#include <cstddef>

// Our structures are handed to F3DAudio as they are: the layouts must agree.
static_assert(sizeof(X3DAUDIO_HANDLE) == sizeof(F3DAUDIO_HANDLE), "handle size");
static_assert(sizeof(X3DAUDIO_VECTOR) == sizeof(F3DAUDIO_VECTOR), "vector layout");
static_assert(sizeof(X3DAUDIO_DISTANCE_CURVE_POINT) == sizeof(F3DAUDIO_DISTANCE_CURVE_POINT), "curve point");
static_assert(sizeof(X3DAUDIO_DISTANCE_CURVE) == sizeof(F3DAUDIO_DISTANCE_CURVE), "curve layout");
static_assert(sizeof(X3DAUDIO_CONE) == sizeof(F3DAUDIO_CONE), "cone layout");
static_assert(sizeof(X3DAUDIO_LISTENER) == sizeof(F3DAUDIO_LISTENER), "listener layout");
static_assert(offsetof(X3DAUDIO_LISTENER, pCone) == offsetof(F3DAUDIO_LISTENER, pCone), "listener layout");
static_assert(sizeof(X3DAUDIO_EMITTER) == sizeof(F3DAUDIO_EMITTER), "emitter layout");
static_assert(offsetof(X3DAUDIO_EMITTER, ChannelCount) == offsetof(F3DAUDIO_EMITTER, ChannelCount), "emitter");
static_assert(offsetof(X3DAUDIO_EMITTER, pChannelAzimuths) == offsetof(F3DAUDIO_EMITTER, pChannelAzimuths), "emitter");
static_assert(offsetof(X3DAUDIO_EMITTER, DopplerScaler) == offsetof(F3DAUDIO_EMITTER, DopplerScaler), "emitter");
static_assert(sizeof(X3DAUDIO_DSP_SETTINGS) == sizeof(F3DAUDIO_DSP_SETTINGS), "DSP settings layout");
static_assert(offsetof(X3DAUDIO_DSP_SETTINGS, EmitterToListenerDistance) ==
                  offsetof(F3DAUDIO_DSP_SETTINGS, EmitterToListenerDistance),
              "DSP settings layout");

namespace {

// Without azimuths a stereo emitter places its channels left and right of its position.
float g_stereoAzimuths[2] = {3.0f * X3DAUDIO_PI / 2.0f, X3DAUDIO_PI / 2.0f};

// Without curves a cue keeps its volume at every distance; its own settings decide fall-off.
X3DAUDIO_DISTANCE_CURVE_POINT g_flatPoints[2] = {{0.0f, 1.0f}, {1.0f, 1.0f}};
X3DAUDIO_DISTANCE_CURVE g_flatCurve = {g_flatPoints, 2};

constexpr UINT32 kMaxChannels = 8;

} // namespace

void X3DAudioInitialize(UINT32 SpeakerChannelMask, FLOAT32 SpeedOfSound, X3DAUDIO_HANDLE Instance)
{
    if (!Instance)
        return;
    F3DAudioInitialize(SpeakerChannelMask, SpeedOfSound, Instance);
}

void X3DAudioCalculate(const X3DAUDIO_HANDLE Instance, const X3DAUDIO_LISTENER* pListener,
                       const X3DAUDIO_EMITTER* pEmitter, UINT32 Flags, X3DAUDIO_DSP_SETTINGS* pDSPSettings)
{
    if (!Instance || !pListener || !pEmitter || !pDSPSettings)
        return;
    F3DAudioCalculate(Instance, reinterpret_cast<const F3DAUDIO_LISTENER*>(pListener),
                      reinterpret_cast<const F3DAUDIO_EMITTER*>(pEmitter), Flags,
                      reinterpret_cast<F3DAUDIO_DSP_SETTINGS*>(pDSPSettings));
}

HRESULT XACT3DInitialize(IXACT3Engine* pEngine, X3DAUDIO_HANDLE X3DInstance)
{
    if (!pEngine || !X3DInstance)
        return E_POINTER;
    WAVEFORMATEXTENSIBLE mix;
    HRESULT hr = pEngine->GetFinalMixFormat(&mix);
    if (FAILED(hr))
        return hr;
    DWORD mask = mix.dwChannelMask;
    if (mask == 0)
        mask = mix.Format.nChannels == 1 ? SPEAKER_MONO : SPEAKER_STEREO;
    float speed = X3DAUDIO_SPEED_OF_SOUND;
    XACTVARIABLEINDEX index = pEngine->GetGlobalVariableIndex("SpeedOfSound");
    if (index != XACTVARIABLEINDEX_INVALID) {
        XACTVARIABLEVALUE value = 0.0f;
        if (SUCCEEDED(pEngine->GetGlobalVariable(index, &value)) && value > 0.0f)
            speed = value;
    }
    if (F3DAudioInitialize8(mask, speed, X3DInstance) != 0)
        return E_FAIL;
    return S_OK;
}

HRESULT XACT3DCalculate(X3DAUDIO_HANDLE X3DInstance, const X3DAUDIO_LISTENER* pListener, X3DAUDIO_EMITTER* pEmitter,
                        X3DAUDIO_DSP_SETTINGS* pDSPSettings)
{
    if (!X3DInstance || !pListener || !pEmitter || !pDSPSettings || !pDSPSettings->pMatrixCoefficients)
        return E_POINTER;
    // F3DAudio asserts on these rather than failing.
    if (pEmitter->ChannelCount < 1 || pEmitter->ChannelCount > kMaxChannels ||
        pDSPSettings->SrcChannelCount != pEmitter->ChannelCount || pDSPSettings->DstChannelCount < 1 ||
        pDSPSettings->DstChannelCount > kMaxChannels)
        return E_INVALIDARG;
    if (pEmitter->ChannelCount > 1 && !pEmitter->pChannelAzimuths) {
        if (pEmitter->ChannelCount != 2)
            return E_INVALIDARG;
        pEmitter->ChannelRadius = 1.0f;
        pEmitter->pChannelAzimuths = g_stereoAzimuths;
    }
    if (!pEmitter->pVolumeCurve)
        pEmitter->pVolumeCurve = &g_flatCurve;
    if (!pEmitter->pLFECurve)
        pEmitter->pLFECurve = &g_flatCurve;
    X3DAudioCalculate(X3DInstance, pListener, pEmitter,
                      X3DAUDIO_CALCULATE_MATRIX | X3DAUDIO_CALCULATE_DOPPLER | X3DAUDIO_CALCULATE_EMITTER_ANGLE,
                      pDSPSettings);
    return S_OK;
}

HRESULT XACT3DApply(const X3DAUDIO_DSP_SETTINGS* pDSPSettings, IXACT3Cue* pCue)
{
    if (!pDSPSettings || !pCue)
        return E_POINTER;
    HRESULT hr = pCue->SetMatrixCoefficients(pDSPSettings->SrcChannelCount, pDSPSettings->DstChannelCount,
                                             pDSPSettings->pMatrixCoefficients);
    if (FAILED(hr))
        return hr;
    // The cue variables exist only when the global settings declare them.
    struct {
        const char* name;
        float value;
    } const variables[] = {
        {"Distance", pDSPSettings->EmitterToListenerDistance},
        {"DopplerPitchScalar", pDSPSettings->DopplerFactor},
        {"OrientationAngle", pDSPSettings->EmitterToListenerAngle * (180.0f / X3DAUDIO_PI)},
    };
    for (const auto& v : variables) {
        XACTVARIABLEINDEX index = pCue->GetVariableIndex(v.name);
        if (index == XACTVARIABLEINDEX_INVALID)
            continue;
        hr = pCue->SetVariable(index, v.value);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}
