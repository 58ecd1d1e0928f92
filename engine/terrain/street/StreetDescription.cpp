// The road's description: the STREET_DATA node read by the constructor (settings and profile),
// and the path (STREET_SPLINE) read in build pass 0, once the terrain and the splines exist.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/TextureManager.h"
#include "devices/d3d/D3DInterface.h"
#include "scene/HeightMap.h"
#include "scene/SplineManager.h"
#include "scene/splines/Spline.h"
#include "terrain/street/StreetObjekt.h"

#include <cmath>
#include <cwchar>
#include <sstream>

namespace Ulvo {

namespace {

TextureManager* textures()
{
    D3DInterface* d3d = D3DInterface::getInstance();
    return d3d ? d3d->getTextureManager() : nullptr;
}

void readTexture2D(const XMLNode& node, const wchar_t* key, Texture2D*& texture)
{
    std::wstring name;
    if (!node.readString(key, name))
        return;
    TextureManager* manager = textures();
    texture = manager ? manager->getTexture2D(name) : nullptr;
}

bool isFinite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The words of the node's free values, in file order; a value may hold several words.
std::vector<std::wstring> freeWords(const XMLNode& node)
{
    std::vector<std::wstring> words;
    for (const XMLProperty* property : node.getProperties()) {
        std::wistringstream in(property->getValue());
        std::wstring word;
        while (in >> word)
            words.push_back(word);
    }
    return words;
}

} // namespace

// ------------------------------------------------------------------ splines

void StreetObjekt::readSplineControls(const Spline& spline, std::vector<SplineControl>& points)
{
    constexpr uint32_t kXZ = 1u | 4u, kY = 2u;
    for (const SplinePoint& source : spline.getPointStore()) {
        SplineControl point;
        point.position = source.position;
        // The last slot that supplies a channel decides it; a linear rule makes it straight.
        for (int slot = 0; slot < SplinePoint::SLOTS; ++slot) {
            const bool linear = source.rule[slot] == SPLINE_RULE_LINEAR || source.rule[slot] == SPLINE_RULE_LINEAR_PLUS;
            if (source.channelMask[slot] & kXZ)
                point.curvedXZ = !linear;
            if (source.channelMask[slot] & kY)
                point.curvedY = !linear;
        }
        points.push_back(point);
    }
}

bool StreetObjekt::engineSplines(const std::wstring& name, std::vector<SplineControl>& points)
{
    SplineManager* manager = SplineManager::getEngineSplines();
    const Spline* spline = manager ? manager->getSpline(name) : nullptr;
    if (!spline)
        return false;
    readSplineControls(*spline, points);
    return true;
}

// ------------------------------------------------------------------ profile

void StreetObjekt::Segment::load(const XMLNode& node)
{
    node.readFloat(L"X", x);
    node.readFloat(L"Y", y);
    readTexture2D(node, L"TEXTUR", diffuseTexture);
    readTexture2D(node, L"TEX_BUMP", bumpTexture);
    std::wstring sky;
    if (node.readString(L"TEX_SKY", sky)) {
        TextureManager* manager = textures();
        skyTexture = manager ? manager->getTextureCube(sky) : nullptr;
    }
    readTexture2D(node, L"TEX_REFLECTION", reflectionTexture);
    float receive = 0.0f;
    if (node.readFloat(L"SHADOW_RECEIVE", receive))
        shadowFactor = 1.0f - receive;
    node.readFloat(L"REFLECTION_AMOUNT", reflectionAmount);
    node.readFloat(L"SPECULAR_POWER", specularPower);
    node.readFloat(L"SPECULAR_AMOUNT", specularAmount);
    node.readFloat(L"BUMP_AMOUNT", bumpAmount);
    node.readFloats(L"PARALLAX_AMOUNT", parallaxAmount);
    int samples[2] = {parallaxSamples[0], parallaxSamples[1]};
    node.readInts(L"PARALLAX_SAMPLES", samples);
    parallaxSamples[0] = samples[0];
    parallaxSamples[1] = samples[1];
    node.readInt(L"PARALLAX_LOD", parallaxLod);
    node.readBool(L"SMOOTH_SEG", smoothSeg);
    node.readBool(L"USE_LAST_TEX_U", useLastTexU);
    node.readBool(L"SCALE_TEX_U_LENGTH", scaleTexULength);
    D3DXCOLOR colour(color[0], color[1], color[2], color[3]);
    if (node.readColour(L"COLOR", colour)) {
        color[0] = colour.r;
        color[1] = colour.g;
        color[2] = colour.b;
        color[3] = colour.a;
    }
    node.readFloat(L"U_TILING", uTiling);
    node.readFloat(L"V_TILING", vTiling);
    float both = 0.0f;
    if (node.readFloat(L"UV_TILING", both))
        uTiling = vTiling = both;
    node.readBool(L"SYMETRIC", symmetric);
    node.readInt(L"SEGMENT", fixedIndex);
}

void StreetObjekt::loadSegments(const XMLNode& profil)
{
    std::vector<const XMLNode*> nodes;
    for (const XMLNode* child : profil.getNodes())
        if (child->getName() == L"SEGMENT")
            nodes.push_back(child);
    if (nodes.size() > kMaxProfilePoints) {
        mainLogger().log(100, LOG_TYPE_WARNING, L"StreetObjekt ", getName(), L": ", nodes.size(),
                         L" SEGMENT nodes, only the first ", kMaxProfilePoints, L" are read\n");
        nodes.resize(kMaxProfilePoints);
    }
    // Sorted by x (equal x keep file order); pinned points wait for their index.
    std::vector<Segment> pending;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        Segment segment;
        initSegment(segment);
        if (i == 0 || i + 1 == nodes.size())
            segment.smoothSeg = false;
        segment.load(*nodes[i]);
        if (segment.fixedIndex < 0) {
            auto at = m_profile.begin();
            while (at != m_profile.end() && !(at->x > segment.x))
                ++at;
            m_profile.insert(at, segment);
        } else {
            auto at = pending.begin();
            while (at != pending.end() && !(at->fixedIndex > segment.fixedIndex))
                ++at;
            pending.insert(at, segment);
        }
    }
    for (const Segment& segment : pending) {
        if (static_cast<std::size_t>(segment.fixedIndex) > m_profile.size())
            m_profile.push_back(segment);
        else
            m_profile.insert(m_profile.begin() + segment.fixedIndex, segment);
    }
}

