// The grid terrain's description, construction, the grid's loading and smoothing, its device
// buffers and its life cycle.
#include "terrain/heightmap/HeightMapObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/files/File.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "scene/ObjektKinds.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "scene/objects/ObjektDrawing.h"
#include "terrain/SidecarPicture.h"
#include "terrain/fields/LayerParameter.h"
#include "terrain/fields/Parameter.h"
#include "terrain/fields/ParameterPerlin.h"
#include "terrain/quadtree/TerrainQuadNode.h"

#include <d3dx9mesh.h>

#include <algorithm>
#include <cmath>

namespace Ulvo {

// The height sources of one load: a height texture, Perlin noise and a field, summed.
struct HeightSources {
    Texture2D* texture = nullptr;
    bool textureOwned = false;
    double textureFactor = 1.0;
    bool textureOn = false;
    double persistence = 0.5;
    double noiseScale = 1.0;
    int octaves = 3;
    int seed = 0;
    double noiseFactor = 1.0;
    bool noiseOn = false;
    std::unique_ptr<Parameter> field;
    double fieldFactor = 1.0;
    bool fieldOn = false;

    ~HeightSources()
    {
        if (texture && textureOwned)
            texture->Release();
    }
};

namespace {

constexpr uint32_t kMaxBlendSize = 4096;
// Smoothing beyond this many passes or this radius only burns time: logged and capped.
constexpr int kMaxSmoothPasses = 8;
constexpr int kMaxSmoothRadius = 8;

Logger& terrainLog()
{
    return mainLogger();
}

// The spline of that name in the owner's spline manager, else in the engine's.
Spline* findSpline(ObjektManager* owner, const std::wstring& name)
{
    SplineManager* splines =
        owner && owner->getSplineManager() ? owner->getSplineManager() : SplineManager::getEngineSplines();
    return splines ? splines->getSpline(name) : nullptr;
}

} // namespace

BaseObjekt* HeightMapObjekt::create(XMLNode* node, ObjektManager* owner)
{
    return new HeightMapObjekt(node, owner);
}

HeightMapObjekt::HeightMapObjekt(XMLNode* node, ObjektManager* owner)
    : BaseObjekt(node, owner), m_layerWeights(std::make_unique<LayerParameter>())
{
    D3DXMatrixIdentity(&m_inverseRotation);
    // A clipmap description made a grid terrain: its position is its corner, and the scene file
    // names the effect such terrains take.
    if (node && node->getAttributeValue(L"TYPE") == L"CLIPMAP" && isHeightMapFromClipmap()) {
        setPosition(D3DXVECTOR3(m_basePosition.x + m_scale.x / 2, m_basePosition.y, m_basePosition.z + m_scale.z / 2));
        const std::wstring& effect = ObjektManager::getHeightMapEffectName();
        if (!effect.empty())
            m_effectBundle = EffectManager::getInstance()->getEffectBundle(effect);
    }
    followDevice();
    // The effect at once: the scene graph hands the sun's light to the first object of a list
    // only when it has an effect, so the first frame is lit like every later one.
    selectRenderEffect(0, 0);

    m_whiteTexture = new Texture2D();
    if (m_whiteTexture->create(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED)) {
        D3DLOCKED_RECT locked;
        if (m_whiteTexture->lock(0, &locked, m_whiteTexture->getRect(), 0)) {
            m_whiteTexture->setPixel(D3DXVECTOR4(1.0f, 1.0f, 1.0f, 1.0f), 0, 0);
            m_whiteTexture->unlock(0);
        }
    }
    m_colourMap = m_whiteTexture;
    m_colourMap->AddRef();
    m_blendTexture = new Texture2D();

    const float s = (m_scale.x + m_scale.z) / 2;
    for (int i = 0; i < 4; ++i) {
        m_texScaleNear[i] = s;
        m_texScaleFar[i] = 0.1f * s;
    }
    if (!node)
        return;
    m_description = std::make_unique<XMLNode>(L"OBJEKT");
    if (XMLNode* data = node->getNode(L"HEIGHTMAP_DATA")) {
        m_description->addNode(new XMLNode(*data));
        // Read before the grid is built, so that the key shapes the skirt it is meant for.
        data->readFloat(L"RAND_FAKTOR", m_borderFactor);
        loadHeightMap(data);
        readDescriptionAfterGrid(data);
    }
    if (XMLNode* textures = node->getNode(L"TEXTURES")) {
        m_description->addNode(new XMLNode(*textures));
        std::wstring name;
        static const wchar_t* const layerKeys[4] = {L"TEX_TERRAIN0", L"TEX_TERRAIN1", L"TEX_TERRAIN2", L"TEX_TERRAIN3"};
        static const wchar_t* const bumpKeys[4] = {L"TEX_BUMP0", L"TEX_BUMP1", L"TEX_BUMP2", L"TEX_BUMP3"};
        auto replace = [this](Texture2D*& slot, const std::wstring& textureName) {
            if (Texture2D* texture = lookUpTexture(textureName)) {
                texture->AddRef();
                if (slot)
                    slot->Release();
                slot = texture;
            }
        };
        for (int i = 0; i < 4; ++i)
            if (textures->readString(layerKeys[i], name))
                replace(m_layerTextures[i], name);
        if (textures->readString(L"TEX_COLORMAP", name))
            replace(m_colourMap, name);
        for (int i = 0; i < 4; ++i)
            if (textures->readString(bumpKeys[i], name))
                replace(m_bumpTextures[i], name);
    }
}

HeightMapObjekt::~HeightMapObjekt()
{
    stopFollowingDevice();
    release();
    m_layerWeights.reset();
    endBlendLock();
    for (Texture2D*& texture : m_layerTextures)
        if (texture)
            texture->Release();
    for (Texture2D*& texture : m_bumpTextures)
        if (texture)
            texture->Release();
    if (m_colourMap)
        m_colourMap->Release();
    m_blendTexture->Release();
    m_whiteTexture->Release();
}

Texture2D* HeightMapObjekt::lookUpTexture(const std::wstring& name)
{
    TextureManager* manager = m_d3d ? m_d3d->getTextureManager() : nullptr;
    return manager ? manager->getTexture2D(name) : nullptr;
}

void HeightMapObjekt::readDescriptionAfterGrid(XMLNode* data)
{
    double shadow = 0.0;
    if (data->readDouble(L"SHADOW_RECEIVE", shadow))
        m_shadowValue = static_cast<float>(1.0 - shadow);
    double bump = 0.0;
    if (data->readDouble(L"BUMP", bump))
        m_bumpAmount = static_cast<float>(bump);

    if (XMLNode* smooth = data->getNode(L"SMOOTH_TERRAIN_PARAMETER")) {
        int radius = 0;
        double strength = 0.0;
        int passes = 1;
        smooth->readInt(L"RADIUS", radius);
        smooth->readDouble(L"FAKTOR", strength);
        smooth->readInt(L"ANZAHL", passes);
        if (passes > kMaxSmoothPasses) {
            terrainLog().log(100, LOG_TYPE_WARNING, L"HeightMapObjekt ", getName(),
                             L": SMOOTH_TERRAIN_PARAMETER ANZAHL ", std::to_wstring(passes), L" capped at ",
                             std::to_wstring(kMaxSmoothPasses), L"\n");
            passes = kMaxSmoothPasses;
        }
        if (XMLNode* fieldNode = smooth->getNode(L"PARAMETER"); fieldNode && m_gridSize > 0) {
            std::unique_ptr<Parameter> field(createParameter(fieldNode));
            for (int i = 0; i < passes && !SceneBudget::terminationPending(); ++i)
                smoothHeights(radius, strength, field.get());
        }
    }
    if (XMLNode* flatten = data->getNode(L"FLATTEN_AT_SPLINE"))
        flattenAlongSpline(flatten);

    if (XMLNode* tex = data->getNode(L"TEX_PARAMETER")) {
        if (XMLNode* blending = tex->getNode(L"NEAR_FAR_BLENDING")) {
            double start = m_blendStart, end = m_blendEnd;
            blending->readDouble(L"START_BLEND", start);
            blending->readDouble(L"END_BLEND", end);
            m_blendStart = static_cast<float>(start);
            m_blendEnd = static_cast<float>(end);
        }
        const float s = (m_scale.x + m_scale.z) / 2;
        const unsigned count = tex->getNodeCount(L"SCALE");
        for (unsigned i = 0; i < count; ++i) {
            XMLNode* scale = tex->getNode(L"SCALE", static_cast<int>(i));
            int layer = 0;
            double nearScale = 1.0, farScale = 1.0;
            scale->readInt(L"LAYER_ID", layer);
            scale->readDouble(L"NEAR", nearScale);
            scale->readDouble(L"FAR", farScale);
            setLayerTexScale(layer, static_cast<float>(nearScale * s), static_cast<float>(farScale * s));
        }
        m_layerWeights = std::make_unique<LayerParameter>(tex);
    }
}

void HeightMapObjekt::flattenAlongSpline(XMLNode* flatten)
{
    if (m_gridSize == 0)
        return;
    double radius = 0.0, falloff = 0.0;
    flatten->readDouble(L"RADIUS", radius);
    flatten->readDouble(L"FALLOFF", falloff);
    radius = std::trunc(radius);
    falloff = std::trunc(falloff);
    std::wstring name;
    flatten->readString(L"SPLINE", name);
    float factors[2] = {1.0f, 1.0f};
    std::vector<std::wstring> words;
    flatten->readWords(L"FAKTOR", words);
    for (size_t i = 0; i < words.size() && i < 2; ++i)
        factors[i] = XMLProperty(words[i]).getFloat();
    bool setOnTerrain = true;
    flatten->readBool(L"SET_ON_TERRAIN", setOnTerrain);
    const Spline* spline = name.empty() ? nullptr : findSpline(m_owner, name);
    if (!spline) {
        terrainLog().log(100, LOG_TYPE_WARNING, L"HeightMapObjekt ", getName(),
                         L": FLATTEN_AT_SPLINE finds no spline \"", name, L"\"\n");
        return;
    }
    modifyAlongSpline(radius, spline, factors, setOnTerrain, falloff);
}

void HeightMapObjekt::setLayerTexScale(int layer, float nearScale, float farScale)
{
    if (layer < 0 || layer > 3)
        return;
    m_texScaleNear[layer] = nearScale;
    m_texScaleFar[layer] = farScale;
}

uint64_t HeightMapObjekt::gridBytes(uint32_t cells)
{
    const uint64_t vertices = uint64_t(cells + 1) * (cells + 1);
    const uint64_t perVertex = sizeof(HeightMapVertex) + 2 * sizeof(D3DXVECTOR3) + 1 /* mark */ +
                               SceneBudget::deviceBytes(sizeof(HeightMapVertex));
    // The indices of the largest selection: written on the processor, then in each slot's buffer
    // and in the copy the slot compares the next selection with.
    const uint64_t indices = uint64_t(cells) * cells * TerrainQuadNode::kIndicesPerCell * sizeof(uint32_t);
    const uint64_t indexBytes = indices + kIndexSlots * (SceneBudget::deviceBytes(indices) + indices);
    // A node is allocated with the allocator's header beside it.
    const uint64_t tree = TerrainQuadNode::nodeCount(cells + 1) * (sizeof(TerrainQuadNode) + 16);
    return vertices * perVertex + indexBytes + tree;
}

uint64_t HeightMapObjekt::blendBytes(uint32_t side)
{
    return SceneBudget::deviceBytes(uint64_t(side) * side * 4);
}

bool HeightMapObjekt::admitBlendSize(uint32_t side)
{
    const uint64_t own = blendBytes(m_blendSize);
    const uint64_t wanted = blendBytes(side);
    return wanted <= own || !m_owner || m_owner->getSceneBudget().charge({0, wanted - own}, getName(), this);
}

bool HeightMapObjekt::createBlendTexture()
{
    m_blendRect = RECT{0, 0, static_cast<LONG>(m_blendSize), static_cast<LONG>(m_blendSize)};
    m_blendLockCount = 0;
    return m_blendTexture->create(m_blendSize, m_blendSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
}

void HeightMapObjekt::readSidecar(HeightSources& sources)
{
    XMLNode document;
    // The name is the scene's: whatever it holds, the file stays in the working folder, and a
    // link there that leads out is not followed.
    const std::wstring sidecar = File::safeFileName(getName()) + L".data";
    if (!File::checkDataReference(sidecar) || !XMLNode::load(&document, sidecar, 0))
        return;
    std::wstring file;
    if (document.readString(L"TEXTUR", file)) {
        auto* texture = new Texture2D();
        if (texture->createFromFileName(file) &&
            admitSidecarPicture(m_owner, this, *texture, getName(), L"TEXTUR", m_gridSize, m_gridSize - 1)) {
            if (sources.texture && sources.textureOwned)
                sources.texture->Release();
            sources.texture = texture;
            sources.textureOwned = true;
            sources.textureFactor = 1.0;
            sources.textureOn = true;
            sources.noiseOn = false;
            sources.fieldOn = false;
            m_lockHeight = true;
        } else {
            texture->Release();
        }
    }
    float value = 0.0f;
    if (document.readFloat(L"MIN", value))
        setPosition(D3DXVECTOR3(m_basePosition.x, value, m_basePosition.z));
    if (document.readFloat(L"HEIGHT", value))
        setScale(D3DXVECTOR3(m_scale.x, value, m_scale.z));
    int blendSize = 0;
    if (document.readInt(L"BLENDSIZE", blendSize)) {
        if (blendSize < 1 || static_cast<uint32_t>(blendSize) > kMaxBlendSize) {
            terrainLog().log(100, LOG_TYPE_WARNING, L"HeightMapObjekt ", getName(), L": BLENDSIZE ",
                             std::to_wstring(blendSize), L" out of range; kept ", std::to_wstring(m_blendSize), L"\n");
        } else if (admitBlendSize(static_cast<uint32_t>(blendSize))) {
            m_blendSize = static_cast<uint32_t>(blendSize);
            m_blendRect = RECT{0, 0, blendSize, blendSize};
        }
    }
    m_lockTexture = false;
    if (document.readString(L"TBLEND_03", file)) {
        m_blendTexture->release(false);
        m_lockTexture =
            m_blendTexture->createFromFileName(file) &&
            admitSidecarPicture(m_owner, this, *m_blendTexture, getName(), L"TBLEND_03", m_blendSize, m_blendSize);
        // An edit's lock covers the picture as it is, whatever BLENDSIZE said.
        if (m_lockTexture)
            m_blendRect = m_blendTexture->getRect();
        else
            m_blendTexture->release(false);
    }
    if (!m_lockTexture)
        createBlendTexture();
}

bool HeightMapObjekt::loadHeightMap(XMLNode* data)
{
    release();
    int size = 0;
    if (data)
        data->readInt(L"SIZE", size);
    if (size <= 0) {
        if (size < 0)
            terrainLog().log(100, LOG_TYPE_WARNING, L"HeightMapObjekt ", getName(), L": SIZE ", std::to_wstring(size),
                             L" gives no grid\n");
        return false;
    }
    if (static_cast<uint32_t>(size) > kMaxGridSize) {
        terrainLog().log(100, LOG_TYPE_WARNING, L"HeightMapObjekt ", getName(), L": SIZE ", std::to_wstring(size),
                         L" capped at ", std::to_wstring(kMaxGridSize), L"\n");
        size = kMaxGridSize;
    }
    // The largest power of two not above SIZE (counted exactly: a logarithm in float can miss
    // a power of two by one).
    uint32_t cells = 1;
    while (cells * 2 <= static_cast<uint32_t>(size))
        cells *= 2;
    // The scene being loaded may have no room left for this grid: it gets none.
    if (m_owner && !m_owner->getSceneBudget().charge({0, gridBytes(cells) + blendBytes(cells)}, getName(), this))
        return false;
    m_gridSize = cells + 1;
    m_blendSize = cells;
    data->readDouble(L"C", m_lodC);
    data->readDouble(L"c", m_lodSmallC);
    data->readBool(L"MORPHING", m_morphing);
    data->readBool(L"LOCK_HEIGHT", m_lockHeight);
    data->readBool(L"LOCK_TEXTUR", m_lockTexture);
    int blendSize = static_cast<int>(m_blendSize);
    if (data->readInt(L"BLEND_SIZE", blendSize)) {
        if (blendSize < 1 || static_cast<uint32_t>(blendSize) > kMaxBlendSize)
            terrainLog().log(100, LOG_TYPE_WARNING, L"HeightMapObjekt ", getName(), L": BLEND_SIZE ",
                             std::to_wstring(blendSize), L" out of range; ", std::to_wstring(m_blendSize), L" taken\n");
        else if (admitBlendSize(static_cast<uint32_t>(blendSize)))
            m_blendSize = static_cast<uint32_t>(blendSize);
    }

    HeightSources sources;
    if (XMLNode* field = data->getNode(L"HEIGHT_PARAMETER")) {
        field->readDouble(L"FAKTOR", sources.fieldFactor);
        field->readBool(L"ENABLE", sources.fieldOn);
        if (XMLNode* description = field->getNode(L"PARAMETER"))
            sources.field.reset(createParameter(description));
    }
    if (XMLNode* texture = data->getNode(L"TEXTURE")) {
        std::wstring name;
        if (texture->readString(L"TEXTURE", name))
            sources.texture = lookUpTexture(name);
        texture->readDouble(L"FAKTOR", sources.textureFactor);
        texture->readBool(L"ENABLE", sources.textureOn);
    }
    if (XMLNode* noise = data->getNode(L"PERLIN_NOISE")) {
        noise->readDouble(L"PERSITANCE", sources.persistence);
        noise->readDouble(L"SCALE", sources.noiseScale);
        noise->readInt(L"ANZAHL", sources.octaves);
        noise->readInt(L"SEED", sources.seed);
        noise->readDouble(L"FAKTOR", sources.noiseFactor);
        noise->readBool(L"ENABLE", sources.noiseOn);
        // No octave sums nothing over nothing: every height would be not a number.
        if (sources.noiseOn && sources.octaves < 1) {
            terrainLog().log(100, LOG_TYPE_WARNING, L"HeightMapObjekt ", getName(), L": PERLIN_NOISE ANZAHL ",
                             std::to_wstring(sources.octaves), L" below 1; no noise\n");
            sources.noiseOn = false;
        }
    }

    createBlendTexture();
    readSidecar(sources);

    // A termination signal leaves the terrain without a grid, as SIZE 0 does: its buffers, its
    // normals and its quadtree would each keep the ending game waiting for seconds.
    const auto dropGrid = [this]() {
        releaseBuffers();
        m_vertices.clear();
        m_positionsA.clear();
        m_positionsB.clear();
        m_vertexMarks.clear();
        m_vertexCount = 0;
        m_gridSize = 0;
        return false;
    };
    if (SceneBudget::terminationPending())
        return dropGrid();
    const uint32_t n = m_gridSize;
    m_vertexCount = n * n;
    m_vertices.assign(m_vertexCount, HeightMapVertex());
    m_rowSpans.clear();
    m_positionsA.assign(m_vertexCount, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    m_positionsB.assign(m_vertexCount, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    m_vertexMarks.assign(m_vertexCount, 0);
    if (!createBuffers())
        return false;

    beginModify();
    bool textureLocked = false;
    if (sources.textureOn && sources.texture) {
        D3DLOCKED_RECT locked;
        textureLocked = sources.texture->lock(0, &locked, sources.texture->getRect(), D3DLOCK_READONLY);
        if (!textureLocked)
            sources.textureOn = false;
    } else {
        sources.textureOn = false;
    }
    if (sources.fieldOn && !sources.field)
        sources.fieldOn = false;

    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &m_rotation);
    D3DXMatrixInverse(&m_inverseRotation, nullptr, &rotation);

    const D3DXVECTOR3 pos = m_position;
    const float last = static_cast<float>(n - 1);
    // A termination signal leaves the rest of the rows flat: the game ends instead of waiting.
    for (uint32_t i = 0; i < n && !SceneBudget::terminationPending(); ++i) {
        for (uint32_t j = 0; j < n; ++j) {
            // Vertex (i, j) sits at UV (i, j) / (n - 1), where the reads find it.
            const float u = static_cast<float>(i) / last;
            const float v = static_cast<float>(j) / last;
            double h = 0.0;
            D3DXVECTOR4 texel;
            if (sources.textureOn && sources.texture->sample(texel, D3DXVECTOR2(u, v), 1))
                h += sources.textureFactor * texel.x;
            if (sources.noiseOn)
                h += sources.noiseFactor * perlinNoise(u * sources.noiseScale, v * sources.noiseScale,
                                                       sources.persistence, sources.octaves, sources.seed);
            if (sources.fieldOn)
                h += sources.fieldFactor * sources.field->getValue(D3DXVECTOR2(u, v));

            HeightMapVertex& vertex = m_vertices[index(i, j)];
            vertex.uv = D3DXVECTOR2(u, v);
            D3DXVECTOR3 p(pos.x + m_scale.x * (u - 0.5f), pos.y + m_scale.y * static_cast<float>(h),
                          pos.z + m_scale.z * (v - 0.5f));
            // The outer rows reach out by the border factor, as a skirt under the horizon.
            if (i == 0 || i == n - 1) {
                p.x = pos.x + m_scale.x * (u - 0.5f) * m_borderFactor;
                vertex.uv.x = u == 0.0f ? -0.25f * m_borderFactor : 1.0f + 0.25f * m_borderFactor;
            }
            if (j == 0 || j == n - 1) {
                p.z = pos.z + m_scale.z * (v - 0.5f) * m_borderFactor;
                vertex.uv.y = v == 0.0f ? -0.25f * m_borderFactor : 1.0f + 0.25f * m_borderFactor;
            }
            vertex.diffuse = 0xFFFFFFFF;
            vertex.normal = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
            D3DXVec3TransformCoord(&vertex.position, &p, &rotation);
            m_positionsA[index(i, j)] = m_positionsB[index(i, j)] = vertex.position;
        }
    }
    if (textureLocked)
        sources.texture->unlock(0);
    if (SceneBudget::terminationPending()) {
        dropGrid();
        endModify();
        return false;
    }
    m_changeFlags.setBit(REBUILD, true);
    endModify();
    return true;
}

void HeightMapObjekt::smoothHeights(int radius, double strength, const Parameter* field)
{
    if (m_lockHeight || m_gridSize == 0)
        return;
    const int n = static_cast<int>(m_gridSize);
    const int wanted = radius;
    radius = std::clamp(radius, 0, std::min(n - 1, kMaxSmoothRadius));
    if (radius != wanted)
        terrainLog().log(100, LOG_TYPE_WARNING, L"HeightMapObjekt ", getName(), L": smoothing RADIUS ",
                         std::to_wstring(wanted), L" taken as ", std::to_wstring(radius), L"\n");
    std::vector<float> heights(m_vertexCount);
    for (uint32_t k = 0; k < m_vertexCount; ++k)
        heights[k] = m_vertices[k].position.y;

    std::vector<double> kernel(2 * radius + 1);
    double sum = 0.0;
    for (int d = -radius; d <= radius; ++d)
        sum += kernel[d + radius] = std::ldexp(1.0, radius - std::abs(d));
    for (double& w : kernel)
        w /= sum;
    std::vector<double> blend(m_vertexCount, strength);
    if (field) {
        const float last = static_cast<float>(n - 1);
        for (int r = 0; r < n; ++r) {
            if (SceneBudget::terminationPending())
                return;
            for (int c = 0; c < n; ++c)
                blend[r * n + c] = strength * field->getValue(D3DXVECTOR2(c / last, r / last));
        }
    }
    // Both borders reflect the kernel about their outermost vertex.
    auto reflect = [n](int k) { return k < 0 ? -k : (k > n - 1 ? 2 * (n - 1) - k : k); };
    std::vector<float> next(m_vertexCount);
    for (int pass = 0; pass < 2; ++pass) {
        for (int r = 0; r < n; ++r) {
            // Stopped by a termination signal, the heights stay as they were.
            if (SceneBudget::terminationPending())
                return;
            for (int c = 0; c < n; ++c) {
                double total = 0.0;
                for (int d = -radius; d <= radius; ++d) {
                    const int k = pass == 0 ? reflect(r + d) * n + c : r * n + reflect(c + d);
                    total += kernel[d + radius] * heights[k];
                }
                const double h = heights[r * n + c];
                next[r * n + c] = static_cast<float>(h + (total - h) * blend[r * n + c]);
            }
        }
        heights.swap(next);
    }
    for (uint32_t k = 0; k < m_vertexCount; ++k)
        storeHeight(k, heights[k]);
    // The smoothed heights reach the buffer, bounds and quadtree at the next endModify.
    m_changeFlags.setBit(CHANGED, true);
    m_changeFlags.setBit(HEIGHTS_CHANGED, true);
    m_changeFlags.setBit(REBUILD, true);
}

void HeightMapObjekt::storeHeight(uint32_t i, float y)
{
    m_vertices[i].position.y = y;
    m_positionsA[i].y = y;
    m_positionsB[i].y = y;
}

bool HeightMapObjekt::createBuffers()
{
    IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr;
    if (!device || m_gridSize == 0)
        return false;
    const uint32_t cells = m_gridSize - 1;
    ULVO_CHECK(L"Ulvo::HeightMapObjekt::createBuffers",
               device->CreateVertexBuffer(sizeof(HeightMapVertex) * m_vertexCount,
                                          D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, HeightMapVertex::FVF, D3DPOOL_DEFAULT,
                                          &m_vertexBuffer, nullptr),
               false);
    ULVO_CHECK(L"Ulvo::HeightMapObjekt::createBuffers",
               device->CreateIndexBuffer(TerrainQuadNode::kIndicesPerCell * sizeof(uint32_t) * cells * cells,
                                         D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                         &m_indexSlots[0].buffer, nullptr),
               false);
    m_indexSlots[0].capacity = TerrainQuadNode::kIndicesPerCell * cells * cells;
    terrainLog().log(50, LOG_TYPE_INFO, L"HeightMapObjekt ", getName(), L": buffers created\n");
    return true;
}

void HeightMapObjekt::releaseBuffers()
{
    for (IndexSlot& slot : m_indexSlots) {
        if (slot.buffer)
            slot.buffer->Release();
        slot.buffer = nullptr;
        slot.capacity = 0;
        slot.valid = false;
    }
    if (m_vertexBuffer) {
        m_vertexBuffer->Release();
        m_vertexBuffer = nullptr;
    }
}

void HeightMapObjekt::release()
{
    releaseBuffers();
    m_positionsA.clear();
    m_positionsB.clear();
    m_vertices.clear();
    m_vertexMarks.clear();
    m_rowSpans.clear();
    m_quadtree.reset();
    m_vertexCount = 0;
    m_indexCount = 0;
}

void HeightMapObjekt::onLostDevice()
{
    releaseBuffers();
}

void HeightMapObjekt::onResetDevice()
{
    if (m_vertexCount == 0 || m_gridSize < 2)
        return;
    releaseBuffers();
    if (!createBuffers())
        return;
    m_changeFlags.setBit(BUFFERS_REMADE, true);
    m_changeFlags.setBit(REBUILD, true);
    endModify();
}

void HeightMapObjekt::build(int pass)
{
    if (pass != 0)
        return;
    // A rebuild already asked for (smoothing, flattening) must survive the normals' pass: under
    // a locked blend texture the painting asks for none.
    const bool rebuild = m_changeFlags.isSet(REBUILD);
    computeNormals();
    paintLayers(nullptr, true);
    normalizeBlendWeights();
    if (rebuild)
        m_changeFlags.setBit(REBUILD, true);
    endModify();
}

void HeightMapObjekt::update(Camera* camera, uint32_t value)
{
    BaseObjekt::update(camera, value);
}

bool HeightMapObjekt::save(XMLNode* node)
{
    if (!BaseObjekt::save(node))
        return false;
    ObjektDrawing::setType(*node, L"HEIGHTMAP");
    if (m_description)
        for (const wchar_t* name : {L"HEIGHTMAP_DATA", L"TEXTURES"})
            if (const XMLNode* part = m_description->getNode(name))
                ObjektDrawing::addPart(*node, *part);
    return true;
}

} // namespace Ulvo
