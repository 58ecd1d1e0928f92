#pragma once
// X3DAudio: positions a sound for the listener's speakers (output matrix, Doppler, distance).
// The structures keep the documented layout; vectors are D3DVECTOR, so a D3DXVECTOR3 can be
// assigned to any position or orientation.
#include <windef.h>
#include <d3d9types.h>

// Sized names the audio headers use (a repeated typedef of the same type is harmless).
typedef float FLOAT32;
typedef uint32_t UINT32;
typedef uint16_t UINT16;
typedef const char* PCSTR;

// ---------------------------------------------------------------------------------------------
// Speaker positions (channel masks)

#ifndef _SPEAKER_POSITIONS_
#define _SPEAKER_POSITIONS_
#define SPEAKER_FRONT_LEFT 0x00000001
#define SPEAKER_FRONT_RIGHT 0x00000002
#define SPEAKER_FRONT_CENTER 0x00000004
#define SPEAKER_LOW_FREQUENCY 0x00000008
#define SPEAKER_BACK_LEFT 0x00000010
#define SPEAKER_BACK_RIGHT 0x00000020
#define SPEAKER_FRONT_LEFT_OF_CENTER 0x00000040
#define SPEAKER_FRONT_RIGHT_OF_CENTER 0x00000080
#define SPEAKER_BACK_CENTER 0x00000100
#define SPEAKER_SIDE_LEFT 0x00000200
#define SPEAKER_SIDE_RIGHT 0x00000400
#define SPEAKER_TOP_CENTER 0x00000800
#define SPEAKER_TOP_FRONT_LEFT 0x00001000
#define SPEAKER_TOP_FRONT_CENTER 0x00002000
#define SPEAKER_TOP_FRONT_RIGHT 0x00004000
#define SPEAKER_TOP_BACK_LEFT 0x00008000
#define SPEAKER_TOP_BACK_CENTER 0x00010000
#define SPEAKER_TOP_BACK_RIGHT 0x00020000
#endif

#ifndef SPEAKER_STEREO
#define SPEAKER_MONO SPEAKER_FRONT_CENTER
#define SPEAKER_STEREO (SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT)
#endif

// ---------------------------------------------------------------------------------------------
// Constants and flags

#define X3DAUDIO_HANDLE_BYTESIZE 20
#define X3DAUDIO_PI 3.141592654f
#define X3DAUDIO_2PI 6.283185307f
#define X3DAUDIO_SPEED_OF_SOUND 343.5f

#define X3DAUDIO_CALCULATE_MATRIX 0x00000001
#define X3DAUDIO_CALCULATE_DELAY 0x00000002
#define X3DAUDIO_CALCULATE_LPF_DIRECT 0x00000004
#define X3DAUDIO_CALCULATE_LPF_REVERB 0x00000008
#define X3DAUDIO_CALCULATE_REVERB 0x00000010
#define X3DAUDIO_CALCULATE_DOPPLER 0x00000020
#define X3DAUDIO_CALCULATE_EMITTER_ANGLE 0x00000040
#define X3DAUDIO_CALCULATE_ZEROCENTER 0x00010000
#define X3DAUDIO_CALCULATE_REDIRECT_TO_LFE 0x00020000

// ---------------------------------------------------------------------------------------------
// Types

typedef BYTE X3DAUDIO_HANDLE[X3DAUDIO_HANDLE_BYTESIZE];
typedef D3DVECTOR X3DAUDIO_VECTOR;

typedef struct X3DAUDIO_DISTANCE_CURVE_POINT {
    FLOAT32 Distance;   // normalised distance, 0..1
    FLOAT32 DSPSetting; // value at that distance
} X3DAUDIO_DISTANCE_CURVE_POINT, *LPX3DAUDIO_DISTANCE_CURVE_POINT;