// ------------------------------------------------------------------ control points

void StreetObjekt::ControlPoint::applyFlagWord(const std::wstring& word)
{
    if (word == L"CATMULL")
        flags |= FLAG_CATMULL_XZ | FLAG_CATMULL_Y;
    else if (word == L"CATMULL_XZ")
        flags |= FLAG_CATMULL_XZ;
    else if (word == L"CATMULL_Y")
        flags |= FLAG_CATMULL_Y;
    else if (word == L"TERRAIN_PLACING")
        flags |= FLAG_TERRAIN_PLACING;
    else if (word == L"TERRAIN_CREATION")
        flags |= FLAG_TERRAIN_CREATION;
    else if (word == L"TERRAIN")
        flags |= FLAG_TERRAIN_CREATION | FLAG_TERRAIN_PLACING;
    else if (word == L"CHANGE")
        flags |= FLAG_CHANGE;
    else if (word == L"DONT_CHANGE")
        flags &= ~uint32_t(FLAG_CHANGE);
    else if (word == L"NO_TERRAIN")
        flags &= ~uint32_t(FLAG_TERRAIN_CREATION | FLAG_TERRAIN_PLACING);
    else if (word == L"NO_TERRAIN_PLACING")
        flags &= ~uint32_t(FLAG_TERRAIN_PLACING);
    else if (word == L"NO_TERRAIN_CREATION")
        flags &= ~uint32_t(FLAG_TERRAIN_CREATION);
}

void StreetObjekt::ControlPoint::load(const XMLNode& node)
{
    node.readInt(L"IS_PARAM", isParam);
    node.readFloat(L"X", (isParam & 1) ? paramX : position.x);
    node.readFloat(L"Z", (isParam & 1) ? paramZ : position.z);
    node.readFloat(L"Y", position.y);
    node.readFloat(L"INTERPOL_DISTANCE", interpolDistance);
    node.readFloat(L"SCALE", scale);
    for (const std::wstring& word : freeWords(node))
        applyFlagWord(word);
}

// ------------------------------------------------------------------ path

