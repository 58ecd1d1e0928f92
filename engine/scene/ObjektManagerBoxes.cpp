// The object manager's box drawing: eight corners in a dynamic vertex buffer, the box's twelve
// triangles and twelve edges in two index buffers. All three live in the default pool, so they go
// when the device is lost and are made again after the reset.
#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "render/ScopedPerfEvent.h"
#include "render/cameras/Camera.h"
#include "scene/DirectionAngle.h"
#include "scene/ObjektManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Ulvo {

namespace {

// Corner i has the maximum's x when bit 1 is set, its y with bit 2 and its z with bit 4.
constexpr uint32_t kBoxTriangles[36] = {
    0, 4, 6, 0, 6, 2, // -x
    1, 3, 7, 1, 7, 5, // +x
    0, 1, 5, 0, 5, 4, // -y
    2, 6, 7, 2, 7, 3, // +y
    0, 2, 3, 0, 3, 1, // -z
    4, 5, 7, 4, 7, 6, // +z
};
constexpr uint32_t kBoxEdges[24] = {
    0, 1, 2, 3, 4, 5, 6, 7, // along x
    0, 2, 1, 3, 4, 6, 5, 7, // along y
    0, 4, 1, 5, 2, 6, 3, 7, // along z
};

// The box of the edited object by drag kind: nothing, move, scale, rotate, velocity.
constexpr D3DCOLOR kKindColours[5] = {0xFFFFFFFF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF, 0xFFFF8000};
constexpr D3DCOLOR kAxisColours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
constexpr D3DCOLOR kPlaneColour = 0xFFC0C0C0;

void logFailed(int line, const wchar_t* call)
{
    mainLogger().log(100, LOG_TYPE_ERROR,
                     std::wstring(call) + L" failed! Line: " + std::to_wstring(line) +
                         L" Ulvo::ObjektManager::createDeviceResources\n");
}

template <class Buffer> void releaseBuffer(Buffer*& buffer)
{
    if (buffer) {
        buffer->Release();
        buffer = nullptr;
    }
}

// A dynamic, write-only index buffer of 32-bit indices holding the list.
IDirect3DIndexBuffer9* makeIndices(IDirect3DDevice9* device, const uint32_t* indices, UINT count)
{
    IDirect3DIndexBuffer9* buffer = nullptr;
    const UINT bytes = count * sizeof(uint32_t);
    if (FAILED(device->CreateIndexBuffer(bytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                         &buffer, nullptr))) {
        logFailed(__LINE__, L"CreateIndexBuffer");
        return nullptr;
    }
    void* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) {
        logFailed(__LINE__, L"IDirect3DIndexBuffer9::Lock");
        buffer->Release();
        return nullptr;
    }
    std::memcpy(data, indices, bytes);
    buffer->Unlock();
    return buffer;
}

} // namespace

