// The animated meshes of the mesh list: the shipped windmill's hierarchy, skin, animation sets
// and bounds; its pictures at two animation times, drawn as the animated-mesh objects draw
// (a cloned controller, the pose applied, the frames walked, skinned on the processor); broken
// entries logged and passed over.
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/FrameHierarchy.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/meshes/AnimatedMesh.h"
#include "graphics/meshes/MeshManager.h"
#include "graphics/textures/TextureManager.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

constexpr DWORD kClear = 0xFF203040;

class AnimatedMeshTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice();
        ASSERT_NE(m_device, nullptr);
        const int logs = logSwitch();
        logSwitch() = 0;
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        EXPECT_TRUE(m_meshes.loadFile(L"data\\Meshes\\meshes.msh", &m_textures));
        logSwitch() = logs;
        m_mill = m_meshes.getAnimatedMesh(L"WINDMUEHLE");
        ASSERT_NE(m_mill, nullptr);
    }

    ID3DXAnimationController* cloneController() const
    {
        ID3DXAnimationController* source = m_mill->getAnimationController();
        ID3DXAnimationController* clone = nullptr;
        EXPECT_EQ(source->CloneAnimationController(source->GetMaxNumAnimationOutputs(),
                                                   source->GetMaxNumAnimationSets(), source->GetMaxNumTracks(),
                                                   source->GetMaxNumEvents(), &clone),
                  D3D_OK);
        return clone;
    }

    // Poses the mill from the controller at the world matrix and draws every container in its
    // materials' flat colours.
    Image draw(ID3DXAnimationController* controller, const D3DXVECTOR3& eye, const D3DXVECTOR3& at, UINT width,
               UINT height)
    {
        D3DXMATRIX world, identity, view, projection;
        D3DXMatrixIdentity(&world);
        D3DXMatrixIdentity(&identity);
        controller->AdvanceTime(0.0, nullptr);
        updateFrameMatrices(nullptr, &world, m_mill->getRootFrame());

        GraphicsTesting::ScopedTarget target(m_device, width, height);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.0f, 0);
        m_device->BeginScene();
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, static_cast<float>(width) / height, 0.1f, 100.0f);
        m_device->SetTransform(D3DTS_VIEW, &view);
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
        m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_device->SetRenderState(D3DRS_ZENABLE, TRUE);
        m_device->SetTexture(0, nullptr);
        m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        m_mill->forEachContainer([&](UlvoFrame* frame, AnimatedMeshContainer* container) {
            const bool skinned = m_mill->skinContainer(container);
            m_device->SetTransform(D3DTS_WORLD, skinned ? &identity : &frame->m_combinedMatrix);
            for (const D3DXATTRIBUTERANGE& range : container->attributeTable) {
                const D3DCOLORVALUE& c = container->pMaterials[range.AttribId].MatD3D.Diffuse;
                m_device->SetRenderState(D3DRS_TEXTUREFACTOR, D3DCOLOR_COLORVALUE(c.r, c.g, c.b, 1.0f));
                container->MeshData.pMesh->DrawSubset(range.AttribId);
            }
        });
        m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_device->SetRenderState(D3DRS_LIGHTING, TRUE);
        m_device->EndScene();
        return target.read();
    }

    D3DCOLOR materialColour(const char* name) const
    {
        const AnimatedMeshContainer* container =
            static_cast<const AnimatedMeshContainer*>(m_mill->getRootFrame()->pMeshContainer);
        // The mesh tool's material order: Stein, Dach, Holz, Segel.
        const char* const names[] = {"Stein", "Dach", "Holz", "Segel"};
        for (int i = 0; i < 4; ++i) {
            if (std::strcmp(names[i], name) == 0) {
                const D3DCOLORVALUE& c = container->pMaterials[i].MatD3D.Diffuse;
                return D3DCOLOR_COLORVALUE(c.r, c.g, c.b, 1.0f);
            }
        }
        return 0;
    }

    IDirect3DDevice9* m_device = nullptr;
    TextureManager m_textures;
    MeshManager m_meshes;
    AnimatedMesh* m_mill = nullptr;
};

} // namespace

