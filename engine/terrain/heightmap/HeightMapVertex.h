#pragma once
// One vertex of the grid terrain as its vertex buffer holds it (FVF XYZ | NORMAL | DIFFUSE | TEX1,
// 36 bytes). The quadtree reads and morphs the position, which must stay the first member.
#include <d3d9.h>
#include <d3dx9math.h>

namespace Ulvo {

struct HeightMapVertex {
    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 normal{0.0f, 1.0f, 0.0f};
    D3DCOLOR diffuse = 0xFFFFFFFF;
    D3DXVECTOR2 uv{0.0f, 0.0f};

    static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
};

static_assert(sizeof(HeightMapVertex) == 36, "the vertex buffer's stride");
static_assert(HeightMapVertex::FVF == 0x152, "the terrain's vertex format");

} // namespace Ulvo
