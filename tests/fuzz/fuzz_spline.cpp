// Reads arbitrary bytes as a spline file, registers its SPLINE nodes with a spline manager and
// evaluates every spline: points across and beyond its parameter range, distance and parameter
// both ways, the nearest point in x-z with ordinary and degenerate steps, and a reload. Whatever
// the description says (blends of blends, absurd point counts, parameters, flags and slots),
// evaluation reads only the point lists, ends, and a finite length gives a parameter inside the
// spline.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/SplineManager.h"
#include "scene/splines/Spline.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void exercise(Ulvo::Spline& spline)
{
    const std::size_t n = spline.getPointStore().size();
    const std::size_t pads = spline.getFrontPads().size();
    check(pads == spline.getBackPads().size());
    check(n < 2 ? pads == 0 : pads == (spline.isLoop() ? 3u : 2u));
    for (float t : {-7.5f, -1.0f, 0.0f, 0.25f, 1.5f, float(n), float(n) + 9.0f, 1e30f, -1e30f, NAN})
        spline.getPointAt(t);
    for (int i : {-100, -3, -1, 0, 1, int(n), int(n) + 3, 100000})
        check((spline.getPaddedPoint(i) != nullptr) == (n > 0));
    const float length = spline.getLength();
    for (float d : {-1e30f, -5.0f, 0.0f, 3.0f, length * 0.5f, length, length + 1.0f, 1e30f}) {
        const float t = spline.getParamAtDistance(d);
        if (std::isfinite(length) && std::isfinite(d))
            check(std::isfinite(t) && t >= 0.0f && t <= float(n));
        spline.getDistanceAtParam(t);
    }
    float param = 0.0f;
    float distance = 0.0f;
    for (float step : {0.1f, 0.0f, -1.0f, 1e-30f, NAN})
        check(spline.findNearestParamXZ(D3DXVECTOR2(1.0f, 2.0f), param, distance, step) == (n > 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);

    Ulvo::SplineManager manager;
    if (root.getName() == L"SPLINE")
        manager.addSpline(&root);
    for (Ulvo::XMLNode* node : root.getNodes()) {
        if (node && node->getName() == L"SPLINE")
            manager.addSpline(node);
    }
    for (Ulvo::Spline* spline : manager.getSplines()) {
        exercise(*spline);
        manager.reload(spline);
        exercise(*spline);
    }
    return 0;
}
