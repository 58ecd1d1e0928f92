#include "terrain/clipmap/ClipmapObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/files/File.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "scene/ObjektManager.h"
#include "scene/objects/ObjektDrawing.h"
#include "terrain/SidecarPicture.h"
#include "terrain/clipmap/ClipmapLevelSet.h"
#include "terrain/fields/Parameter.h"
#include "terrain/fields/ParameterMap.h"

#include <algorithm>
#include <bit>

namespace Ulvo {

namespace {

// 2^floor(log2 v); 0 stays 0.
uint32_t floorPowerOfTwo(uint32_t v)
{
    return v == 0 ? 0 : std::bit_floor(v);
}

Parameter* cloneOf(const Parameter* field)
{
    return field ? field->clone() : nullptr;
}

// Up to three floats of a blank-separated list; missing items keep their value.
void readTriple(const XMLNode& node, const wchar_t* key, float (&out)[3])
{
    std::vector<std::wstring> words;
    if (!node.readWords(key, words))
        return;
    for (size_t i = 0; i < words.size() && i < 3; ++i) {
        wchar_t* end = nullptr;
        const float value = std::wcstof(words[i].c_str(), &end);
        out[i] = end == words[i].c_str() ? 0.0f : value;
    }
}

} // namespace

BaseObjekt* ClipmapObjekt::create(XMLNode* node, ObjektManager* owner)
{
    auto* clipmap = new ClipmapObjekt(node, owner);
    const uint64_t bytes = levelSetBytes(clipmap->m_levelCount, clipmap->m_texSize, clipmap->m_gridSize) +
                           blendBytes(clipmap->m_blendSize);
    if (owner && !owner->getSceneBudget().charge({0, bytes}, clipmap->getName(), clipmap)) {
        clipmap->Release();
        return nullptr;
    }
    return clipmap;
}

ClipmapObjekt::ClipmapObjekt(XMLNode* node, ObjektManager* owner) : BaseObjekt(node, owner)
{
    refuseNonFiniteTransform();
    setDefaults();
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &m_rotation);
    D3DXMatrixInverse(&m_inverseRotation, nullptr, &rotation);
    D3DXMatrixIdentity(&m_lastViewMatrix);
    if (node)
        readClipmapData(node->getNode(L"CLIPMAP_DATA"));
    const float s = (m_scale.x + m_scale.z) * 0.5f;
    for (int layer = 0; layer < 4; ++layer) {
        m_texScaleNear[layer] = s;
        m_texScaleFar[layer] = s * 0.1f;
    }
    if (node) {
        readHeightMapData(node->getNode(L"HEIGHTMAP_DATA"), s);
        readTextures(node->getNode(L"TEXTURES"));
        auto description = std::make_shared<XMLNode>(L"OBJEKT");
        for (const wchar_t* name : {L"CLIPMAP_DATA", L"HEIGHTMAP_DATA", L"TEXTURES"})
            if (const XMLNode* part = node->getNode(name))
                description->addNode(new XMLNode(*part));
        m_description = std::move(description);
    }
    m_blendSize = 256;
    m_blendRect = RECT{0, 0, 256, 256};
    readSidecar();
    BaseObjekt::selectRenderEffect(0, 0);
}

ClipmapObjekt::ClipmapObjekt(const ClipmapObjekt& other)
    : BaseObjekt(other)
    , TerrainHeightMap(other)
    , DeviceResource()
    , m_heightSource(cloneOf(other.m_heightSource))
    , m_normalSource(cloneOf(other.m_normalSource))
    , m_physxSource(cloneOf(other.m_physxSource))
    , m_layerTextures(other.m_layerTextures)
    , m_bumpTextures(other.m_bumpTextures)
    , m_blendSize(other.m_blendSize)
    , m_blendRect(other.m_blendRect)
    , m_texScaleNear{other.m_texScaleNear[0], other.m_texScaleNear[1], other.m_texScaleNear[2], other.m_texScaleNear[3]}
    , m_texScaleFar{other.m_texScaleFar[0], other.m_texScaleFar[1], other.m_texScaleFar[2], other.m_texScaleFar[3]}
    , m_blendStart(other.m_blendStart)
    , m_blendEnd(other.m_blendEnd)
    , m_shadowValue(other.m_shadowValue)
    , m_bumpAmount(other.m_bumpAmount)
    , m_borderMode(other.m_borderMode)
    , m_texSize(other.m_texSize)
    , m_gridSize(other.m_gridSize)
    , m_levelCount(other.m_levelCount)
    , m_inverseRotation(other.m_inverseRotation)
    , m_heightsModified(other.m_heightsModified)
    , m_physics(other.m_physics)
    , m_description(other.m_description)
{
    // The copy draws its own level set once built. Nothing writes the white texture or a blank
    // blend after they are made, so copies share the source's (thousands of copies in an
    // arrangement would otherwise each hold a blend picture); a blend read from a picture is not
    // the copy's: it gets a blank one of its own.
    m_physics.materials = {L"DEFAULT", L"DEFAULT", L"DEFAULT", L"DEFAULT"};
    m_physics.collisionGroup.clear();
    D3DXMatrixIdentity(&m_lastViewMatrix);
    m_whiteTexture = other.m_whiteTexture;
    if (m_whiteTexture)
        m_whiteTexture->AddRef();
    m_colourMap = other.m_colourMap;
    if (other.m_blendBlank && other.m_blendTexture) {
        m_blendTexture = other.m_blendTexture;
        m_blendTexture->AddRef();
    } else {
        createBlendTexture();
    }
    followDevice();
}

