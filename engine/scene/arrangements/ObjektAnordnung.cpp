#include "scene/arrangements/ObjektAnordnung.h"

#include <crt.h>

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/DirectionAngle.h"
#include "scene/HeightMap.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "scene/arrangements/PlacementSources.h"
#include "scene/splines/Spline.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace Ulvo {

namespace {

// Draws of one density value per copy before the copy is given up.
constexpr int kDensityAttempts = 1000;
// Steps of one exact-distance search before its last candidate is taken.
constexpr int kExactDistanceSteps = 100;
constexpr float kRadiansPerDegree = 0.017453292f;

double draw()
{
    return static_cast<double>(crt_rand()) / 32767.0;
}

// A value of a range, as the arrangements draw it: MAX + u (MIN - MAX).
float drawBetween(float low, float high)
{
    return static_cast<float>(high + draw() * (low - high));
}

// One value per axis, drawn X, then Y, then Z: named steps, because the order in which a
// constructor's arguments are evaluated is the compiler's choice.
D3DXVECTOR3 drawBetween(const D3DXVECTOR3& low, const D3DXVECTOR3& high)
{
    const float x = drawBetween(low.x, high.x);
    const float y = drawBetween(low.y, high.y);
    const float z = drawBetween(low.z, high.z);
    return D3DXVECTOR3(x, y, z);
}

D3DXVECTOR3 readXYZ(const XMLNode* node, const wchar_t* name, float fallback)
{
    D3DXVECTOR3 v(fallback, fallback, fallback);
    node->readPoint(name, v);
    return v;
}

// YAW, PITCH, ROLL of the named child node.
D3DXVECTOR3 readAngles(const XMLNode* node, const wchar_t* name)
{
    D3DXVECTOR3 v(0.0f, 0.0f, 0.0f);
    if (const XMLNode* angles = node->getNode(name)) {
        angles->readFloat(L"YAW", v.x);
        angles->readFloat(L"PITCH", v.y);
        angles->readFloat(L"ROLL", v.z);
    }
    return v;
}

D3DXQUATERNION yawPitchRoll(const D3DXVECTOR3& degrees)
{
    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, degrees.x * kRadiansPerDegree, degrees.y * kRadiansPerDegree,
                                       degrees.z * kRadiansPerDegree);
    return q;
}

// The tilt onto the terrain under the position, followed by rotation.
D3DXQUATERNION tiltOnto(HeightMap& terrain, const D3DXVECTOR3& position, const D3DXQUATERNION& rotation)
{
    D3DXVECTOR3 n(0.0f, 1.0f, 0.0f);
    terrain.getNormal(&n, position, true);
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &n);
    const D3DXVECTOR3 axis(unit.z, 0.0f, -unit.x);
    D3DXQUATERNION tilt(0.0f, 0.0f, 0.0f, 1.0f);
    // Flat (or upside-down) ground has no tilt axis: no tilt rather than a rotation about nothing.
    // The positive angle turns the copy's up onto the normal; the negative one mirrored it uphill.
    if (D3DXVec3Length(&axis) > 1e-6f)
        D3DXQuaternionRotationAxis(&tilt, &axis, std::acos(std::clamp(unit.y, -1.0f, 1.0f)));
    D3DXQUATERNION out;
    D3DXQuaternionMultiply(&out, &tilt, &rotation);
    return out;
}

// The copies asked for, held to the bound.
int copyCount(const XMLNode* node, int fallback)
{
    int count = fallback;
    node->readInt(L"ANZAHL", count);
    if (count > kMaxArrangementCopies) {
        mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::loadArrangement: ", node->getName(), L" ANZAHL ",
                         std::to_wstring(count), L" is too many; ", std::to_wstring(kMaxArrangementCopies),
                         L" are placed\n");
        count = kMaxArrangementCopies;
    }
    return count;
}

// Scale and rotation ranges, shared by RANDOM, SPLINE and PARAMETER.
struct Ranges {
    explicit Ranges(const XMLNode* node)
        : minScale(readXYZ(node, L"MINSCALE", 1.0f))
        , maxScale(readXYZ(node, L"MAXSCALE", 1.0f))
        , minRot(readAngles(node, L"MINROT"))
        , maxRot(readAngles(node, L"MAXROT"))
    {
        node->readFlag(L"SCALE_SYMETRIC", symmetric);
    }