TEST_F(AnimatedMeshTest, ShippedWindmillHasItsBonesSetsAndBoundsRoundEveryPose)
{
    EXPECT_EQ(m_meshes.getAnimatedMeshes().size(), 1u);
    EXPECT_EQ(m_meshes.getAnimatedMesh(L"windmuehle"), nullptr) << "names are compared exactly";
    EXPECT_EQ(m_meshes.getMesh(L"WINDMUEHLE"), nullptr) << "animated meshes are a list of their own";

    D3DXFRAME* root = m_mill->getRootFrame();
    EXPECT_STREQ(root->Name, "Muehle");
    D3DXFRAME* cap = root->pFrameFirstChild;
    ASSERT_NE(cap, nullptr);
    EXPECT_STREQ(cap->Name, "Kappe");
    ASSERT_NE(cap->pFrameFirstChild, nullptr);
    EXPECT_STREQ(cap->pFrameFirstChild->Name, "Fluegel");

    auto* container = static_cast<AnimatedMeshContainer*>(root->pMeshContainer);
    ASSERT_NE(container, nullptr);
    ASSERT_NE(container->pSkinInfo, nullptr);
    ASSERT_NE(container->originalMesh, nullptr);
    EXPECT_NE(container->originalMesh, container->MeshData.pMesh);
    EXPECT_EQ(container->NumMaterials, 4u);
    EXPECT_EQ(container->attributeTable.size(), 4u);
    ASSERT_EQ(container->boneMatrices.size(), 3u);
    EXPECT_EQ(container->boneMatrices[1], &static_cast<UlvoFrame*>(cap)->m_combinedMatrix);
    EXPECT_FLOAT_EQ(container->boneOffsets[1]._42, -3.0f);
    EXPECT_EQ(m_mill->getBoneMatrixCount(), 4u) << "three bones and the palette's identity";
    EXPECT_EQ(m_mill->getSkinningMethod(), AnimatedMesh::SKIN_IN_VERTEX_SHADER);
    EXPECT_NE(container->blendedMesh, nullptr);
    DWORD most = 0;
    container->pSkinInfo->GetMaxVertexInfluences(&most);
    EXPECT_EQ(most, 2u) << "the tower's top ring is shared by two bones";

    ID3DXAnimationController* controller = m_mill->getAnimationController();
    ASSERT_NE(controller, nullptr);
    ASSERT_EQ(controller->GetNumAnimationSets(), 2u);
    for (UINT s = 0; s < 2; ++s) {
        ID3DXAnimationSet* set = nullptr;
        controller->GetAnimationSet(s, &set);
        EXPECT_STREQ(set->GetName(), s == 0 ? "Mahlen" : "Wenden");
        EXPECT_DOUBLE_EQ(set->GetPeriod(), 4.0);
        set->Release();
    }

    // Turned 45 degrees the sails reach sideways as far as upwards; the box holds both, and
    // the sphere holds the box.
    EXPECT_GT(m_mill->getBoxMax().x, 2.5f);
    EXPECT_LT(m_mill->getBoxMin().x, -2.5f);
    // The cloth's outer corner lies 2.56 from the hub; the poses are sampled along the turn.
    EXPECT_GT(m_mill->getBoxMax().y, 3.6f + 2.5f);
    EXPECT_LT(m_mill->getBoxMax().y, 3.6f + 2.57f);
    EXPECT_NEAR(m_mill->getBoxMin().y, 0.0f, 1e-4f);
    const D3DXVECTOR3 corner = m_mill->getBoxMax() - m_mill->getSphereCenter();
    EXPECT_NEAR(m_mill->getSphereRadius(), D3DXVec3Length(&corner), 1e-4f);
    // Sampling left the frames as they were: the sails stand upright.
    EXPECT_NEAR(cap->pFrameFirstChild->TransformationMatrix._11, 1.0f, 1e-5f);
}

TEST_F(AnimatedMeshTest, BlendedVerticesWithThePaletteLandWhereTheProcessorSkinsThem)
{
    // The vertex shader's sum, done here: a wrong bone index, weight or palette entry moves a vertex.
    ID3DXAnimationController* controller = cloneController();
    controller->AdvanceTime(1.3, nullptr);
    D3DXMATRIX world;
    D3DXMatrixRotationY(&world, 0.7f);
    world._41 = 2.0f;
    updateFrameMatrices(nullptr, &world, m_mill->getRootFrame());
    auto* container = static_cast<AnimatedMeshContainer*>(m_mill->getRootFrame()->pMeshContainer);
    ASSERT_NE(container->blendedMesh, nullptr);
    UINT count = 0;
    const D3DXMATRIX* palette = m_mill->bonePalette(container, count);
    ASSERT_EQ(count, 4u);
    const std::vector<D3DXMATRIX> bones(palette, palette + count);
    ASSERT_TRUE(m_mill->skinContainer(container));
    const uint8_t* blended = nullptr;
    const uint8_t* skinned = nullptr;
    ASSERT_EQ(container->blendedMesh->LockVertexBuffer(D3DLOCK_READONLY, (void**)&blended), D3D_OK);
    ASSERT_EQ(container->MeshData.pMesh->LockVertexBuffer(D3DLOCK_READONLY, (void**)&skinned), D3D_OK);
    const DWORD from = container->blendedMesh->GetNumBytesPerVertex();
    const DWORD to = container->MeshData.pMesh->GetNumBytesPerVertex();
    int moved = 0;
    for (DWORD v = 0; v < container->blendedMesh->GetNumVertices(); ++v) {
        const uint8_t* at = blended + static_cast<size_t>(v) * from;
        D3DXVECTOR3 p, sum(0.0f, 0.0f, 0.0f), expected;
        float weights[4];
        std::memcpy(&p, at, sizeof(p));
        std::memcpy(weights, at + 12, sizeof(weights));
        for (int i = 0; i < 4; ++i) {
            ASSERT_LT(at[28 + i], count);
            D3DXVECTOR3 q;
            D3DXVec3TransformCoord(&q, &p, &bones[at[28 + i]]);
            sum += weights[i] * q;
        }
        std::memcpy(&expected, skinned + static_cast<size_t>(v) * to, sizeof(expected));
        EXPECT_NEAR(sum.x, expected.x, 1e-4f) << v;
        EXPECT_NEAR(sum.y, expected.y, 1e-4f) << v;
        EXPECT_NEAR(sum.z, expected.z, 1e-4f) << v;
        const D3DXVECTOR3 shift = expected - p;
        moved += D3DXVec3Length(&shift) > 0.01f;
    }
    EXPECT_GT(moved, 0);
    container->MeshData.pMesh->UnlockVertexBuffer();
    container->blendedMesh->UnlockVertexBuffer();
    controller->Release();
}