bool ClipmapObjekt::save(XMLNode* node)
{
    if (!BaseObjekt::save(node))
        return false;
    ObjektDrawing::setType(*node, L"CLIPMAP");
    if (m_description)
        for (const XMLNode* part : m_description->getNodes())
            ObjektDrawing::addPart(*node, *part);
    return true;
}

ClipmapObjekt::~ClipmapObjekt()
{
    stopFollowingDevice();
    m_levelSet.reset();
    delete m_heightSource;
    delete m_normalSource;
    delete m_physxSource;
    m_heightSource = m_normalSource = m_physxSource = nullptr;
    if (m_blendTexture)
        m_blendTexture->Release();
    if (m_whiteTexture)
        m_whiteTexture->Release();
}

// ------------------------------------------------------------------ description

void ClipmapObjekt::setDefaults()
{
    m_whiteTexture = new Texture2D();
    if (m_whiteTexture->create(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED))
        m_whiteTexture->writePixel(D3DXVECTOR4(1.0f, 1.0f, 1.0f, 1.0f), 0, 0);
    m_colourMap = m_whiteTexture;
    followDevice();
}

void ClipmapObjekt::readClipmapData(XMLNode* data)
{
    if (!data)
        return;
    if (XMLNode* field = data->getNode(L"HEIGHTMAP")) {
        delete m_heightSource;
        m_heightSource = createParameter(field);
    }
    if (XMLNode* field = data->getNode(L"NORMALS")) {
        delete m_normalSource;
        m_normalSource = createParameter(field);
    }
    if (XMLNode* field = data->getNode(L"PHYSX")) {
        delete m_physxSource;
        m_physxSource = createParameter(field);
    }
    int value = 0;
    if (data->readInt(L"SIZE_TEX", value)) {
        const uint32_t v = static_cast<uint32_t>(value);
        // A side past the limit would wrap in the level set's 16 bits; 0 or 1 has no window.
        const uint32_t size = std::clamp<uint32_t>(floorPowerOfTwo(v), 2, kMaxTexSize);
        if (size != v)
            mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ClipmapObjekt ", getName(), L": SIZE_TEX ", v, L" becomes ",
                             size, L"\n");
        m_texSize = size;
    }
    if (data->readInt(L"SIZE_CENTER", value)) {
        const uint32_t v = static_cast<uint32_t>(value);
        if (v != 0 && std::has_single_bit(v)) {
            m_gridSize = v - 1;
        } else {
            const int limit = static_cast<int>(std::bit_width(m_texSize)) - 2;
            const int k = std::max(1, std::min(static_cast<int>(std::bit_width(v)), limit));
            m_gridSize = (1u << k) - 1;
        }
    }
    // The grid must leave a window in the texture round it.
    const uint32_t largestGrid = m_texSize / 2 - 1;
    if (m_gridSize > largestGrid) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ClipmapObjekt ", getName(), L": SIZE_CENTER ", m_gridSize + 1,
                         L" becomes ", largestGrid + 1, L" for SIZE_TEX ", m_texSize, L"\n");
        m_gridSize = largestGrid;
    }
    if (data->readInt(L"ANZ_LAYERS", value)) {
        const uint32_t levels = value < 0 ? 0u : std::min<uint32_t>(static_cast<uint32_t>(value), kMaxLevels);
        if (levels != static_cast<uint32_t>(value))
            mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ClipmapObjekt ", getName(), L": ANZ_LAYERS ", value,
                             L" becomes ", levels, L"\n");
        m_levelCount = levels;
    }
    std::wstring border;
    if (data->readString(L"RAND_TYP", border))
        m_borderMode = border == L"LINEAR_NULL" ? 3 : border == L"CLAMP" ? 1 : border == L"WRAP" ? 2 : 0;
}