    D3DXVECTOR3 drawScale() const
    {
        D3DXVECTOR3 scale = drawBetween(minScale, maxScale);
        if (symmetric) {
            const float keep = static_cast<float>(1.0 - draw());
            scale = minScale + (maxScale - minScale) * keep;
        }
        return scale;
    }

    D3DXVECTOR3 minScale;
    D3DXVECTOR3 maxScale;
    D3DXVECTOR3 minRot;
    D3DXVECTOR3 maxRot;
    bool symmetric = true;
};

class Arrangement {
public:
    Arrangement(ObjektManager& manager, SplineManager* splines) : m_manager(manager), m_splines(splines) {}

    bool readSources(const XMLNode& node)
    {
        double total = 0.0;
        for (const XMLNode* child : node.getNodes()) {
            if (!child || child->getName() != L"SRC_OBJECT")
                continue;
            BaseObjekt* object = m_manager.find(child->getAttributeValue(L"NAME"));
            if (!object)
                continue;
            double weight = 1.0;
            child->readDouble(L"PROP", weight);
            if (!(weight >= 0.0) || !std::isfinite(weight))
                weight = 0.0;
            m_sources.push_back({object, weight});
            total += weight;
        }
        double share = 0.0;
        for (Source& source : m_sources) {
            // No weight at all: every source alike.
            share += total > 0.0 ? source.weight / total : 1.0 / static_cast<double>(m_sources.size());
            source.weight = share;
        }
        return !m_sources.empty();
    }

    std::size_t chooseByWeight() const
    {
        const double r = draw();
        for (std::size_t i = 0; i < m_sources.size(); ++i) {
            if (!(m_sources[i].weight < r))
                return i;
        }
        return m_sources.size() - 1;
    }

    std::size_t clampIndex(long index) const
    {
        return static_cast<std::size_t>(std::clamp<long>(index, 0, static_cast<long>(m_sources.size()) - 1));
    }

    void placeInstances(const XMLNode& node, std::vector<BaseObjekt*>& made)
    {
        bool rotateXZ = false;
        float minY = -FLT_MAX;
        node.readFlag(L"ROTATE_XZ", rotateXZ);
        node.readFloat(L"MIN_Y", minY);
        HeightMap* terrain = findTerrain(node);
        int count = 0;
        for (const XMLNode* instance : node.getNodes()) {
            if (!instance || instance->getName() != L"INSTANZ")
                continue;
            if (++count > kMaxArrangementCopies) {
                logTooMany(node);
                return;
            }
            std::size_t index = chooseByWeight();
            long chosen = 0;
            if (instance->readInt(L"OBJEKT_OVERRIDE", chosen))
                index = clampIndex(chosen);
            BaseObjekt* source = m_sources[index].object;
            BaseObjekt* copy = cloneOf(source);
            if (!copy)
                return;

            D3DXVECTOR3 position = copy->getBasePosition();
            instance->readPoint(L"POSITION", position);
            const XMLNode* param = instance->getNode(L"POSITION_PARAM");
            if (terrain && param) {
                D3DXVECTOR2 uv(0.0f, 0.0f);
                param->readFloat(L"X", uv.x);
                param->readFloat(L"Y", uv.y);
                terrain->getPositionUV(&position, uv);
            } else if (terrain) {
                position.y += terrain->getHeight(position);
            }
            position.y = std::max(position.y, minY);
            copy->setPosition(position);

            D3DXVECTOR3 scale = copy->getScale();
            bool multiply = false;
            instance->readFlag(L"MULTIPLY_SCALES", multiply);
            if (const XMLNode* scaleNode = instance->getNode(L"SCALE")) {
                const wchar_t* axes[] = {L"X", L"Y", L"Z"};
                for (int k = 0; k < 3; ++k) {
                    float value = 0.0f;
                    if (scaleNode->readFloat(axes[k], value))
                        static_cast<float*>(scale)[k] = multiply ? static_cast<float*>(scale)[k] * value : value;
                }
            }
            copy->setScale(scale);

            const D3DXVECTOR3 angles = readAngles(instance, L"ROTATION");
            if (instance->getNode(L"ROTATION"))
                copy->setRotationYawPitchRoll(angles);
            if (const XMLNode* quat = instance->getNode(L"ROTATION_QUAT")) {
                D3DXQUATERNION q(0.0f, 0.0f, 0.0f, 1.0f);
                quat->readFloat(L"X", q.x);
                quat->readFloat(L"Y", q.y);
                quat->readFloat(L"Z", q.z);
                quat->readFloat(L"W", q.w);
                D3DXQuaternionNormalize(&q, &q);
                copy->setRotation(q);
            }
            if (terrain && rotateXZ)
                copy->setRotation(tiltOnto(*terrain, position, yawPitchRoll(angles)));
            adopt(copy, source, made);
        }
    }

