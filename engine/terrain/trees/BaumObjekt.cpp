#include "terrain/trees/BaumObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "scene/HeightMap.h"
#include "scene/ObjektManager.h"
#include "scene/objects/ObjektDrawing.h"
#include "scene/objects/SceneClock.h"
#include "terrain/fields/Parameter.h"

#include <crt.h>
#include <crt_state.h>

#include <cmath>
#include <memory>

namespace Ulvo {

namespace {

// A draw of the shared generator in [0, 1].
double draw()
{
    return static_cast<double>(crt_rand()) / 32767.0;
}

// Rejected random candidates after which a field that accepts (almost) nowhere ends placement
// while fewer than a quarter of the trees stand.
constexpr uint32_t kRejectionLimit = 100000;
// A draw of the type that falls past the last cumulative bound (rounding) is repeated; this
// many misses in a row give the last type.
constexpr int kTypeDraws = 1000;

void addTreeBox(AABB& box, bool& empty, const BaumInstanz& tree)
{
    const D3DXVECTOR3 position(tree.position.x, tree.position.y, tree.position.z);
    const D3DXVECTOR3 size(tree.size.x, tree.size.y, tree.size.z);
    if (empty) {
        box = AABB(position, position);
        empty = false;
    }
    box.addPoint(position - size);
    box.addPoint(position + size);
}

} // namespace

BaumObjekt::BaumObjekt(XMLNode* node, ObjektManager* owner) : BaseObjekt(node, owner)
{
    m_visibleBox = m_worldBox;
    // An effect from the start, so the first frame's light values have somewhere to go.
    BaseObjekt::selectRenderEffect(0, 0);
    if (node) {
        if (XMLNode* treeData = node->getNode(L"TREE_DATA")) {
            m_treeData = *treeData;
            m_hasTreeData = true;
        }
    }
    followDevice();
}

BaumObjekt::~BaumObjekt()
{
    releaseBuffers();
}

bool BaumObjekt::save(XMLNode* node)
{
    if (!BaseObjekt::save(node))
        return false;
    ObjektDrawing::setType(*node, L"TREE");
    if (m_hasTreeData) {
        auto* data = new XMLNode(m_treeData);
        // The state the placement started from, as bits: the forest loads back tree for tree.
        if (m_placementSeeded) {
            const int seed = static_cast<int>(m_placementSeed);
            if (XMLAttribute* attribute = data->getAttribute(L"SEED"))
                attribute->setValue(seed);
            else
                data->addAttribute(new XMLAttribute(L"SEED", seed));
        }
        node->addNode(data);
    }
    return true;
}

void BaumObjekt::build(int pass)
{
    if (pass >= 1)
        return;
    loadTrees(m_hasTreeData ? &m_treeData : nullptr);
    createBuffer();
    m_built = true;
}

void BaumObjekt::update(Camera*, uint32_t)
{
    m_time += static_cast<float>(SceneClock::getFrameTime());
}

void BaumObjekt::clearTrees()
{
    m_positions.clear();
    m_scales.clear();
    m_wind.clear();
    m_visibleCount = 0;
    m_cells.clear();
    m_types.clear();
    m_cellVisible.clear();
    m_visibleCells.clear();
}

void BaumObjekt::loadTrees(XMLNode* treeData)
{
    clearTrees();
    if (!treeData)
        return;
    float receive = 1.0f;
    if (treeData->readFloat(L"SHADOW_RECEIVE", receive))
        m_shadow = 1.0f - receive;
    treeData->readBool(L"ONLY_PHYSX_TRUNK", m_onlyPhysxTrunk);
    std::vector<std::wstring> fading;
    if (treeData->readWords(L"FADING", fading) && !fading.empty()) {
        m_blend = m_scaleFading = XMLProperty(fading[0]).getBool();
        if (fading.size() > 1)
            m_scaleFading = XMLProperty(fading[1]).getBool();
    }

    TextureManager* textures = m_d3d ? m_d3d->getTextureManager() : nullptr;
    const unsigned typeNodes = treeData->getNodeCount(L"BAUM_TYP");
    float total = 0.0f;
    for (unsigned i = 0; i < typeNodes; ++i) {
        BaumTyp type(treeData->getNode(L"BAUM_TYP", static_cast<int>(i)), textures);
        if (!type.texture)
            continue;
        type.index = static_cast<int>(m_types.size());
        total += type.frequency;
        m_types.push_back(type);
    }
    float cumulative = 0.0f;
    for (BaumTyp& type : m_types) {
        type.frequency = type.frequency / total + cumulative;
        cumulative = type.frequency;
    }

    std::wstring terrainName;
    if (!treeData->readString(L"TERRAINNAME", terrainName))
        return;
    auto* terrain = m_owner ? dynamic_cast<HeightMap*>(m_owner->find(terrainName)) : nullptr;
    if (!terrain)
        return;
    placeTrees(treeData, *terrain);
}

void BaumObjekt::placeTrees(XMLNode* treeData, HeightMap& terrain)
{
    // A saved forest names the generator's state its trees were drawn from.
    unsigned seed = crt_rand_state();
    if (treeData->readInt(L"SEED", seed))
        crt_srand(seed);
    m_placementSeed = seed;
    m_placementSeeded = true;
    int requested = 0;
    treeData->readInt(L"MAXANZAHL", requested);
    int slices = static_cast<int>(m_anzSlices);
    treeData->readInt(L"SLICES", slices);
    if (slices < 1 || slices > static_cast<int>(MAX_SLICES)) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::BaumObjekt ", getName(), L": SLICES ", slices,
                         L" ausserhalb 1..16, begrenzt");
        slices = slices < 1 ? 1 : static_cast<int>(MAX_SLICES);
    }
    m_anzSlices = static_cast<uint32_t>(slices);
    bool random = false;
    treeData->readBool(L"RANDOM", random);
    std::unique_ptr<Parameter> density;
    if (XMLNode* field = treeData->getNode(L"PARAMETER"))
        density.reset(createParameter(field));

    // A negative count would be read as billions of trees.
    if (requested < 0) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::BaumObjekt ", getName(), L": MAXANZAHL ", requested,
                         L" negativ, keine Baeume");
        return;
    }
    uint32_t wanted = static_cast<uint32_t>(requested);
    if (wanted > MAX_TREES) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::BaumObjekt ", getName(), L": MAXANZAHL ", wanted, L" auf ",
                         MAX_TREES, L" begrenzt");
        wanted = MAX_TREES;
    }
    // Each tree is placed, then kept sorted into its cell and as its position, scale and wind; a
    // scene with no room left for them gets none.
    const uint64_t perTree = 2 * sizeof(BaumInstanz) + 3 * sizeof(D3DXVECTOR4);
    if (m_owner && !m_owner->getSceneBudget().charge({0, wanted * perTree}, getName(), this))
        return;
    // Without a type no tree could ever be given one.
    if (m_types.empty() || !std::isfinite(m_types.back().frequency) || !(m_types.back().frequency > 0.0f)) {
        if (wanted > 0)
            mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::BaumObjekt ", getName(),
                             L": kein gueltiger BAUM_TYP (TEXTUR oder PROP), keine Baeume");
        return;
    }

    std::vector<BaumInstanz> trees;
    trees.reserve(wanted);
    auto accept = [&](float u, float v) {
        const D3DXVECTOR2 uv(u, v);
        if (density && !(density->getValue(uv) > 0.5f))
            return false;
        D3DXVECTOR3 position;
        terrain.getPositionUV(&position, uv);
        BaumInstanz tree;
        tree.position = D3DXVECTOR4(position.x, position.y, position.z, 0.0f);
        trees.push_back(tree);
        return true;
    };
    if (random) {
        uint32_t rejected = 0;
        // Even after a quarter stands, a field that hardly accepts must not keep placement going for
        // ever.
        const uint64_t attemptLimit = 100ull * wanted + kRejectionLimit;
        uint64_t attempts = 0;
        while (trees.size() < wanted) {
            const float u = static_cast<float>(draw());
            const float v = static_cast<float>(draw());
            ++attempts;
            // A termination signal ends the placement with what stands.
            if ((attempts & 1023) == 0 && SceneBudget::terminationPending())
                break;
            if (accept(u, v))
                continue;
            ++rejected;
            const std::size_t quarter = wanted / 4 > 0 ? wanted / 4 : 1;
            if ((rejected > kRejectionLimit && trees.size() < quarter) || attempts > attemptLimit) {
                mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::BaumObjekt ", getName(), L": das Dichtefeld nimmt ",
                                 static_cast<uint64_t>(trees.size()), L" von ", wanted,
                                 L" Baeumen, die Verteilung endet");
                break;
            }
        }
    } else {
        const uint32_t grid = static_cast<uint32_t>(std::sqrt(static_cast<double>(wanted)));
        for (uint32_t i = 0; i < grid && !SceneBudget::terminationPending(); ++i) {
            for (uint32_t j = 0; j < grid; ++j)
                accept(static_cast<float>(i) / static_cast<float>(grid),
                       static_cast<float>(j) / static_cast<float>(grid));
        }
    }
    density.reset();

    for (BaumInstanz& tree : trees)
        fillInstance(tree);
    m_positions.resize(trees.size());
    m_scales.resize(trees.size());
    m_wind.resize(trees.size());
    sortIntoCells(trees);
}

