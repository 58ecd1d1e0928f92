// The forest's device buffers, its per-camera steps and its drawing.
#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "graphics/effects/Effect.h"
#include "graphics/textures/Texture2D.h"
#include "devices/d3d/PerfEvents.h"
#include "render/cameras/Camera.h"
#include "scene/ObjektManager.h"
#include "scene/objects/ObjektDrawing.h"
#include "terrain/trees/BaumObjekt.h"

#include <algorithm>
#include <cfloat>
#include <cstring>

namespace Ulvo {

namespace {

constexpr D3DCOLOR kEventColour = 0xFF00FF00;

const D3DVERTEXELEMENT9 kBaumVertexElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

// The camera's own box test times itself through the measure manager, which belongs to the main
// thread; the culling loops' workers test the planes themselves, the same way.
bool inFrustum(const Camera& camera, const AABB& box)
{
    const D3DXVECTOR3& minimum = box.getMin();
    const D3DXVECTOR3& maximum = box.getMax();
    for (int i = 0; i < 6; ++i) {
        const D3DXPLANE& plane = camera.getFrustumPlane(i);
        const D3DXVECTOR3 positive(plane.a >= 0.0f ? maximum.x : minimum.x, plane.b >= 0.0f ? maximum.y : minimum.y,
                                   plane.c >= 0.0f ? maximum.z : minimum.z);
        if (D3DXPlaneDotCoord(&plane, &positive) < 0.0f)
            return false;
    }
    return true;
}

template <class Interface> void release(Interface*& resource)
{
    if (resource) {
        resource->Release();
        resource = nullptr;
    }
}

} // namespace

// A cell's test is tens of nanoseconds: a team woken for a full forest of 16 x 16 cells costs
// more than it saves while the rasteriser's threads hold the cores, so the loops share out only
// far more cells than that. The workers sleep between loops (a passive wait policy, set before
// the runtime starts), never spinning against the rasteriser.
int BaumObjekt::s_parallelCells = 4096;

void BaumObjekt::buildSliceGeometry(uint32_t slices, std::vector<BaumVertex>& vertices, std::vector<uint32_t>& indices)
{
    static const float kCorners[8][5] = {
        {-0.5f, 0.0f, 0.01f, 0.0f, 1.0f},  {0.5f, 0.0f, 0.01f, 1.0f, 1.0f},   {-0.5f, 1.0f, 0.01f, 0.0f, 0.0f},
        {0.5f, 1.0f, 0.01f, 1.0f, 0.0f},   {-0.5f, 0.0f, -0.01f, 0.0f, 1.0f}, {0.5f, 0.0f, -0.01f, 1.0f, 1.0f},
        {-0.5f, 1.0f, -0.01f, 0.0f, 0.0f}, {0.5f, 1.0f, -0.01f, 1.0f, 0.0f},
    };
    static const uint32_t kIndices[12] = {0, 1, 2, 1, 3, 2, 4, 6, 5, 5, 6, 7};
    vertices.resize(static_cast<std::size_t>(MAX_SHADER_INSTANCES) * slices * 8);
    indices.resize(static_cast<std::size_t>(MAX_SHADER_INSTANCES) * slices * 12);
    D3DXVECTOR3 positions[8];
    D3DXVECTOR3 normals[8];
    for (uint32_t k = 0; k < MAX_SHADER_INSTANCES; ++k) {
        for (uint32_t s = 0; s < slices; ++s) {
            const uint32_t base = (k * slices + s) * 8;
            for (int v = 0; v < 8; ++v) {
                positions[v] = D3DXVECTOR3(kCorners[v][0], kCorners[v][1], kCorners[v][2]);
                normals[v] = D3DXVECTOR3(0.0f, 0.0f, v < 4 ? 1.0f : -1.0f);
            }
            D3DXMATRIX rotation;
            D3DXMatrixRotationY(&rotation, static_cast<float>(s) * D3DX_PI / static_cast<float>(slices));
            D3DXVec3TransformCoordArray(positions, sizeof(D3DXVECTOR3), positions, sizeof(D3DXVECTOR3), &rotation, 8);
            D3DXVec3TransformCoordArray(normals, sizeof(D3DXVECTOR3), normals, sizeof(D3DXVECTOR3), &rotation, 8);
            for (int v = 0; v < 8; ++v) {
                BaumVertex& vertex = vertices[base + v];
                vertex.position = positions[v];
                vertex.normal = normals[v];
                vertex.texcoord = D3DXVECTOR3(kCorners[v][3], kCorners[v][4], static_cast<float>(k));
            }
            const uint32_t first = (k * slices + s) * 12;
            for (int i = 0; i < 12; ++i)
                indices[first + i] = base + kIndices[i];
        }
    }
}

void BaumObjekt::releaseBuffers()
{
    release(m_vertexbuffer);
    release(m_indexbuffer);
    release(m_vertexDeclaration);
    m_buffersValid = false;
}

void BaumObjekt::onLostDevice()
{
    releaseBuffers();
    if (RenderObjekt::getDrawStateMarker() == this)
        RenderObjekt::setDrawStateMarker(nullptr);
}

void BaumObjekt::createBuffer()
{
    if (m_buffersValid)
        return;
    releaseBuffers();
    IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr;
    if (!device)
        return;
    if (FAILED(device->CreateVertexDeclaration(kBaumVertexElements, &m_vertexDeclaration))) {
        logFailedCall(mainLogger(), L"Ulvo::BaumObjekt::createBuffer", __LINE__,
                      L"d3d.getDevice()->CreateVertexDeclaration(decl, &m_vertexDeclaration)");
        m_vertexDeclaration = nullptr;
        return;
    }
    std::vector<BaumVertex> vertices;
    std::vector<uint32_t> indices;
    buildSliceGeometry(m_anzSlices, vertices, indices);

    const UINT vertexBytes = static_cast<UINT>(vertices.size() * sizeof(BaumVertex));
    if (FAILED(device->CreateVertexBuffer(vertexBytes, 0, 0, D3DPOOL_DEFAULT, &m_vertexbuffer, nullptr))) {
        logFailedCall(mainLogger(), L"Ulvo::BaumObjekt::createBuffer", 10240,
                      L"d3d.getDevice()->CreateVertexBuffer(m_maxShaderInstances * m_anzSlices*4*2 * "
                      L"sizeof(BaumVertex),0,0,D3DPOOL_DEFAULT,&m_vertexbuffer,NULL)");
        m_vertexbuffer = nullptr;
        releaseBuffers();
        return;
    }
    // A buffer that cannot be filled would draw garbage: the forest stays invisible instead.
    void* data = nullptr;
    if (FAILED(m_vertexbuffer->Lock(0, 0, &data, 0)) || !data) {
        mainLogger().log(100, LOG_TYPE_ERROR, L" Ulvo::BaumObjekt::createBuffer ", getName(),
                         L": vertex buffer lock failed!\n");
        releaseBuffers();
        return;
    }
    std::memcpy(data, vertices.data(), vertexBytes);
    m_vertexbuffer->Unlock();

    const UINT indexBytes = static_cast<UINT>(indices.size() * sizeof(uint32_t));
    if (FAILED(device->CreateIndexBuffer(indexBytes, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &m_indexbuffer, nullptr))) {
        logFailedCall(mainLogger(), L"Ulvo::BaumObjekt::createBuffer", 10247,
                      L"d3d.getDevice()->CreateIndexBuffer(m_maxShaderInstances * sizeof(INT) * "
                      L"m_anzSlices*6*2,0,D3DFMT_INDEX32,D3DPOOL_DEFAULT,&m_indexbuffer,NULL)");
        m_indexbuffer = nullptr;
        releaseBuffers();
        return;
    }
    data = nullptr;
    if (FAILED(m_indexbuffer->Lock(0, 0, &data, 0)) || !data) {
        mainLogger().log(100, LOG_TYPE_ERROR, L" Ulvo::BaumObjekt::createBuffer ", getName(),
                         L": index buffer lock failed!\n");
        releaseBuffers();
        return;
    }
    std::memcpy(data, indices.data(), indexBytes);
    m_indexbuffer->Unlock();
    m_buffersValid = true;
}

void BaumObjekt::updateCellDistances(const D3DXVECTOR3& eye, float farDistance)
{
    const double limit = static_cast<double>(farDistance) * static_cast<double>(farDistance);
    const int count = static_cast<int>(m_cells.size());
#pragma omp parallel for schedule(static) if (count >= s_parallelCells)
    for (int i = count - 1; i >= 0; --i) {
        BaumZelle& cell = m_cells[static_cast<std::size_t>(i)];
        D3DXVECTOR3 corners[8];
        cell.box.getCorners(corners);
        bool near = false;
        for (const D3DXVECTOR3& corner : corners) {
            const D3DXVECTOR3 offset = corner - eye;
            if (static_cast<double>(D3DXVec3LengthSq(&offset)) < limit) {
                near = true;
                break;
            }
        }
        cell.withinDistance = near;
    }
}

void BaumObjekt::updateForCamera(Camera* camera, const D3DXVECTOR3* eye)
{
    BaseObjekt::updateForCamera(camera, eye);
    if (!camera)
        return;
    if (!eye && m_farDistEnabled)
        updateCellDistances(m_lastEye, m_farDist[3]);
    // Trees are culled per cell; the forest as a whole never fades.
    m_visible = true;
}

uint32_t BaumObjekt::collectVisibleInstances(Camera* camera)
{
    m_visibleCount = 0;
    m_visibleCells.clear();
    // Within the capacity sortIntoCells gave it: no allocation per frame.
    m_typeFirst.assign(m_types.size() + 1, 0);
    if (!camera || m_types.empty())
        return 0;
    const int count = static_cast<int>(m_cells.size());
    const bool distance = m_farDistEnabled;
    const Camera& view = *camera;
    // Each cell's test writes only its own flag; the cells are then taken from the last to the
    // first, so the arrays are the same with one thread or many.
    m_cellVisible.resize(m_cells.size());
#pragma omp parallel for schedule(static) if (count >= s_parallelCells)
    for (int i = count - 1; i >= 0; --i) {
        const BaumZelle& cell = m_cells[static_cast<std::size_t>(i)];
        m_cellVisible[static_cast<std::size_t>(i)] = (!distance || cell.withinDistance) && inFrustum(view, cell.box);
    }
    for (int i = count - 1; i >= 0; --i) {
        if (m_cellVisible[static_cast<std::size_t>(i)])
            m_visibleCells.push_back(i);
    }
    // A counting sort by type: each type's trees lie together, so that one draw binds one picture.
    const std::size_t lastType = m_types.size() - 1;
    auto typeOf = [lastType](const BaumInstanz& tree) {
        return std::min(static_cast<std::size_t>(std::max(tree.size.w, 0.0f)), lastType);
    };
    for (int i : m_visibleCells) {
        for (const BaumInstanz& tree : m_cells[static_cast<std::size_t>(i)].instances)
            ++m_typeFirst[typeOf(tree) + 1];
    }
    for (std::size_t t = 1; t < m_typeFirst.size(); ++t)
        m_typeFirst[t] = std::min(m_typeFirst[t] + m_typeFirst[t - 1], static_cast<uint32_t>(m_positions.size()));
    m_visibleCount = m_typeFirst.back();
    m_typeNext.assign(m_typeFirst.begin(), m_typeFirst.end() - 1);
    for (int i : m_visibleCells) {
        const BaumZelle& cell = m_cells[static_cast<std::size_t>(i)];
        for (auto tree = cell.instances.rbegin(); tree != cell.instances.rend(); ++tree) {
            const std::size_t type = typeOf(*tree);
            const uint32_t slot = m_typeNext[type];
            if (slot >= m_typeFirst[type + 1])
                continue;
            m_positions[slot] = tree->position;
            m_scales[slot] = tree->size;
            m_wind[slot] = tree->wind;
            ++m_typeNext[type];
        }
    }
    return m_visibleCount;
}

const AABB& BaumObjekt::getBoundingBox(Camera* camera)
{
    bool empty = true;
    for (std::size_t i = m_cells.size(); i-- > 0;) {
        if (!camera || !inFrustum(*camera, m_cells[i].box))
            continue;
        if (empty)
            m_visibleBox = m_cells[i].box;
        else
            m_visibleBox.merge(m_cells[i].box);
        empty = false;
    }
    if (empty) {
        const D3DXVECTOR3 eye = camera ? camera->getEyePosition() : m_lastEye;
        m_visibleBox = AABB(eye, eye);
    }
    return m_visibleBox;
}

void BaumObjekt::renderBoundingBox(D3DCOLOR colour, bool solid)
{
    if (!m_owner)
        return;
    for (std::size_t i = m_cells.size(); i-- > 0;)
        m_owner->drawBox(m_cells[i].box, colour, solid);
    m_owner->drawBox(getBoundingBox(), colour, solid);
}

void BaumObjekt::render(Camera* camera)
{
    m_drawCalls = 0;
    if (!m_effect || !m_effect->getEffect() || !m_built || !m_buffersValid || !camera)
        return;
    ID3DXEffect* effect = m_effect->getEffect();
    IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr;
    if (!effect || !device)
        return;
    perfEventBegin(kEventColour, L"BaumObjekt::render");
    collectVisibleInstances(camera);

    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ObjektDrawing::setWorldMatrices(effect, identity, camera);
    effect->SetFloat("g_Shadow", m_shadow);
    effect->SetFloat("g_Bump", 0.0f);
    effect->SetFloat("g_time", m_time);
    ObjektDrawing::setFarDistance(effect, *this);
    effect->SetValue("g_CameraPosWorld", &m_lastEye, sizeof(float) * 3);
    effect->SetBool("g_scale", m_scaleFading);
    effect->SetBool("g_blend", m_blend);
    effect->SetValue("g_MaskColor", &m_maskColor, sizeof(float) * 4);
    // The first four types' pictures; the effect picks one by the type index in "g_Scales", and a
    // later type has no picture of its own.
    static const char* const kTextures[4] = {"g_Textur0", "g_Textur1", "g_Textur2", "g_Textur3"};
    for (std::size_t i = 0; i < 4; ++i) {
        Texture2D* texture = i < m_types.size() ? m_types[i].texture : nullptr;
        effect->SetTexture(kTextures[i], texture ? texture->getBaseTexture() : nullptr);
    }
    ObjektDrawing::bindBuffers(device, this, m_vertexbuffer, sizeof(BaumVertex), m_indexbuffer, m_vertexDeclaration);

    // Batches of one type each, so the effect's choice of picture goes alike across a draw; the
    // pass writes depth without blending, so the order of the types leaves the picture as it is.
    for (std::size_t type = 0; type < m_types.size(); ++type) {
        const uint32_t first = m_typeFirst[type];
        const uint32_t end = m_typeFirst[type + 1];
        if (first == end)
            continue;
        for (uint32_t start = first; start < end; start += m_maxShaderInstances) {
            const uint32_t n = std::min(end - start, m_maxShaderInstances);
            effect->SetVectorArray("g_Positionen", &m_positions[start], n);
            effect->SetVectorArray("g_Scales", &m_scales[start], n);
            effect->SetVectorArray("g_Wind", &m_wind[start], n);
            effect->CommitChanges();
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, m_anzSlices * n * 8, 0, m_anzSlices * n * 4);
            ++m_drawCalls;
        }
    }
    perfEventEnd();
}

} // namespace Ulvo