TEST_F(AnimatedMeshTest, SailsTurnWithTimeAndTwoControllersPlayOnTheirOwn)
{
    ID3DXAnimationController* early = cloneController();
    ID3DXAnimationController* late = cloneController();
    ASSERT_NE(early, nullptr);
    ASSERT_NE(late, nullptr);
    late->AdvanceTime(0.5, nullptr);

    // Straight at the hub (3.6 up, 1.25 in front): an upright arm covers the middle column
    // above it at 0 s; turned 45 degrees at 0.5 s it leaves the sky there.
    const D3DXVECTOR3 eye(0.0f, 3.6f, -10.0f), hub(0.0f, 3.6f, 0.0f);
    const Image atStart = draw(early, eye, hub, 160, 120);
    const Image turned = draw(late, eye, hub, 160, 120);
    // 1.5 above the hub at 8.75 away: 60 / tan(22.5 degrees) * 1.5 / 8.75 = 25 rows up.
    EXPECT_PIXEL(atStart, 80, 60 - 25, materialColour("Holz"));
    EXPECT_PIXEL(turned, 80, 60 - 25, kClear);
    EXPECT_PIXEL(atStart, 2, 2, kClear);
    // The early clone's pose comes back when it applies it again, after a device reset too
    // (the meshes live in the managed pool).
    EXPECT_EQ(draw(early, eye, hub, 160, 120).pixels, atStart.pixels);
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS pp = *d3d->getPresentParams();
    d3d->setPresenterParams(&pp);
    EXPECT_EQ(draw(early, eye, hub, 160, 120).pixels, atStart.pixels);

    const D3DXVECTOR3 side(4.0f, 4.5f, -10.0f), middle(0.0f, 2.8f, 0.0f);
    EXPECT_TRUE(GraphicsTesting::matchesGolden(draw(early, side, middle, 320, 240), "animesh_windmuehle_0s", 3));
    EXPECT_TRUE(GraphicsTesting::matchesGolden(draw(late, side, middle, 320, 240), "animesh_windmuehle_0_5s", 3));
    early->Release();
    late->Release();
}

TEST_F(AnimatedMeshTest, BrokenAndRepeatedEntriesAreLoggedAndPassedOver)
{
    LogCapture capture;
    TestSupport::writeText(capture.folder() / "kaputt.x",
                           "xof 0303txt 0032\nFrame B {}\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                           "SkinWeights { \"B\"; 1; 7; 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }\n");
    TestSupport::writeText(capture.folder() / "gut.x",
                           "xof 0303txt 0032\nFrame B { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } }\n");
    XMLNode list;
    ASSERT_TRUE(XMLNode::load(&list,
                              L"<MESHES><ANIMESH NAME=\"KAPUTT\"><FILE FILENAME=\"kaputt.x\"/></ANIMESH>"
                              L"<ANIMESH NAME=\"GUT\"><FILE FILENAME=\"gut.x\"/></ANIMESH>"
                              L"<ANIMESH NAME=\"GUT\"><FILE FILENAME=\"gut.x\"/></ANIMESH>"
                              L"<MESH NAME=\"GUT\"><FILE FILENAME=\"gut.x\"/></MESH></MESHES>",
                              1));
    MeshManager meshes;
    meshes.load(&list, &m_textures);
    ASSERT_EQ(meshes.getAnimatedMeshes().size(), 1u);
    AnimatedMesh* good = meshes.getAnimatedMesh(L"GUT");
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->getAnimationController(), nullptr) << "a file without animation sets has no controller";
    EXPECT_EQ(good->getRootFrame()->pMeshContainer->pSkinInfo, nullptr);
    EXPECT_EQ(meshes.getMeshes().size(), 1u) << "a static mesh may share an animated mesh's name";
    const std::string log = capture.text("UlvoAniMesh.log");
    EXPECT_NE(log.find("AniMesh KAPUTT: file \"kaputt.x\" is no animated mesh that can be read"), std::string::npos)
        << log;
    EXPECT_NE(capture.text("UlvoMeshManager.log").find("AniMesh \"GUT\" is listed twice"), std::string::npos);
}
