#pragma once
// D3DX 9 animation: the frame hierarchy of an animated mesh.
#include <d3dx9math.h>

struct _D3DXMESHCONTAINER;
typedef _D3DXMESHCONTAINER* LPD3DXMESHCONTAINER;

typedef struct _D3DXFRAME {
    LPSTR Name;
    D3DXMATRIX TransformationMatrix;
    LPD3DXMESHCONTAINER pMeshContainer;
    struct _D3DXFRAME* pFrameSibling;
    struct _D3DXFRAME* pFrameFirstChild;
} D3DXFRAME, *LPD3DXFRAME;
