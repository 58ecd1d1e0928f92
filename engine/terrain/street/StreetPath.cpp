// The road's path sampling: the control points (with their guard points) become samples with a
// position, width scale, heading and distance along the road; CHANGE pieces carve the terrain and
// TERRAIN_CREATION pieces take its heights as they go.
#include "foundation/logging/Logger.h"
#include "scene/HeightMap.h"
#include "scene/SceneBudget.h"
#include "terrain/street/StreetObjekt.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

namespace {

constexpr float kPi = 3.14159265358979f;

// The rotation about y that turns +z onto the horizontal direction d; false when d has no
// horizontal extent (or is not a number), whose heading is then the caller's to choose.
bool headingOf(D3DXVECTOR3 d, float& heading)
{
    d.y = 0.0f;
    D3DXVec3Normalize(&d, &d);
    if (!(d.x != 0.0f || d.z != 0.0f) || !std::isfinite(d.x) || !std::isfinite(d.z))
        return false;
    float a;
    if (d.x == 0.0f) {
        a = d.z < 0.0f ? 4.712389f : 1.5707964f;
    } else {
        a = std::atan(d.z / d.x);
        if (d.x < 0.0f)
            a += kPi;
    }
    heading = kPi / 2.0f - a;
    return true;
}

} // namespace

void StreetObjekt::StreetPath::samplePath(HeightMap* terrain, std::size_t maxSamples)
{
    samples.clear();
    const int n = static_cast<int>(controlPoints.size()) - 2;
    bool changed = false, cut = false, stopped = false;
    for (int i = 1; i <= n - 1 && !cut; ++i) {
        const ControlPoint& point = controlPoints[static_cast<std::size_t>(i)];
        const ControlPoint& next = controlPoints[static_cast<std::size_t>(i + 1)];
        const D3DXVECTOR3& p0 = controlPoints[static_cast<std::size_t>(i - 1)].position;
        const D3DXVECTOR3& p1 = point.position;
        const D3DXVECTOR3& p2 = next.position;
        const D3DXVECTOR3& p3 = controlPoints[static_cast<std::size_t>(i + 2)].position;
        const int steps = point.stepCount < 2 ? 1 : std::min(point.stepCount, kMaxPieceSteps);
        for (int k = 0; k < steps; ++k) {
            if (samples.size() >= maxSamples) {
                cut = true;
                break;
            }
            const float t = static_cast<float>(k) / static_cast<float>(steps);
            D3DXVECTOR3 curve;
            D3DXVec3CatmullRom(&curve, &p0, &p1, &p2, &p3, t);
            const D3DXVECTOR3 line = p1 + (p2 - p1) * t;
            const bool xz = point.flags & FLAG_CATMULL_XZ, y = point.flags & FLAG_CATMULL_Y;
            D3DXVECTOR3 position(xz ? curve.x : line.x, y ? curve.y : line.y, xz ? curve.z : line.z);
            if (terrain) {
                if (point.flags & FLAG_CHANGE) {
                    // A long road carves thousands of times: a termination signal ends the road
                    // here, without samples (it gets no mesh).
                    if (SceneBudget::terminationPending()) {
                        samples.clear();
                        cut = stopped = true;
                        break;
                    }
                    terrain->modifyHeightRadius(position, changeRadius, changeFalloff);
                    changed = true;
                }
                if (point.flags & FLAG_TERRAIN_CREATION)
                    position.y = terrain->getHeight(position);
            }
            PathSample sample;
            sample.position = position;
            sample.controlPoint = &point;
            sample.widthScale = point.scale + (next.scale - point.scale) * static_cast<float>(k) / steps;
            samples.push_back(sample);
        }
    }
    if (cut && !stopped)
        mainLogger().log(100, LOG_TYPE_WARNING, L"StreetObjekt: the road over terrain ", terrainName,
                         L" is longer than its mesh may be; it ends after ", maxSamples, L" samples\n");
    if ((pathFlags & PATH_LOOP) && !samples.empty())
        samples.push_back(samples.front());

    const std::size_t count = samples.size();
    const bool loop = pathFlags & PATH_LOOP;
    float lastHeading = 0.0f;
    for (std::size_t j = 0; j < count; ++j) {
        PathSample& sample = samples[j];
        D3DXVECTOR3 d;
        if (j > 0 && j + 1 < count)
            d = samples[j + 1].position - samples[j - 1].position;
        else if (loop)
            d = samples[(j + 1) % count].position - samples[(j + count - 1) % count].position;
        else if (j > 0)
            d = sample.position - samples[j - 1].position;
        else
            d = samples[1 % count].position - sample.position;
        if (j == 0) {
            sample.distance = 0.0f;
        } else {
            const D3DXVECTOR3 step = sample.position - samples[j - 1].position;
            sample.distance = samples[j - 1].distance + D3DXVec3Length(&step);
        }
        // Two samples on top of each other have no direction: keep the one before.
        if (!headingOf(d, sample.heading))
            sample.heading = lastHeading;
        lastHeading = sample.heading;
    }
    if (changed && terrain)
        terrain->endModify();
}

} // namespace Ulvo
