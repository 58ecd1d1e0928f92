#include "scene/objects/ObjektDrawing.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureCube.h"
#include "graphics/textures/TextureManager.h"
#include "render/XMLWrites.h"
#include "render/cameras/Camera.h"
#include "render/scenegraph/RenderObjekt.h"
#include "scene/objects/BaseObjekt.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace Ulvo {

void ObjektDrawing::setWorldMatrices(ID3DXEffect* effect, const D3DXMATRIX& world, Camera* camera)
{
    D3DXMATRIX worldView, worldViewProjection, inverse;
    D3DXMatrixMultiply(&worldView, &world, &camera->getViewMatrix());
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &camera->getProjectionMatrix());
    if (!D3DXMatrixInverse(&inverse, nullptr, &world))
        D3DXMatrixIdentity(&inverse);
    effect->SetMatrix("g_World", &world);
    effect->SetMatrix("g_WorldView", &worldView);
    effect->SetMatrixTranspose("g_WorldTransposeInv", &inverse);
    effect->SetMatrix("g_WorldViewProjection", &worldViewProjection);
}

void ObjektDrawing::setFarDistance(ID3DXEffect* effect, const BaseObjekt& object)
{
    const float none[4] = {0.0f, 0.0f, FLT_MAX, FLT_MAX};
    effect->SetValue("g_fardist", object.isFarDistEnabled() ? object.getFarDist() : none, sizeof(none));
    effect->SetBool("g_FarFade", object.isFarDistEnabled());
}

bool ObjektDrawing::bindCubeMap(ID3DXEffect* effect, const BaseObjekt& object)
{
    if (!object.usesStandardEnvironment()) {
        TextureCube* own = object.getSkyMapOfObject();
        if (!own)
            return false;
        effect->SetTexture("g_CubeMap", own->getBaseTexture());
        return true;
    }
    TextureCube* shared = RenderObjekt::getEnvironmentMap();
    effect->SetTexture("g_CubeMap", shared ? shared->getBaseTexture() : nullptr);
    return shared != nullptr;
}

AABB ObjektDrawing::worldBox(const D3DXVECTOR3& min, const D3DXVECTOR3& max, const D3DXMATRIX& world)
{
    const AABB local(min, max);
    D3DXVECTOR3 corners[8];
    local.getCorners(corners);
    D3DXVec3TransformCoordArray(corners, sizeof(D3DXVECTOR3), corners, sizeof(D3DXVECTOR3), &world, 8);
    AABB box(corners[0], corners[0]);
    for (const D3DXVECTOR3& corner : corners)
        box.addPoint(corner);
    return box;
}

BoundingSphere ObjektDrawing::worldSphere(const D3DXVECTOR3& centre, float radius, const D3DXMATRIX& world,
                                          const D3DXVECTOR3& scale)
{
    D3DXVECTOR3 moved;
    D3DXVec3TransformCoord(&moved, &centre, &world);
    const float largest = std::max({std::fabs(scale.x), std::fabs(scale.y), std::fabs(scale.z)});
    return BoundingSphere(moved, radius * largest);
}

void MaterialAmounts::read(const XMLNode& data)
{
    data.readFloat(L"REFLECTION_AMOUNT", reflection);
    data.readFloat(L"BUMP_AMOUNT", bump);
    data.readFloat(L"SPECULAR_AMOUNT", specular);
    data.readFloat(L"SPECULAR_POWER", specularPower);
    float receive = 1.0f - shadow;
    data.readFloat(L"SHADOW_RECEIVE", receive);
    shadow = 1.0f - receive;
}

void MaterialAmounts::write(XMLNode& data) const
{
    xmlwrite::write(&data, L"REFLECTION_AMOUNT", reflection);
    xmlwrite::write(&data, L"BUMP_AMOUNT", bump);
    xmlwrite::write(&data, L"SPECULAR_AMOUNT", specular);
    xmlwrite::write(&data, L"SPECULAR_POWER", specularPower);
    xmlwrite::write(&data, L"SHADOW_RECEIVE", 1.0f - shadow);
}

bool ObjektDrawing::readTexture(const XMLNode* textures, const wchar_t* key, Texture2D*& texture)
{
    std::wstring name;
    if (!textures || !textures->readString(key, name))
        return false;
    TextureManager* manager = D3DInterface::getInstance()->getTextureManager();
    texture = manager ? manager->getTexture2D(name) : nullptr;
    return true;
}

void ObjektDrawing::writeTexture(XMLNode& node, const wchar_t* key, const Texture2D* texture)
{
    if (!texture)
        return;
    XMLNode* textures = node.getNode(L"TEXTURES");
    if (!textures) {
        textures = new XMLNode(L"TEXTURES");
        node.addNode(textures);
    }
    xmlwrite::write(textures, key, texture->getName());
}

void ObjektDrawing::setType(XMLNode& node, const wchar_t* type)
{
    if (XMLAttribute* attribute = node.getAttribute(L"TYPE"))
        attribute->setValue(type);
    else
        xmlwrite::write(&node, L"TYPE", type);
}

void ObjektDrawing::addPart(XMLNode& node, const XMLNode& part)
{
    XMLNode* existing = node.getNode(part.getName());
    if (!existing) {
        node.addNode(new XMLNode(part));
        return;
    }
    for (const XMLAttribute* attribute : part.getAttributes()) {
        if (XMLAttribute* same = existing->getAttribute(attribute->getName()))
            same->setValue(attribute->getValue());
        else
            existing->addAttribute(new XMLAttribute(*attribute));
    }
    for (const XMLNode* child : part.getNodes())
        existing->addNode(new XMLNode(*child));
}

void ObjektDrawing::bindBuffers(IDirect3DDevice9* device, const void* owner, IDirect3DVertexBuffer9* vertices,
                                UINT stride, IDirect3DIndexBuffer9* indices, IDirect3DVertexDeclaration9* declaration)
{
    // Objects of one mesh follow each other in a render list; every pass forgets the marker first.
    if (RenderObjekt::getDrawStateMarker() == owner)
        return;
    RenderObjekt::setDrawStateMarker(owner);
    device->SetStreamSource(0, vertices, 0, stride);
    device->SetIndices(indices);
    device->SetVertexDeclaration(declaration);
}

} // namespace Ulvo