const BaumTyp* BaumObjekt::pickTreeType()
{
    const float r = static_cast<float>(draw());
    for (const BaumTyp& type : m_types) {
        if (type.frequency >= r)
            return &type;
    }
    return nullptr;
}

void BaumObjekt::fillInstance(BaumInstanz& tree)
{
    const BaumTyp* type = nullptr;
    for (int tries = 0; !type && tries < kTypeDraws; ++tries)
        type = pickTreeType();
    if (!type)
        type = &m_types.back();
    const float r1 = static_cast<float>(draw());
    const float r2 = static_cast<float>(draw());
    const float r3 = static_cast<float>(draw());
    tree.position.w = type->maxRotation + r1 * (type->minRotation - type->maxRotation);
    const float t = 1.0f - r2;
    const D3DXVECTOR3 size = type->minSize + (type->maxSize - type->minSize) * t;
    tree.size = D3DXVECTOR4(size.x, size.y, size.z, static_cast<float>(type->index));
    const float w = 1.0f - r3;
    tree.wind = type->windMin + (type->windMax - type->windMin) * w;
}

void BaumObjekt::sortIntoCells(std::vector<BaumInstanz>& trees)
{
    if (trees.empty())
        return;
    AABB box;
    bool empty = true;
    for (const BaumInstanz& tree : trees)
        addTreeBox(box, empty, tree);
    m_worldBox = box;

    std::vector<uint8_t> taken(trees.size(), 0);
    const float n = static_cast<float>(CELLS_PER_SIDE);
    for (uint32_t a = 0; a < CELLS_PER_SIDE; ++a) {
        for (uint32_t b = 0; b < CELLS_PER_SIDE; ++b) {
            BaumZelle cell;
            cell.box = AABB(box.getPoint(D3DXVECTOR3(a / n, 0.0f, b / n)),
                            box.getPoint(D3DXVECTOR3((a + 1) / n, 1.0f, (b + 1) / n)));
            // From the last placed to the first, so a cell lists its trees in reverse order.
            for (std::size_t i = trees.size(); i-- > 0;) {
                if (taken[i])
                    continue;
                const BaumInstanz& tree = trees[i];
                if (!cell.box.isInside(D3DXVECTOR3(tree.position.x, tree.position.y, tree.position.z)))
                    continue;
                taken[i] = 1;
                cell.instances.push_back(tree);
            }
            if (cell.instances.empty())
                continue;
            bool cellEmpty = true;
            for (const BaumInstanz& tree : cell.instances)
                addTreeBox(cell.box, cellEmpty, tree);
            m_cells.push_back(std::move(cell));
        }
    }
    if (!m_cells.empty()) {
        m_worldBox = m_cells.front().box;
        for (std::size_t i = 1; i < m_cells.size(); ++i)
            m_worldBox.merge(m_cells[i].box);
    }
    m_worldBoxDirty = false;
    m_cellVisible.assign(m_cells.size(), 0);
    m_visibleCells.reserve(m_cells.size());
    m_typeFirst.assign(m_types.size() + 1, 0);
    m_typeNext.assign(m_types.size(), 0);
}

void BaumObjekt::collectTreePlaces(std::vector<TreePlace>& places) const
{
    for (std::size_t type = 0; type < m_types.size(); ++type) {
        for (const BaumZelle& cell : m_cells) {
            for (const BaumInstanz& tree : cell.instances) {
                if (static_cast<std::size_t>(tree.size.w) != type)
                    continue;
                TreePlace place;
                place.position = D3DXVECTOR3(tree.position.x, tree.position.y, tree.position.z);
                place.scale = D3DXVECTOR3(tree.size.x, tree.size.y, tree.size.z);
                place.rotation = tree.position.w;
                place.type = static_cast<int>(type);
                places.push_back(place);
            }
        }
    }
}

} // namespace Ulvo
