#pragma once
// Direct3D 9 value types shared by d3d9.h and the D3DX headers.
#include <windef.h>

typedef struct _D3DVECTOR {
    float x;
    float y;
    float z;
} D3DVECTOR;

typedef struct _D3DCOLORVALUE {
    float r;
    float g;
    float b;
    float a;
} D3DCOLORVALUE;

typedef struct _D3DRECT {
    LONG x1;
    LONG y1;
    LONG x2;
    LONG y2;
} D3DRECT;

typedef struct _D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
} D3DMATRIX;

typedef struct _D3DVIEWPORT9 {
    DWORD X;
    DWORD Y;
    DWORD Width;
    DWORD Height;
    float MinZ;
    float MaxZ;
} D3DVIEWPORT9;

// Colours are packed A R G B from the top byte down.
typedef DWORD D3DCOLOR;

#define D3DCOLOR_ARGB(a, r, g, b)                                                                \
    ((D3DCOLOR)((((DWORD)(a) & 0xffu) << 24) | (((DWORD)(r) & 0xffu) << 16) |                    \
                (((DWORD)(g) & 0xffu) << 8) | ((DWORD)(b) & 0xffu)))
#define D3DCOLOR_RGBA(r, g, b, a) D3DCOLOR_ARGB(a, r, g, b)
#define D3DCOLOR_XRGB(r, g, b) D3DCOLOR_ARGB(0xff, r, g, b)
// Each channel is truncated after scaling to 0..255, as Direct3D does.
#define D3DCOLOR_COLORVALUE(r, g, b, a)                                                          \
    D3DCOLOR_RGBA((DWORD)((r) * 255.f), (DWORD)((g) * 255.f), (DWORD)((b) * 255.f),              \
                  (DWORD)((a) * 255.f))