    void placeRandom(const XMLNode& node, std::vector<BaseObjekt*>& made)
    {
        const int count = copyCount(&node, 0);
        const D3DXVECTOR3 minPos = readXYZ(&node, L"MINPOS", 0.0f);
        const D3DXVECTOR3 maxPos = readXYZ(&node, L"MAXPOS", 0.0f);
        const Ranges ranges(&node);
        for (int i = 0; i < count; ++i) {
            const D3DXVECTOR3 position = drawBetween(minPos, maxPos);
            const D3DXVECTOR3 scale = ranges.drawScale();
            const D3DXVECTOR3 angles = drawBetween(ranges.minRot, ranges.maxRot);
            BaseObjekt* source = m_sources[chooseByWeight()].object;
            BaseObjekt* copy = cloneOf(source);
            if (!copy)
                return;
            copy->setPosition(position);
            copy->setScale(scale);
            copy->setRotationYawPitchRoll(angles);
            adopt(copy, source, made);
        }
    }

    void placeAlongSpline(const XMLNode& node, std::vector<BaseObjekt*>& made);
    void placeByParameter(const XMLNode& node, std::vector<BaseObjekt*>& made);
    void placeTrees(const XMLNode& node, std::vector<BaseObjekt*>& made);

private:
    struct Source {
        BaseObjekt* object;
        double weight; // cumulative share once read
    };

    HeightMap* findTerrain(const XMLNode& node) const
    {
        std::wstring name;
        if (!node.readString(L"HEIGHTMAP", name))
            return nullptr;
        return dynamic_cast<HeightMap*>(m_manager.find(name));
    }

    static void logTooMany(const XMLNode& node)
    {
        mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::loadArrangement: ", node.getName(), L" asks for more than ",
                         std::to_wstring(kMaxArrangementCopies), L" copies; the rest are passed over\n");
    }

    // A clone of source in its instance group, named after it; null when the clone fails or the
    // scene's budget has no room for it (said once, when the scene is done).
    BaseObjekt* cloneOf(BaseObjekt* source)
    {
        // Paid for the loader until the copy is there to hold it.
        SceneBudget& budget = m_manager.getSceneBudget();
        if (!budget.charge(source->copyCost(), source->getName(), this))
            return nullptr;
        BaseObjekt* copy = source->clone();
        if (copy)
            budget.transfer(this, static_cast<const NamedObject*>(copy));
        else
            budget.release(this);
        if (!copy) {
            mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::loadArrangement: \"", source->getName(),
                             L"\" could not be cloned; the arrangement stops here\n");
            return nullptr;
        }
        BaseObjekt::addInstance(source, copy);
        copy->rename(source->getName() + L"_INSTANZ_" + std::to_wstring(copy->getNumber()));
        return copy;
    }

    // Hands the copy to the manager (which disposes of it when the name is taken).
    void adopt(BaseObjekt* copy, BaseObjekt* source, std::vector<BaseObjekt*>& made)
    {
        const NamedObject* holder = copy; // taken while the copy lives: a refused name destroys it
        if (!m_manager.add(copy, true)) {
            m_manager.getSceneBudget().release(holder);
            return;
        }
        made.push_back(copy);
        if (SceneGraph* graph = source->getSceneGraph())
            graph->addObject(copy, true);
    }

    ObjektManager& m_manager;
    SplineManager* m_splines;
    std::vector<Source> m_sources;
};

