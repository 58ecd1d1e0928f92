#include "terrain/street/StreetObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureCube.h"
#include "render/cameras/Camera.h"
#include "scene/HeightMap.h"
#include "scene/ObjektManager.h"
#include "scene/objects/ObjektDrawing.h"

namespace Ulvo {

namespace {

IDirect3DBaseTexture9* deviceTexture(Texture2D* texture)
{
    return texture ? texture->getBaseTexture() : nullptr;
}

} // namespace

StreetObjekt::StreetObjekt(XMLNode* node, ObjektManager* owner) : BaseObjekt(node, owner)
{
    refuseNonFiniteTransform();
    // The bundle's "Render" effect at once, so the first frame is lit like every later one.
    BaseObjekt::selectRenderEffect(0, 0);
    followDevice();
    XMLNode* data = node ? node->getNode(L"STREET_DATA") : nullptr;
    if (!data)
        return;
    m_streetData = std::make_unique<XMLNode>(*data);
    data->readInt(L"ANZ_SEGMENTE", m_segmentCount);
    if (m_segmentCount < 1) {
        mainLogger().log(100, LOG_TYPE_WARNING, L"StreetObjekt ", getName(), L": ANZ_SEGMENTE ", m_segmentCount,
                         L" cannot divide the road, 1 is taken\n");
        m_segmentCount = 1;
    }
    data->readBool(L"DRAW_LAST_SEGMENT", m_drawLastSegment);
    if (XMLNode* profil = data->getNode(L"STREET_PROFIL"))
        loadSegments(*profil);
    if (XMLNode* spline = data->getNode(L"STREET_SPLINE"))
        m_splineNode = std::make_unique<XMLNode>(*spline);
}

StreetObjekt::~StreetObjekt()
{
    stopFollowingDevice();
    releaseDeviceObjects();
}

bool StreetObjekt::save(XMLNode* node)
{
    if (!BaseObjekt::save(node))
        return false;
    ObjektDrawing::setType(*node, L"STREET");
    if (m_streetData)
        ObjektDrawing::addPart(*node, *m_streetData);
    return true;
}

HeightMap* StreetObjekt::findTerrain(const std::wstring& name) const
{
    if (!m_owner || name.empty())
        return nullptr;
    return dynamic_cast<HeightMap*>(m_owner->find(name));
}

void StreetObjekt::build(int pass)
{
    switch (pass) {
    case 0:
        if (m_splineNode)
            m_path.loadStreet(
                *m_splineNode, [this](const std::wstring& name) { return findTerrain(name); }, m_splines);
        buildMesh();
        break;
    case 1:
        createGeometry();
        break;
    default:
        // A scene whose other objects need more passes would otherwise carve the trench again.
        break;
    }
}

void StreetObjekt::updateForCamera(Camera* camera, const D3DXVECTOR3* eye)
{
    BaseObjekt::updateForCamera(camera, eye);
    m_visible = true;
}

const AABB& StreetObjekt::getBoundingBox(Camera* camera)
{
    const D3DXVECTOR3 eye = camera ? camera->getEyePosition() : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_cameraBox = AABB(eye, eye);
    if (!camera)
        return m_cameraBox;
    for (const MeshChunk& chunk : m_chunks)
        if (camera->isAABBInFrustum(chunk.box) != 0)
            m_cameraBox.merge(chunk.box);
    return m_cameraBox;
}

void StreetObjekt::render(Camera* camera)
{
    IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr;
    if (!camera || !device || !m_effect || !m_effect->getEffect())
        return;
    // Before pass 1, after a failed creation or for an empty road there is nothing to draw.
    if (!m_vertexBuffer || !m_indexBuffer || !m_vertexDeclaration || m_profile.empty())
        return;
    const std::size_t P = m_profile.size();
    const std::size_t S = m_vertexCount / (2 * P);
    if (S < 2)
        return;
    ID3DXEffect* effect = m_effect->getEffect();

    D3DXMATRIX world, worldView, worldViewProjection, inverse;
    D3DXMatrixTransformation(&world, nullptr, nullptr, &m_scale, nullptr, &m_rotation, &m_position);
    D3DXMatrixMultiply(&worldView, &world, &camera->getViewMatrix());
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &camera->getProjectionMatrix());
    if (!D3DXMatrixInverse(&inverse, nullptr, &world))
        D3DXMatrixIdentity(&inverse);
    effect->SetMatrix("g_World", &world);
    effect->SetMatrix("g_WorldView", &worldView);
    effect->SetMatrix("g_ViewInv", &camera->getViewInverseMatrix());
    effect->SetMatrix("g_View", &camera->getViewMatrix());
    effect->SetValue("g_MaskColor", &m_maskColor, sizeof(float) * 4);
    effect->SetValue("g_fardist", m_farDist, sizeof(m_farDist));
    effect->SetBool("g_FarFade", TRUE);
    effect->SetValue("g_CameraPosWorld", &m_lastEye, sizeof(float) * 3);
    effect->SetMatrixTranspose("g_WorldTransposeInv", &inverse);
    effect->SetMatrix("g_WorldViewProjection", &worldViewProjection);

    // Other objects compare against the shared record and bind their own buffers again.
    RenderObjekt::setDrawStateMarker(this);
    device->SetVertexDeclaration(m_vertexDeclaration);
    device->SetStreamSource(0, m_vertexBuffer, 0, sizeof(StreetVertex));
    device->SetIndices(m_indexBuffer);

    const std::size_t edges = m_drawLastSegment ? P : P - 1;
    for (std::size_t p = 0; p < edges; ++p) {
        const Segment& seg = m_profile[p];
        const float colour[4] = {seg.color[0], seg.color[1], seg.color[2], seg.color[3] * m_alpha};
        effect->SetValue("g_materialcolor", colour, sizeof(colour));
        effect->SetTexture("g_Textur", deviceTexture(seg.diffuseTexture));
        effect->SetBool("g_useDiffTextur", seg.diffuseTexture != nullptr);
        effect->SetFloat("g_SpecExpon", seg.specularPower);
        effect->SetFloat("g_Ks", seg.specularAmount);
        effect->SetFloat("g_Shadow", seg.shadowFactor);
        if (seg.bumpTexture) {
            effect->SetTexture("g_BumpTextur", deviceTexture(seg.bumpTexture));
            effect->SetFloat("g_Bump", seg.bumpAmount);
            effect->SetValue("g_Parallax", seg.parallaxAmount, sizeof(seg.parallaxAmount));
            effect->SetInt("g_nMinSamples", seg.parallaxSamples[0]);
            effect->SetInt("g_nMaxSamples", seg.parallaxSamples[1]);
            effect->SetInt("g_nLODThreshold", seg.parallaxLod);
        } else {
            const float none[2] = {0.0f, 0.0f};
            effect->SetFloat("g_Bump", 0.0f);
            effect->SetValue("g_Parallax", none, sizeof(none));
        }
        if (seg.skyTexture)
            effect->SetTexture("g_CubeMap", seg.skyTexture->getBaseTexture());
        if (seg.reflectionTexture) {
            effect->SetTexture("g_RefTextur", deviceTexture(seg.reflectionTexture));
            effect->SetFloat("g_Kr", seg.reflectionAmount);
        } else {
            effect->SetFloat("g_Kr", 0.0f);
        }
        effect->SetBool("g_useRefTextur", seg.reflectionTexture != nullptr);
        effect->CommitChanges();
        device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, m_vertexCount, static_cast<UINT>(p * 2 * S),
                                     static_cast<UINT>(2 * S - 2));
    }
}

} // namespace Ulvo
