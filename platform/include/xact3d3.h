#pragma once
// XACT3 with X3DAudio: positioning a cue from a listener and an emitter.
#include <xact3.h>
#include <x3daudio.h>

// Prepares X3DInstance for the engine's final mix (speaker mask) and the speed of sound in the
// global variable "SpeedOfSound". Fails when the engine is null or not initialised.
HRESULT XACT3DInitialize(IXACT3Engine* pEngine, X3DAUDIO_HANDLE X3DInstance);

// Computes the output matrix, Doppler factor and emitter angle for a cue. The DSP settings
// need matrix storage of SrcChannelCount * DstChannelCount floats. Fails on null arguments.
HRESULT XACT3DCalculate(X3DAUDIO_HANDLE X3DInstance, const X3DAUDIO_LISTENER* pListener, X3DAUDIO_EMITTER* pEmitter,
                        X3DAUDIO_DSP_SETTINGS* pDSPSettings);

// Applies calculated settings to a cue: its output matrix and the cue variables "Distance",
// "DopplerPitchScalar" and "OrientationAngle" (degrees).
HRESULT XACT3DApply(const X3DAUDIO_DSP_SETTINGS* pDSPSettings, IXACT3Cue* pCue);