void ObjektManager::createDeviceResources()
{
    releaseDeviceResources();
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    if (!device)
        return;
    static_assert(sizeof(BoxVertex) == 16, "position and colour, as the vertex format says");
    if (FAILED(device->CreateVertexBuffer(8 * sizeof(BoxVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                          D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPOOL_DEFAULT, &m_boxVertices, nullptr))) {
        logFailed(__LINE__, L"CreateVertexBuffer");
        m_boxVertices = nullptr;
        return;
    }
    m_boxTriangles = makeIndices(device, kBoxTriangles, 36);
    m_boxLines = makeIndices(device, kBoxEdges, 24);
    if (!m_boxTriangles || !m_boxLines) {
        releaseDeviceResources();
        return;
    }
    m_deviceResources = true;
}

void ObjektManager::releaseDeviceResources()
{
    releaseBuffer(m_boxVertices);
    releaseBuffer(m_boxTriangles);
    releaseBuffer(m_boxLines);
    m_deviceResources = false;
}

bool ObjektManager::beginBoxDraw(IDirect3DDevice9* device)
{
    void* data = nullptr;
    if (FAILED(m_boxVertices->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data)
        return false;
    std::memcpy(data, m_boxCorners, sizeof m_boxCorners);
    m_boxVertices->Unlock();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, nullptr);
    device->SetTransform(D3DTS_WORLD, &identity);
    // Whatever effect ran last may have left its shaders bound; the box is fixed-function.
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    device->SetStreamSource(0, m_boxVertices, 0, sizeof(BoxVertex));
    return true;
}

void ObjektManager::drawBox(const AABB& box, D3DCOLOR colour, bool solid)
{
    if (!m_deviceResources)
        return;
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    if (!device)
        return;
    ScopedPerfEvent event(L"ObjektManager::drawBox");
    const D3DXVECTOR3& low = box.getMin();
    const D3DXVECTOR3& high = box.getMax();
    for (int i = 0; i < 8; ++i) {
        m_boxCorners[i].position =
            D3DXVECTOR3((i & 1) ? high.x : low.x, (i & 2) ? high.y : low.y, (i & 4) ? high.z : low.z);
        m_boxCorners[i].colour = colour;
    }
    if (!beginBoxDraw(device))
        return;
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetIndices(m_boxTriangles);
    if (!solid) {
        DWORD fill = D3DFILL_SOLID;
        device->GetRenderState(D3DRS_FILLMODE, &fill);
        device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 8, 0, 12);
        if (fill != D3DFILL_WIREFRAME)
            device->SetRenderState(D3DRS_FILLMODE, fill);
    } else {
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 8, 0, 12);
    }
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void ObjektManager::drawQuad(const D3DXVECTOR3 (&corners)[4], D3DCOLOR colour)
{
    IDirect3DDevice9* device = m_deviceResources ? D3DInterface::getInstance()->getDevice() : nullptr;
    if (!device)
        return;
    // Corners 0 to 3 and again 4 to 7: the edges 0-1 and 2-3 and the edges 0-2 and 1-3 of the
    // edge list are the outline.
    for (int i = 0; i < 8; ++i)
        m_boxCorners[i] = BoxVertex{corners[i & 3], colour};
    if (!beginBoxDraw(device))
        return;
    device->SetIndices(m_boxLines);
    device->DrawIndexedPrimitive(D3DPT_LINELIST, 0, 0, 8, 0, 2);
    device->DrawIndexedPrimitive(D3DPT_LINELIST, 0, 0, 8, 8, 2);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void ObjektManager::drawEditorMarks(Camera& camera)
{
    if (!m_editObject || !m_deviceResources || !D3DInterface::getInstance()->getDevice())
        return;
    ScopedPerfEvent event(L"ObjektManager::drawEditorMarks");
    camera.applyTransforms();
    // Over everything, as the handles: what is edited must show even inside other objects.
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    m_editObject->renderBoundingBox(kKindColours[std::clamp(m_editKind, 0, 4)], false);

    // Axes and plane through the point a drag moves, as long as the box is wide, at least a unit.
    const AABB& box = m_editObject->getBoundingBox();
    const D3DXVECTOR3 extent = box.getMax() - box.getMin();
    const float reach = std::max({extent.x, extent.y, extent.z, 1.0f}) * 0.75f;
    const D3DXVECTOR3 q = m_editObject->getBasePosition();
    const D3DXVECTOR3 axes[3] = {{reach, 0.0f, 0.0f}, {0.0f, reach, 0.0f}, {0.0f, 0.0f, reach}};
    for (int axis = 0; axis < 3; ++axis) {
        if (m_axisMask & (1 << axis))
            drawQuad({q - axes[axis], q + axes[axis], q - axes[axis], q + axes[axis]}, kAxisColours[axis]);
    }

    // The edit plane as getEditPlanePoint lays it: level, upright across the view, or facing it.
    const D3DXMATRIX& inverse = camera.getViewInverseMatrix();
    D3DXVECTOR3 across(reach, 0.0f, 0.0f);
    D3DXVECTOR3 along(0.0f, 0.0f, reach);
    if (m_planeMode == 1) {
        const float heading = directionAngle(inverse._31, inverse._33) * 0.01745329238474369f;
        across = D3DXVECTOR3(-std::sin(heading) * reach, 0.0f, std::cos(heading) * reach);
        along = D3DXVECTOR3(0.0f, reach, 0.0f);
    } else if (m_planeMode == 2) {
        across = D3DXVECTOR3(inverse._11, inverse._12, inverse._13) * reach;
        along = D3DXVECTOR3(inverse._21, inverse._22, inverse._23) * reach;
    }
    drawQuad({q - across - along, q + across - along, q - across + along, q + across + along}, kPlaneColour);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
}

} // namespace Ulvo