void Arrangement::placeAlongSpline(const XMLNode& node, std::vector<BaseObjekt*>& made)
{
    const Spline* found = m_splines ? m_splines->getSpline(node.getAttributeValue(L"SPLINE_NAME")) : nullptr;
    if (!found)
        return;
    Spline spline(*found);
    HeightMap* terrain = findTerrain(node);
    float minY = -FLT_MAX;
    node.readFloat(L"MIN_Y", minY);

    if (const XMLNode* change = node.getNode(L"CHANGE_SPLINE")) {
        float sx = 1.0f;
        float sy = 0.0f;
        change->readFloat(L"PARAM_S_X", sx);
        change->readFloat(L"PARAM_S_Y", sy);
        // A zero divisor (PARAM_S_Y's default among them) leaves its axis as it is.
        if (sx == 0.0f)
            sx = 1.0f;
        if (sy == 0.0f)
            sy = 1.0f;
        for (SplinePoint& point : spline.getPointStore()) {
            point.position.x /= sx;
            point.position.z /= sy;
            if (terrain)
                terrain->getPositionUV(&point.position, D3DXVECTOR2(point.position.x, point.position.z));
            point.position.y = std::max(point.position.y, minY);
        }
        spline.build();
    }

    const int count = copyCount(&node, 0);
    const float length = spline.getLength();
    // A spline of no length has no places (and distances modulo 0 have no value).
    if (count <= 0 || !(length > 0.0f) || !std::isfinite(length))
        return;
    double minDist = 0.0;
    double maxDist = 2147483648.0;
    double startPos = 0.0;
    double startParam = 0.0;
    double yawOffset = 0.0;
    bool rotateY = false;
    bool rotateXZ = false;
    bool onTerrain = false;
    bool exact = true;
    node.readDouble(L"MIN_DIST", minDist);
    node.readDouble(L"MAX_DIST", maxDist);
    node.readDouble(L"START_POS", startPos);
    node.readDouble(L"START_PARAM", startParam);
    node.readDouble(L"ROTATION_Y_OFFSET", yawOffset);
    node.readFlag(L"ROTATE_Y", rotateY);
    node.readFlag(L"ROTATE_XZ", rotateXZ);
    node.readFlag(L"PLACE_ON_HEIGHTMAP", onTerrain);
    node.readFlag(L"USE_EXACT_DISTANCE", exact);
    const Ranges ranges(&node);
    D3DXVECTOR3 minShift(0.0f, 0.0f, 0.0f); // DIR, NORM, BINORM
    D3DXVECTOR3 maxShift(0.0f, 0.0f, 0.0f);
    for (auto [name, shift] : {std::pair{L"MIN_VERSCHIEBUNG", &minShift}, std::pair{L"MAX_VERSCHIEBUNG", &maxShift}}) {
        if (const XMLNode* shiftNode = node.getNode(name)) {
            shiftNode->readFloat(L"DIR", shift->x);
            shiftNode->readFloat(L"NORM", shift->y);
            shiftNode->readFloat(L"BINORM", shift->z);
        }
    }

    const double spacing = std::max(std::min(static_cast<double>(length) / count, maxDist), minDist);
    const double start = startPos + spline.getDistanceAtParam(static_cast<float>(startParam));

    struct Place {
        D3DXVECTOR3 position;
        D3DXVECTOR3 direction;
    };
    auto placeAt = [&](double s, float alongDir, float alongNorm, float alongBinorm) {
        const double d = std::fmod(s + start, static_cast<double>(length));
        SplinePoint point = spline.getPointAt(spline.getParamAtDistance(static_cast<float>(d)));
        D3DXVec3Normalize(&point.direction, &point.direction);
        D3DXVec3Normalize(&point.normal, &point.normal);
        D3DXVec3Normalize(&point.binormal, &point.binormal);
        return Place{point.position + point.binormal * alongBinorm + point.normal * alongNorm +
                         point.direction * alongDir,
                     point.direction};
    };

    double s = 0.0;
    const float firstBinorm = drawBetween(minShift.z, maxShift.z);
    const float firstNorm = drawBetween(minShift.y, maxShift.y);
    const float firstDir = drawBetween(minShift.x, maxShift.x);
    Place place = placeAt(s, firstDir, firstNorm, firstBinorm);
    int placed = 0;
    while (placed < count && s < length) {
        ++placed;
        BaseObjekt* source = m_sources[chooseByWeight()].object;
        BaseObjekt* copy = cloneOf(source);
        if (!copy)
            return;
        D3DXVECTOR3 position = place.position;
        if (onTerrain && terrain)
            position.y = terrain->getHeight(position) + drawBetween(minShift.y, maxShift.y);
        position.y = std::max(position.y, minY);
        copy->setPosition(position);
        copy->setScale(ranges.drawScale());

        const bool tilt = terrain && rotateXZ;
        D3DXVECTOR3 angles(0.0f, 0.0f, 0.0f);
        if (!rotateY)
            angles.x = drawBetween(ranges.minRot.x, ranges.maxRot.x);
        if (!tilt) {
            angles.y = drawBetween(ranges.minRot.y, ranges.maxRot.y);
            angles.z = drawBetween(ranges.minRot.z, ranges.maxRot.z);
        }
        const D3DXQUATERNION r = yawPitchRoll(angles);
        D3DXQUATERNION rotation = r;
        if (tilt) {
            rotation = tiltOnto(*terrain, position, r);
        } else if (rotateY) {
            const float turn = -(directionAngle(place.direction.x, place.direction.z) + static_cast<float>(yawOffset));
            const D3DXQUATERNION t = yawPitchRoll(D3DXVECTOR3(turn, 0.0f, 0.0f));
            D3DXQuaternionMultiply(&rotation, &t, &r);
        }
        copy->setRotation(rotation);
        adopt(copy, source, made);

        const float alongDir = drawBetween(minShift.x, maxShift.x);
        const float alongNorm = drawBetween(minShift.y, maxShift.y);
        const float alongBinorm = drawBetween(minShift.z, maxShift.z);
        if (!exact) {
            s += spacing;
            place = placeAt(s, alongDir, alongNorm, alongBinorm);
            continue;
        }
        for (int step = 0; step < kExactDistanceSteps; ++step) {
            s += spacing / 50.0;
            place = placeAt(s, alongDir, alongNorm, alongBinorm);
            const D3DXVECTOR3 gap = place.position - position;
            if (D3DXVec3Length(&gap) >= spacing)
                break;
        }
    }
}

