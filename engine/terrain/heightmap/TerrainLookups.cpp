#include "terrain/heightmap/TerrainLookups.h"

#include "scene/SplineManager.h"

namespace Ulvo {

namespace {

std::wstring& effectName()
{
    static std::wstring name;
    return name;
}

SplineManager*& splineManager()
{
    static SplineManager* splines = nullptr;
    return splines;
}

} // namespace

const std::wstring& heightMapEffectName()
{
    return effectName();
}

void setHeightMapEffectName(const std::wstring& name)
{
    effectName() = name;
}

Spline* findTerrainSpline(ObjektManager*, const std::wstring& name)
{
    SplineManager* splines = splineManager();
    return splines ? splines->getSpline(name) : nullptr;
}

void setTerrainSplineManager(SplineManager* splines)
{
    splineManager() = splines;
}

} // namespace Ulvo
