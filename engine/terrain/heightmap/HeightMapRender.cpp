// The grid terrain in a frame: the level of detail per camera, the visible box, and one indexed
// draw of the whole grid with the indices the quadtree chose, from the index buffer that holds
// them.
#include "devices/d3d/D3DInterface.h"
#include "graphics/effects/Effect.h"
#include "graphics/textures/Texture2D.h"
#include "render/cameras/Camera.h"
#include "scene/objects/ObjektDrawing.h"
#include "terrain/heightmap/HeightMapObjekt.h"
#include "terrain/quadtree/TerrainQuadNode.h"

#include <algorithm>
#include <cfloat>
#include <cstring>

namespace Ulvo {

namespace {

IDirect3DBaseTexture9* deviceTexture(Texture2D* texture)
{
    return texture ? texture->getBaseTexture() : nullptr;
}

} // namespace

void HeightMapObjekt::updateForCamera(Camera* camera, const D3DXVECTOR3* eye)
{
    BaseObjekt::updateForCamera(camera, eye);
    if (!camera || !m_quadtree)
        return;
    const D3DXVECTOR3 at = eye ? *eye : camera->getEyePosition();
    m_marksKey.view = camera->getViewMatrix();
    m_marksKey.projection = camera->getProjectionMatrix();
    m_marksKey.window = camera->getCullingWindow();
    m_marksKey.eye = at;
    m_marksKey.lodC = m_lodC;
    m_marksKey.lodSmallC = m_lodSmallC;
    m_marksKey.tree = m_treeGeneration;
    // A morphing grid moves its vertices as it walks the tree, so it walks it every time.
    m_marksKeyValid = !m_morphing;
    m_marksCurrent = false;
    if (!slotOfMarksKey())
        walkTree(*camera);
}

HeightMapObjekt::IndexSlot* HeightMapObjekt::slotOfMarksKey()
{
    if (m_marksKeyValid)
        for (IndexSlot& slot : m_indexSlots)
            if (slot.valid && slot.keyed && slot.key == m_marksKey)
                return &slot;
    return nullptr;
}

void HeightMapObjekt::walkTree(const Camera& camera)
{
    m_quadtree->updateFrame(camera, m_marksKey.eye, m_lodC, m_lodSmallC);
    m_marksCurrent = true;
    ++m_treeUpdates;
}

const AABB& HeightMapObjekt::getViewBox(Camera* camera)
{
    m_viewBox = AABB(m_position, m_position);
    if (camera && m_quadtree)
        m_quadtree->selectVisible(*camera, camera->getEyePosition(), m_lodC, m_lodSmallC, m_viewBox);
    return m_viewBox;
}

void HeightMapObjekt::setEffectVariables(ID3DXEffect* effect, Camera* camera)
{
    D3DXMATRIX identity, view, viewInverse;
    D3DXMatrixIdentity(&identity);
    view = camera->getViewMatrix();
    D3DXMatrixInverse(&viewInverse, nullptr, &view);
    const D3DXMATRIX viewProjection = view * camera->getProjectionMatrix();
    effect->SetMatrix("g_World", &identity);
    effect->SetMatrix("g_WorldView", &view);
    effect->SetMatrix("g_WorldViewInv", &viewInverse);
    // The near/far blend and the far fade are measured from the eye, wherever the terrain lies.
    const D3DXVECTOR3 eye(viewInverse._41, viewInverse._42, viewInverse._43);
    effect->SetValue("g_CameraPosWorld", &eye, sizeof(float) * 3);
    effect->SetMatrixTranspose("g_WorldTransposeInv", &identity);
    effect->SetMatrix("g_WorldViewProjection", &viewProjection);
    effect->SetFloat("g_Shadow", m_shadowValue);
    effect->SetFloat("g_Bump", m_bumpAmount);
    const D3DXVECTOR4 nearScale(m_texScaleNear[0], m_texScaleNear[1], m_texScaleNear[2], m_texScaleNear[3]);
    const D3DXVECTOR4 farScale(m_texScaleFar[0], m_texScaleFar[1], m_texScaleFar[2], m_texScaleFar[3]);
    effect->SetVector("g_texscale03", &nearScale);
    effect->SetVector("g_texscale03_far", &farScale);
    effect->SetValue("g_MaskColor", &m_maskColor, sizeof(float) * 4);
    ObjektDrawing::setFarDistance(effect, *this);
    const float blend[2] = {m_blendStart, m_blendEnd};
    effect->SetValue("g_nearfarblend", blend, sizeof(blend));
    static const char* const layerNames[4] = {"g_Textur0", "g_Textur1", "g_Textur2", "g_Textur3"};
    for (int i = 0; i < 4; ++i)
        effect->SetTexture(layerNames[i], deviceTexture(m_layerTextures[i]));
    effect->SetTexture("g_TexturLM", deviceTexture(m_colourMap));
    // The texture cannot be drawn from while it is locked for painting.
    endBlendLock();
    effect->SetTexture("g_TexturBlend03", deviceTexture(m_blendTexture));
    if (m_bumpAmount != 0.0f) {
        static const char* const bumpNames[4] = {"g_BumpTextur0", "g_BumpTextur1", "g_BumpTextur2", "g_BumpTextur3"};
        for (int i = 0; i < 4; ++i)
            effect->SetTexture(bumpNames[i], deviceTexture(m_bumpTextures[i]));
    }
    effect->CommitChanges();
}

HeightMapObjekt::IndexSlot* HeightMapObjekt::indexSlotFor(const uint32_t* indices, uint32_t count)
{
    // An empty slot is taken before the least recently used one.
    IndexSlot* slot = nullptr;
    for (IndexSlot& candidate : m_indexSlots) {
        if (candidate.valid && candidate.held.size() == count &&
            (count == 0 || std::memcmp(candidate.held.data(), indices, count * sizeof(uint32_t)) == 0)) {
            candidate.lastUse = ++m_indexUses;
            return &candidate;
        }
        if (!slot || (slot->valid && (!candidate.valid || candidate.lastUse < slot->lastUse)))
            slot = &candidate;
    }
    slot->valid = false;
    if (count > slot->capacity) {
        // A spare buffer grows with half again as much room, so that a selection a little
        // larger next frame does not make it again.
        IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr;
        const uint32_t cells = m_gridSize - 1;
        const uint32_t capacity = std::min(TerrainQuadNode::kIndicesPerCell * cells * cells, count + count / 2);
        IDirect3DIndexBuffer9* buffer = nullptr;
        if (!device ||
            FAILED(device->CreateIndexBuffer(capacity * sizeof(uint32_t), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                             D3DFMT_INDEX32, D3DPOOL_DEFAULT, &buffer, nullptr)) ||
            !buffer)
            return nullptr;
        if (slot->buffer)
            slot->buffer->Release();
        slot->buffer = buffer;
        slot->capacity = capacity;
    }
    void* data = nullptr;
    if (count > 0) {
        if (FAILED(slot->buffer->Lock(0, count * sizeof(uint32_t), &data, D3DLOCK_DISCARD)) || !data)
            return nullptr;
        std::memcpy(data, indices, count * sizeof(uint32_t));
        slot->buffer->Unlock();
        ++m_indexUploads;
    }
    slot->held.assign(indices, indices + count);
    slot->valid = true;
    slot->lastUse = ++m_indexUses;
    return slot;
}

void HeightMapObjekt::render(Camera* camera)
{
    if (!m_effect || !m_effect->getEffect() || !camera || !m_vertexBuffer || !m_indexSlots[0].buffer)
        return;
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!device)
        return;
    void* data = nullptr;
    // The indices follow the level of detail the quadtree chose for this camera. They are written
    // on the processor and handed to the device only when no index buffer holds them already.
    IndexSlot* slot = m_marksCurrent ? nullptr : slotOfMarksKey();
    if (slot) {
        slot->lastUse = ++m_indexUses;
    } else {
        // The slot that held this view's choice was filled by another since.
        if (m_quadtree && m_marksKeyValid && !m_marksCurrent)
            walkTree(*camera);
        const uint32_t cells = m_gridSize - 1;
        m_indexScratch.resize(TerrainQuadNode::kIndicesPerCell * static_cast<std::size_t>(cells) * cells);
        uint32_t count = 0;
        if (m_quadtree)
            m_quadtree->writeIndices(m_indexScratch.data(), count);
        slot = indexSlotFor(m_indexScratch.data(), count);
        if (slot) {
            slot->keyed = m_marksKeyValid && m_marksCurrent;
            slot->key = m_marksKey;
        }
    }
    m_indexCount = slot ? static_cast<uint32_t>(slot->held.size()) : 0;
    if (m_morphing) {
        const UINT bytes = sizeof(HeightMapVertex) * m_vertexCount;
        if (SUCCEEDED(m_vertexBuffer->Lock(0, bytes, &data, 0)) && data) {
            std::memcpy(data, m_vertices.data(), bytes);
            m_vertexBuffer->Unlock();
        }
    }
    ID3DXEffect* effect = m_effect->getEffect();
    setEffectVariables(effect, camera);
    // Drawn by vertex format: the next object must set its declaration and buffers again.
    RenderObjekt::setDrawStateMarker(nullptr);
    device->SetFVF(HeightMapVertex::FVF);
    device->SetStreamSource(0, m_vertexBuffer, 0, sizeof(HeightMapVertex));
    device->SetIndices(slot ? slot->buffer : nullptr);
    if (slot && m_indexCount >= 3)
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, m_vertexCount, 0, m_indexCount / 3);
}

} // namespace Ulvo
