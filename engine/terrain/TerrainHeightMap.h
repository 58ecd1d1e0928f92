#pragma once
// The HeightMap reads that every terrain answers the same way: a world point (or its x/z) goes
// through worldToUV to the UV query. A terrain derives from this instead of HeightMap and
// implements only the UV queries and the edits; scene/HeightMap.h stays a pure interface.
#include "scene/HeightMap.h"

namespace Ulvo {

class TerrainHeightMap : public HeightMap {
public:
    float getHeight(const D3DXVECTOR3& point) override;
    float getHeight(const D3DXVECTOR2& xz) override;
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR3& point, bool smooth) override;
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR2& xz, bool smooth) override;

protected:
    TerrainHeightMap() = default;
    TerrainHeightMap(const TerrainHeightMap&) = default;
    TerrainHeightMap& operator=(const TerrainHeightMap&) = default;
};

} // namespace Ulvo