// Byte-packed like the other X3DAudio structures; the rest have no padding either way.
#pragma pack(push, 1)
typedef struct X3DAUDIO_DISTANCE_CURVE {
    X3DAUDIO_DISTANCE_CURVE_POINT* pPoints; // sorted by distance, first at 0, last at 1
    UINT32 PointCount;
} X3DAUDIO_DISTANCE_CURVE, *LPX3DAUDIO_DISTANCE_CURVE;
#pragma pack(pop)

typedef struct X3DAUDIO_CONE {
    FLOAT32 InnerAngle; // radians, 0..2pi
    FLOAT32 OuterAngle;
    FLOAT32 InnerVolume;
    FLOAT32 OuterVolume;
    FLOAT32 InnerLPF;
    FLOAT32 OuterLPF;
    FLOAT32 InnerReverb;
    FLOAT32 OuterReverb;
} X3DAUDIO_CONE, *LPX3DAUDIO_CONE;

typedef struct X3DAUDIO_LISTENER {
    X3DAUDIO_VECTOR OrientFront; // unit length, orthonormal to OrientTop
    X3DAUDIO_VECTOR OrientTop;
    X3DAUDIO_VECTOR Position;
    X3DAUDIO_VECTOR Velocity;
    X3DAUDIO_CONE* pCone; // null: omnidirectional
} X3DAUDIO_LISTENER, *LPX3DAUDIO_LISTENER;

typedef struct X3DAUDIO_EMITTER {
    X3DAUDIO_CONE* pCone; // null: omnidirectional (single-channel emitters only)
    X3DAUDIO_VECTOR OrientFront;
    X3DAUDIO_VECTOR OrientTop;
    X3DAUDIO_VECTOR Position;
    X3DAUDIO_VECTOR Velocity;
    FLOAT32 InnerRadius;
    FLOAT32 InnerRadiusAngle;
    UINT32 ChannelCount;
    FLOAT32 ChannelRadius;
    FLOAT32* pChannelAzimuths; // ChannelCount entries; may be null for one channel
    X3DAUDIO_DISTANCE_CURVE* pVolumeCurve;
    X3DAUDIO_DISTANCE_CURVE* pLFECurve;
    X3DAUDIO_DISTANCE_CURVE* pLPFDirectCurve;
    X3DAUDIO_DISTANCE_CURVE* pLPFReverbCurve;
    X3DAUDIO_DISTANCE_CURVE* pReverbCurve;
    FLOAT32 CurveDistanceScaler;
    FLOAT32 DopplerScaler;
} X3DAUDIO_EMITTER, *LPX3DAUDIO_EMITTER;

typedef struct X3DAUDIO_DSP_SETTINGS {
    FLOAT32* pMatrixCoefficients; // SrcChannelCount * DstChannelCount, caller's buffer
    FLOAT32* pDelayTimes;         // DstChannelCount, caller's buffer; may be null
    UINT32 SrcChannelCount;
    UINT32 DstChannelCount;
    FLOAT32 LPFDirectCoefficient;
    FLOAT32 LPFReverbCoefficient;
    FLOAT32 ReverbLevel;
    FLOAT32 DopplerFactor;
    FLOAT32 EmitterToListenerAngle;
    FLOAT32 EmitterToListenerDistance;
    FLOAT32 EmitterVelocityComponent;
    FLOAT32 ListenerVelocityComponent;
} X3DAUDIO_DSP_SETTINGS, *LPX3DAUDIO_DSP_SETTINGS;

// ---------------------------------------------------------------------------------------------
// Functions

// Prepares an instance for the given speaker layout. SpeedOfSound is in user units per second.
void X3DAudioInitialize(UINT32 SpeakerChannelMask, FLOAT32 SpeedOfSound, X3DAUDIO_HANDLE Instance);

// Fills pDSPSettings for the emitter as heard by the listener; Flags is X3DAUDIO_CALCULATE_*.
void X3DAudioCalculate(const X3DAUDIO_HANDLE Instance, const X3DAUDIO_LISTENER* pListener,
                       const X3DAUDIO_EMITTER* pEmitter, UINT32 Flags, X3DAUDIO_DSP_SETTINGS* pDSPSettings);