void Arrangement::placeByParameter(const XMLNode& node, std::vector<BaseObjekt*>& made)
{
    const PlacementDensityMaker maker = PlacementDensities::getMaker();
    const std::unique_ptr<PlacementDensity> density =
        maker ? maker(node.getNode(L"PARAMETER")) : std::unique_ptr<PlacementDensity>();
    if (!density) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::loadArrangement: PARAMETER without a density field; no objects placed\n");
        return;
    }
    HeightMap* terrain = findTerrain(node);
    bool rotateXZ = false;
    float minY = -FLT_MAX;
    node.readFlag(L"ROTATE_XZ", rotateXZ);
    node.readFloat(L"MIN_Y", minY);
    const Ranges ranges(&node);
    const int count = copyCount(&node, 0);
    int skipped = 0;
    // A termination signal ends the search too when the field hardly accepts a place.
    for (int i = 0; i < count && !SceneBudget::terminationPending(); ++i) {
        D3DXVECTOR2 uv(0.0f, 0.0f);
        bool found = false;
        for (int attempt = 0; attempt < kDensityAttempts && !found; ++attempt) {
            uv.x = static_cast<float>(1.0 - draw());
            uv.y = static_cast<float>(1.0 - draw());
            found = density->value(uv) >= 0.5f;
        }
        if (!found) {
            ++skipped;
            continue;
        }
        BaseObjekt* source = m_sources[chooseByWeight()].object;
        BaseObjekt* copy = cloneOf(source);
        if (!copy)
            return;
        D3DXVECTOR3 position(uv.x, 0.0f, uv.y);
        if (terrain)
            terrain->getPositionUV(&position, uv);
        position.y = std::max(position.y, minY);
        copy->setPosition(position);
        copy->setScale(ranges.drawScale());
        D3DXVECTOR3 angles(drawBetween(ranges.minRot.x, ranges.maxRot.x), 0.0f, 0.0f);
        if (terrain && rotateXZ) {
            copy->setRotation(tiltOnto(*terrain, position, yawPitchRoll(angles)));
        } else {
            angles.y = drawBetween(ranges.minRot.y, ranges.maxRot.y);
            angles.z = drawBetween(ranges.minRot.z, ranges.maxRot.z);
            copy->setRotation(yawPitchRoll(angles));
        }
        adopt(copy, source, made);
    }
    if (skipped > 0)
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::loadArrangement: PARAMETER found no place of density 0.5 for ",
                         std::to_wstring(skipped), L" copies in ", std::to_wstring(kDensityAttempts),
                         L" draws each; they were passed over\n");
}