void StreetObjekt::StreetPath::loadStreet(const XMLNode& node, const TerrainLookup& terrains,
                                          const SplineLookup& splines)
{
    controlPoints.clear();
    samples.clear();
    pathFlags = 0;
    node.readString(L"TERRAIN", terrainName);
    node.readFloat(L"CHANGE_RADIUS", changeRadius);
    node.readFloat(L"CHANGE_FALLOFF", changeFalloff);
    node.readFloat(L"DIST_INTERPOL", distInterpol);
    double paramScale[2] = {1.0, 1.0};
    node.readDouble(L"PARAM_S_X", paramScale[0]);
    node.readDouble(L"PARAM_S_Y", paramScale[1]);
    for (double& divisor : paramScale) {
        if (divisor == 0.0 || !std::isfinite(divisor)) {
            mainLogger().log(100, LOG_TYPE_WARNING, L"StreetObjekt: PARAM_S_X/PARAM_S_Y ", divisor,
                             L" cannot divide the terrain parameters, 1 is taken\n");
            divisor = 1.0;
        }
    }
    const XMLNode* defaults = node.getNode(L"DEFAULT");
    auto startPoint = [&]() {
        ControlPoint point;
        if (defaults)
            point.load(*defaults);
        point.interpolDistance = distInterpol;
        return point;
    };

    bool explicitPoints = false;
    for (const XMLNode* child : node.getNodes()) {
        if (child->getName() != L"CONTROLLPOINT")
            continue;
        explicitPoints = true;
        ControlPoint point = startPoint();
        point.load(*child);
        controlPoints.push_back(point);
    }
    std::wstring splineName;
    if (!explicitPoints && node.readString(L"CREATE_FROM_SPLINE", splineName) && splines) {
        std::vector<SplineControl> points;
        if (splines(splineName, points)) {
            for (const SplineControl& source : points) {
                ControlPoint point = startPoint();
                point.position = source.position;
                point.paramX = source.position.x;
                point.paramZ = source.position.z;
                point.flags &= ~uint32_t(FLAG_CATMULL_XZ | FLAG_CATMULL_Y);
                if (source.curvedXZ)
                    point.flags |= FLAG_CATMULL_XZ;
                if (source.curvedY)
                    point.flags |= FLAG_CATMULL_Y;
                controlPoints.push_back(point);
            }
        }
    }
    for (const XMLNode* child : node.getNodes()) {
        if (child->getName() != L"PARAM_GROUP")
            continue;
        std::vector<std::wstring> items;
        child->readWords(L"CONTROL_POINTS", items);
        for (const std::wstring& item : items) {
            wchar_t* end = nullptr;
            const long index = std::wcstol(item.c_str(), &end, 10);
            if (end != item.c_str() && *end == L'\0' && index >= 0 &&
                static_cast<std::size_t>(index) < controlPoints.size())
                controlPoints[static_cast<std::size_t>(index)].load(*child);
        }
    }
    for (const std::wstring& word : freeWords(node))
        if (word == L"LOOP")
            pathFlags |= PATH_LOOP;

    HeightMap* terrain = terrains ? terrains(terrainName) : nullptr;
    for (ControlPoint& point : controlPoints) {
        if (terrain && (point.isParam & 1)) {
            const D3DXVECTOR2 uv(static_cast<float>(point.paramX / paramScale[0]),
                                 static_cast<float>(point.paramZ / paramScale[1]));
            D3DXVECTOR3 p;
            terrain->getPositionUV(&p, uv);
            if (point.isParam & 2) {
                point.position = p;
            } else {
                point.position.x = p.x;
                point.position.z = p.z;
            }
        }
        // A point that is not a number would spread through every sample and box.
        if (!isFinite(point.position) || !std::isfinite(point.scale)) {
            mainLogger().log(100, LOG_TYPE_WARNING, L"StreetObjekt: a control point of terrain ", terrainName,
                             L" is not a number, its values become 0 and its scale 1\n");
            for (float* value : {&point.position.x, &point.position.y, &point.position.z})
                if (!std::isfinite(*value))
                    *value = 0.0f;
            if (!std::isfinite(point.scale))
                point.scale = 1.0f;
        }
    }

    // Guard points need two real points; fewer make no road.
    if (controlPoints.size() < 2) {
        if (!controlPoints.empty())
            mainLogger().log(100, LOG_TYPE_WARNING, L"StreetObjekt: a road needs two control points, it has ",
                             controlPoints.size(), L"; no road\n");
        controlPoints.clear();
        return;
    }
    const std::size_t n = controlPoints.size();
    if (pathFlags & PATH_LOOP) {
        const ControlPoint last = controlPoints[n - 1], first = controlPoints[0], second = controlPoints[1];
        controlPoints.insert(controlPoints.begin(), last);
        controlPoints.push_back(first);
        controlPoints.push_back(second);
    } else {
        ControlPoint front = controlPoints[0];
        front.position = controlPoints[0].position + (controlPoints[1].position - controlPoints[0].position);
        ControlPoint back = controlPoints[n - 1];
        back.position = controlPoints[n - 1].position - (controlPoints[n - 2].position - controlPoints[n - 1].position);
        controlPoints.insert(controlPoints.begin(), front);
        controlPoints.push_back(back);
    }

    bool badDistance = false, tooMany = false;
    for (std::size_t i = 0; i + 1 < controlPoints.size(); ++i) {
        ControlPoint& point = controlPoints[i];
        const D3DXVECTOR3 span = controlPoints[i + 1].position - point.position;
        const float steps = D3DXVec3Length(&span) / point.interpolDistance;
        if (!(point.interpolDistance > 0.0f) || !std::isfinite(steps)) {
            badDistance = true;
            point.stepCount = 1;
        } else if (steps > static_cast<float>(kMaxPieceSteps)) {
            tooMany = true;
            point.stepCount = kMaxPieceSteps;
        } else {
            point.stepCount = static_cast<int32_t>(steps);
        }
    }
    if (badDistance)
        mainLogger().log(100, LOG_TYPE_WARNING, L"StreetObjekt: INTERPOL_DISTANCE/DIST_INTERPOL not above 0 on a road",
                         L" over terrain ", terrainName, L"; those pieces take one step\n");
    if (tooMany)
        mainLogger().log(100, LOG_TYPE_WARNING, L"StreetObjekt: a piece of a road over terrain ", terrainName,
                         L" asks for more than ", kMaxPieceSteps, L" steps; it takes that many\n");
}

} // namespace Ulvo
