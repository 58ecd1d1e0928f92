#include "terrain/TerrainHeightMap.h"

namespace Ulvo {

float TerrainHeightMap::getHeight(const D3DXVECTOR3& point)
{
    D3DXVECTOR2 uv;
    return getHeightUV(*worldToUV(&uv, point));
}

float TerrainHeightMap::getHeight(const D3DXVECTOR2& xz)
{
    return getHeight(D3DXVECTOR3(xz.x, 0.0f, xz.y));
}

D3DXVECTOR3* TerrainHeightMap::getNormal(D3DXVECTOR3* out, const D3DXVECTOR3& point, bool smooth)
{
    D3DXVECTOR2 uv;
    return getNormalUV(out, *worldToUV(&uv, point), smooth);
}

D3DXVECTOR3* TerrainHeightMap::getNormal(D3DXVECTOR3* out, const D3DXVECTOR2& xz, bool smooth)
{
    return getNormal(out, D3DXVECTOR3(xz.x, 0.0f, xz.y), smooth);
}

} // namespace Ulvo