void ClipmapObjekt::readHeightMapData(XMLNode* data, float s)
{
    if (!data)
        return;
    double number = 0.0;
    if (data->readDouble(L"SHADOW_RECEIVE", number))
        m_shadowValue = static_cast<float>(1.0 - number);
    if (data->readDouble(L"BUMP", number))
        m_bumpAmount = static_cast<float>(number);
    data->readBool(L"CREATE_PHYSX_GRENZEN", m_physics.createBounds);
    int value = 0;
    if (data->readInt(L"SIZE", value))
        m_physics.size = value <= 0 ? 0u : floorPowerOfTwo(static_cast<uint32_t>(value));
    if (data->readInt(L"PHYSXSIZE", value)) {
        // A ratio of 1 where the division has no meaning (a grid of one point, or of none).
        const uint32_t p = static_cast<uint32_t>(value);
        const uint32_t size = m_physics.size;
        if (p <= 1 || size <= 1)
            m_physics.gridRatio = 1;
        else
            m_physics.gridRatio = std::clamp<uint32_t>((size - 1) / (p - 1), 1, size - 1);
    }
    if (XMLNode* force = data->getNode(L"FORCE_FIELD")) {
        force->readBool(L"CREATE", m_physics.forceField);
        force->readString(L"COLL_GROUP", m_physics.collisionGroup);
        readTriple(*force, L"CONST_FORCE", m_physics.constForce);
        readTriple(*force, L"NOISE_FORCE", m_physics.noiseForce);
        readTriple(*force, L"TARGET_VELOCITY_FORCE", m_physics.targetVelocityForce);
    }
    XMLNode* parameters = data->getNode(L"TEX_PARAMETER");
    if (!parameters)
        return;
    if (XMLNode* blending = parameters->getNode(L"NEAR_FAR_BLENDING")) {
        if (blending->readDouble(L"START_BLEND", number))
            m_blendStart = static_cast<float>(number);
        if (blending->readDouble(L"END_BLEND", number))
            m_blendEnd = static_cast<float>(number);
    }
    for (XMLNode* child : parameters->getNodes()) {
        if (child->getName() != L"SCALE")
            continue;
        int layer = 0;
        double nearScale = 1.0, farScale = 1.0;
        child->readInt(L"LAYER_ID", layer);
        child->readDouble(L"NEAR", nearScale);
        child->readDouble(L"FAR", farScale);
        std::wstring material;
        if (child->readString(L"PHYSX_MATERIAL", material)) {
            if (layer >= 0 && layer < 4)
                m_physics.materials[static_cast<size_t>(layer)] = material;
            else
                mainLogger().log(100, LOG_TYPE_ERROR, L"Ulvo::ClipmapObjekt ", getName(), L": PHYSX_MATERIAL ",
                                 material, L" names LAYER_ID ", layer, L", not 0..3\n");
        }
        const float nearValue = static_cast<float>(nearScale * s);
        const float farValue = static_cast<float>(farScale * s);
        setLayerTexParams(layer, nearValue, farValue);
    }
}

void ClipmapObjekt::readTextures(XMLNode* textures)
{
    if (!textures)
        return;
    static const wchar_t* const kLayers[4] = {L"TEX_TERRAIN0", L"TEX_TERRAIN1", L"TEX_TERRAIN2", L"TEX_TERRAIN3"};
    static const wchar_t* const kBumps[4] = {L"TEX_BUMP0", L"TEX_BUMP1", L"TEX_BUMP2", L"TEX_BUMP3"};
    for (int layer = 0; layer < 4; ++layer) {
        ObjektDrawing::readTexture(textures, kLayers[layer], m_layerTextures[static_cast<size_t>(layer)]);
        ObjektDrawing::readTexture(textures, kBumps[layer], m_bumpTextures[static_cast<size_t>(layer)]);
    }
    ObjektDrawing::readTexture(textures, L"TEX_COLORMAP", m_colourMap);
}