void Arrangement::placeTrees(const XMLNode& node, std::vector<BaseObjekt*>& made)
{
    const auto* trees = dynamic_cast<const TreePlaceSource*>(m_manager.find(node.getAttributeValue(L"BAUMOBJEKT")));
    if (!trees)
        return;
    std::vector<TreePlace> places;
    trees->collectTreePlaces(places);
    int count = copyCount(&node, -1);
    float factor = 1.0f;
    bool randomInstance = true;
    bool randomTree = true;
    node.readFloat(L"SCALE_FAKTOR", factor);
    node.readFlag(L"RANDOM_INSTANCE", randomInstance);
    node.readFlag(L"RANDOM_TREE", randomTree);
    if (count == -1 || count > static_cast<int>(places.size()))
        count = std::min(static_cast<int>(places.size()), kMaxArrangementCopies);
    for (int i = 0; i < count; ++i) {
        TreePlace place;
        if (randomInstance) {
            const std::size_t k = static_cast<std::size_t>(crt_rand()) % places.size();
            place = places[k];
            places.erase(places.begin() + static_cast<std::ptrdiff_t>(k));
        } else {
            place = places[static_cast<std::size_t>(i)];
        }
        const std::size_t index = randomTree ? chooseByWeight() : clampIndex(place.type);
        BaseObjekt* source = m_sources[index].object;
        BaseObjekt* copy = cloneOf(source);
        if (!copy)
            return;
        copy->setPosition(place.position);
        const D3DXVECTOR3& own = copy->getScale();
        copy->setScale(D3DXVECTOR3(own.x * place.scale.x * factor, own.y * place.scale.y * factor,
                                   own.z * place.scale.z * factor));
        copy->setRotationYawPitchRoll(D3DXVECTOR3(place.rotation, 0.0f, 0.0f));
        adopt(copy, source, made);
    }
}

} // namespace

std::vector<BaseObjekt*> loadArrangement(ObjektManager& manager, XMLNode* node)
{
    SplineManager* splines = manager.getSplineManager();
    return loadArrangement(manager, node, splines ? splines : SplineManager::getEngineSplines());
}

std::vector<BaseObjekt*> loadArrangement(ObjektManager& manager, XMLNode* node, SplineManager* splines)
{
    std::vector<BaseObjekt*> made;
    if (!node)
        return made;
    Arrangement arrangement(manager, splines);
    if (!arrangement.readSources(*node)) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::loadArrangement: no SRC_OBJECT of the arrangement is registered; no objects placed\n");
        return made;
    }
    using Kind = void (Arrangement::*)(const XMLNode&, std::vector<BaseObjekt*>&);
    static const std::pair<const wchar_t*, Kind> kKinds[] = {
        {L"INSTANZEN", &Arrangement::placeInstances}, {L"RANDOM", &Arrangement::placeRandom},
        {L"SPLINE", &Arrangement::placeAlongSpline},  {L"PARAMETER", &Arrangement::placeByParameter},
        {L"TREE", &Arrangement::placeTrees},
    };
    for (const auto& [name, kind] : kKinds) {
        for (const XMLNode* child : node->getNodes()) {
            if (child && child->getName() == name)
                (arrangement.*kind)(*child, made);
        }
    }
    return made;
}

} // namespace Ulvo
