#include "scene/objects/coords/CoordsObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/Camera.h"
#include "scene/ObjektKinds.h"
#include "scene/ObjektManager.h"
#include "scene/objects/ObjektDrawing.h"

namespace Ulvo {

const wchar_t* const CoordsObjekt::kPartNodes[PART_COUNT] = {
    L"WORLD_X", L"WORLD_Y", L"WORLD_Z", L"LOKAL_X", L"LOKAL_Y", L"LOKAL_Z", L"MOVE", L"ROTATE", L"SCALE", L"VELOCITY"};

CoordsObjekt::CoordsObjekt(XMLNode* node, ObjektManager* owner) : BaseObjekt(node, owner)
{
    refuseNonFiniteTransform();
    XMLNode* data = node ? node->getNode(L"COORDS_DATA") : nullptr;
    if (!data)
        return;
    // Each part is an object of the scene as any other, however deep it is nested: the COORDS
    // object pays for it, so it gives its share back when it goes.
    for (int part = 0; part < PART_COUNT; ++part) {
        XMLNode* description = data->getNode(kPartNodes[part]);
        if (!description)
            continue;
        const std::wstring name = getName() + L"." + kPartNodes[part];
        if (!owner) {
            m_parts[part] = createObjektByType(description, owner);
            continue;
        }
        // Paid for the part's slot while it is made (what its kind makes in bulk too), then held
        // by this object; a part refused gives back all of it.
        SceneBudget& budget = owner->getSceneBudget();
        const void* slot = &m_parts[part];
        if (!budget.charge({1, kReservedBytes}, name, slot))
            break;
        BaseObjekt* made = createObjektByType(description, owner);
        if (!made) {
            budget.release(slot);
            continue;
        }
        budget.transfer(static_cast<const NamedObject*>(made), slot);
        if (!budget.settle(kReservedBytes, made->heldBytes(), name, slot)) {
            budget.release(slot);
            made->Release();
            break;
        }
        budget.transfer(slot, static_cast<const NamedObject*>(this));
        m_parts[part] = made;
    }
}

SceneBudget::Cost CoordsObjekt::copyCost() const
{
    // A copy clones every part.
    SceneBudget::Cost cost = BaseObjekt::copyCost();
    for (const BaseObjekt* part : m_parts) {
        if (!part)
            continue;
        const SceneBudget::Cost own = part->copyCost();
        cost.objects += own.objects;
        cost.bytes += own.bytes;
    }
    return cost;
}

CoordsObjekt::CoordsObjekt(const CoordsObjekt& other) : BaseObjekt(other)
{
    for (int part = 0; part < PART_COUNT; ++part)
        m_parts[part] = other.m_parts[part] ? other.m_parts[part]->clone() : nullptr;
}

CoordsObjekt::~CoordsObjekt()
{
    for (BaseObjekt*& part : m_parts) {
        if (part)
            part->Release();
        part = nullptr;
    }
}

bool CoordsObjekt::save(XMLNode* node)
{
    if (!BaseObjekt::save(node))
        return false;
    ObjektDrawing::setType(*node, L"COORDS");
    auto* data = new XMLNode(L"COORDS_DATA");
    for (int part = 0; part < PART_COUNT; ++part) {
        if (!m_parts[part])
            continue;
        auto* description = new XMLNode(kPartNodes[part]);
        m_parts[part]->save(description);
        data->addNode(description);
    }
    node->addNode(data);
    return true;
}

void CoordsObjekt::computeWorldBox()
{
    m_worldBox = AABB(m_position, m_position);
    for (int part = WORLD_X; part <= LOKAL_Z; ++part) {
        if (m_parts[part])
            m_worldBox.merge(m_parts[part]->getBoundingBox());
    }
}

void CoordsObjekt::computeBoundingSphere()
{
    m_boundingSphere = BoundingSphere(m_position, 0.0f);
    for (int part = WORLD_X; part <= LOKAL_Z; ++part) {
        if (!m_parts[part])
            continue;
        m_parts[part]->computeBoundingSphere();
        m_boundingSphere.addPoint(m_parts[part]->getBoundingSphere());
    }
}

bool CoordsObjekt::setPosition(const D3DXVECTOR3& position)
{
    for (BaseObjekt* part : m_parts) {
        if (part)
            part->setPosition(position);
    }
    return BaseObjekt::setPosition(position);
}

void CoordsObjekt::updateForCamera(Camera* camera, const D3DXVECTOR3* eye)
{
    for (BaseObjekt* part : m_parts) {
        if (part)
            part->updateForCamera(camera, eye);
    }
}

void CoordsObjekt::setAlpha(float alpha)
{
    for (BaseObjekt* part : m_parts) {
        if (part)
            part->setAlpha(alpha);
    }
}

void CoordsObjekt::selectRenderEffect(int mode, unsigned quality)
{
    BaseObjekt::selectRenderEffect(mode, quality);
    for (BaseObjekt* part : m_parts) {
        if (part)
            part->selectRenderEffect(mode, quality);
    }
    m_renderMode = mode;
}

void CoordsObjekt::render(Camera* camera)
{
    if (m_renderMode != 6 && m_renderMode != 4 && m_renderMode != 9)
        return;
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!device)
        return;
    auto draw = [&](Part part) {
        if (m_parts[part])
            m_parts[part]->render(camera);
    };
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    draw(LOKAL_X);
    draw(LOKAL_Y);
    draw(LOKAL_Z);
    if (m_axisMode != 3) {
        draw(WORLD_X);
        draw(WORLD_Y);
        draw(WORLD_Z);
    }
    if (m_editMode == 1)
        draw(MOVE);
    else if (m_editMode == 3)
        draw(ROTATE);
    else if (m_editMode == 4)
        draw(VELOCITY);
    else if (m_editMode == 2)
        draw(SCALE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
}

} // namespace Ulvo
