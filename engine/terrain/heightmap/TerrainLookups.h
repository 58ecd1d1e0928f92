#pragma once
// What the grid terrain looks up outside itself by name: the effect bundle a scene file names for
// clipmap descriptions built as grid terrains (HEIGHTMAP_EFFECT) and the splines it flattens
// along. One place, so that the terrain does not depend on where the scene files and the splines
// keep them: the object manager's scene loader and the engine set them here.
#include <string>

namespace Ulvo {

class ObjektManager;
class Spline;
class SplineManager;

// The HEIGHTMAP_EFFECT of the last scene file that asked for clipmaps as grid terrains.
const std::wstring& heightMapEffectName();
void setHeightMapEffectName(const std::wstring& name);

// The spline of that name, or null (none without a spline manager).
Spline* findTerrainSpline(ObjektManager* owner, const std::wstring& name);
void setTerrainSplineManager(SplineManager* splines);

} // namespace Ulvo