void ClipmapObjekt::readSidecar()
{
    XMLNode document;
    bool blendLoaded = false;
    // The name is the scene's: whatever it holds, the file stays in the working folder, and a
    // link there that leads out is not followed.
    const std::wstring sidecar = getName().empty() ? std::wstring() : File::safeFileName(getName()) + L".data";
    if (!sidecar.empty() && File::checkDataReference(sidecar) && XMLNode::load(&document, sidecar, 0)) {
        std::wstring file;
        // A picture the scene has no room for leaves the source as the description gave it.
        const auto admitted = [this](ParameterMap* map, const wchar_t* key) {
            if (map->getTexture() && !admitSidecarPicture(m_owner, this, *map->getTexture(), getName(), key, 0, 0)) {
                delete map;
                return false;
            }
            return true;
        };
        if (document.readString(L"TEXTUR", file)) {
            auto* map = new ParameterMap(file);
            map->setChannels(14);
            if (admitted(map, L"TEXTUR")) {
                delete m_heightSource;
                m_heightSource = map;
            }
        }
        if (document.readString(L"NORMAL", file)) {
            auto* map = new ParameterMap(file);
            map->setVecFactor(2.0f);
            map->setVecOffset(-1.0f);
            if (admitted(map, L"NORMAL")) {
                delete m_normalSource;
                m_normalSource = map;
            }
        }
        float value = 0.0f;
        if (document.readFloat(L"MIN", value))
            setPosition(D3DXVECTOR3(m_basePosition.x, value, m_basePosition.z));
        if (document.readFloat(L"HEIGHT", value))
            setScale(D3DXVECTOR3(m_scale.x, value, m_scale.z));
        int size = 0;
        if (document.readInt(L"BLENDSIZE", size)) {
            // A blend texture past the largest texture side cannot be made.
            const uint32_t clamped = static_cast<uint32_t>(std::clamp(size, 1, 4096));
            if (static_cast<int>(clamped) != size)
                mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ClipmapObjekt ", getName(), L": BLENDSIZE ", size,
                                 L" becomes ", clamped, L"\n");
            // A picture larger than the default pays its extra bytes.
            const uint64_t extra =
                blendBytes(clamped) > blendBytes(m_blendSize) ? blendBytes(clamped) - blendBytes(m_blendSize) : 0;
            if (extra == 0 || !m_owner || m_owner->getSceneBudget().charge({0, extra}, getName(), this)) {
                m_blendSize = clamped;
                m_blendRect = RECT{0, 0, static_cast<LONG>(clamped), static_cast<LONG>(clamped)};
            }
        }
        if (document.readString(L"TBLEND_03", file)) {
            auto* blend = new Texture2D();
            blendLoaded = blend->createFromFileName(file) &&
                          admitSidecarPicture(m_owner, this, *blend, getName(), L"TBLEND_03", m_blendSize, m_blendSize);
            if (blendLoaded) {
                if (m_blendTexture)
                    m_blendTexture->Release();
                m_blendTexture = blend;
                m_blendBlank = false;
            } else {
                blend->Release();
            }
        }
    }
    if (!blendLoaded)
        createBlendTexture();
}

uint64_t ClipmapObjekt::levelSetBytes(uint32_t levels, uint32_t texSize, uint32_t gridSize)
{
    // Each level a texture of texSize squared texels of four floats; the grid's blocks once for
    // the whole set.
    const uint64_t side = texSize;
    const uint64_t grid = uint64_t(gridSize) + 1;
    return SceneBudget::deviceBytes(levels * side * side * 4 * sizeof(float) +
                                    grid * grid * (sizeof(ClipmapVertex) + 6 * sizeof(uint16_t)));
}

uint64_t ClipmapObjekt::blendBytes(uint32_t side)
{
    return SceneBudget::deviceBytes(uint64_t(side) * side * 4);
}

void ClipmapObjekt::createBlendTexture()
{
    if (m_blendTexture)
        m_blendTexture->Release();
    m_blendTexture = new Texture2D();
    m_blendTexture->create(m_blendSize, m_blendSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    m_blendBlank = true;
}

void ClipmapObjekt::setLayerTexParams(int layer, const float& nearScale, const float& farScale)
{
    if (layer < 0 || layer > 3)
        return;
    m_texScaleNear[layer] = nearScale;
    m_texScaleFar[layer] = farScale;
}

// ------------------------------------------------------------------ building and the device

void ClipmapObjekt::build(int pass)
{
    if (pass != 0 && pass != -1)
        return;
    m_levelSetWanted = true;
    m_levelSet.reset();
    // The new set starts with the camera at its origin: the next camera step must slide it.
    m_hasLastView = false;
    D3DInterface* d3d = D3DInterface::getInstance();
    if (!d3d || !d3d->getDevice())
        return;
    auto levelSet = std::make_unique<ClipmapLevelSet>(d3d, d3d->getDevice());
    const uint16_t levels = static_cast<uint16_t>(m_levelCount);
    if (!levelSet->initClipmap(m_effect, m_heightSource, m_borderMode, levels, static_cast<uint16_t>(m_gridSize),
                               static_cast<uint16_t>(m_texSize))) {
        mainLogger().log(100, LOG_TYPE_ERROR, L"Ulvo::ClipmapObjekt::build ", getName(),
                         L": no clipmap levels; the terrain draws nothing\n");
        return;
    }
    m_levelSet = std::move(levelSet);
}

void ClipmapObjekt::onLostDevice()
{
    m_levelSet.reset();
}

void ClipmapObjekt::onResetDevice()
{
    if (m_levelSetWanted)
        build(-1);
}

SceneBudget::Cost ClipmapObjekt::copyCost() const
{
    SceneBudget::Cost cost = BaseObjekt::copyCost();
    if (!(m_blendBlank && m_blendTexture))
        cost.bytes += blendBytes(m_blendSize);
    return cost;
}

} // namespace Ulvo
