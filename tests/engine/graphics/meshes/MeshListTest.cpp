// The mesh list of the built runtime folder: every shipped mesh loads, is found by its exact
// name and has the shape it was written with; a missing list or a broken file is logged and
// passed over; meshes keep drawing across a device reset.
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/meshes/Mesh.h"
#include "graphics/meshes/MeshManager.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

const wchar_t* const kShipped[] = {L"KUGEL",
                                   L"KISTE",
                                   L"BODEN",
                                   L"WIESE",
                                   L"HIMMEL",
                                   L"GIZMO_ACHSE_X",
                                   L"GIZMO_ACHSE_Y",
                                   L"GIZMO_ACHSE_Z",
                                   L"GIZMO_VERSCHIEBEN",
                                   L"GIZMO_SKALIEREN",
                                   L"GIZMO_DREHEN",
                                   L"GIZMO_GESCHWINDIGKEIT",
                                   L"HAUS",
                                   L"BAUMSTUMPF"};

class MeshListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice();
        ASSERT_NE(m_device, nullptr);
    }

    // The shipped list, read in the runtime folder.
    void loadShipped()
    {
        const int logs = logSwitch();
        logSwitch() = 0;
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        EXPECT_TRUE(m_meshes.loadFile(L"data\\Meshes\\meshes.msh", &m_textures));
        logSwitch() = logs;
    }

    // Draws the mesh as the scene does: its own buffers and declaration, one draw per subset
    // through the remap, each subset with its material's diffuse texture (or a flat colour).
    // throughD3DX: every subset through the D3DX mesh instead, in one colour (as light volumes).
    Image draw(const Mesh& mesh, const D3DXVECTOR3& eye, bool throughD3DX = false)
    {
        return drawAll({&mesh}, eye, throughD3DX);
    }
    Image drawAll(std::initializer_list<const Mesh*> meshes, const D3DXVECTOR3& eye, bool throughD3DX = false)
    {
        GraphicsTesting::ScopedTarget target(m_device, 160, 120);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.0f, 0);
        m_device->BeginScene();
        D3DXMATRIX world, view, projection;
        D3DXMatrixIdentity(&world);
        const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 160.0f / 120.0f, 0.1f, 100.0f);
        m_device->SetTransform(D3DTS_WORLD, &world);
        m_device->SetTransform(D3DTS_VIEW, &view);
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
        m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_device->SetRenderState(D3DRS_ZENABLE, TRUE);
        for (const Mesh* each : meshes) {
            const Mesh& mesh = *each;
            if (throughD3DX) {
                m_device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
                m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
                m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
                mesh.drawSubsets();
            }
            m_device->SetVertexDeclaration(mesh.getVertexDeclaration());
            m_device->SetStreamSource(0, mesh.getVertexBuffer(), 0, mesh.getStride());
            m_device->SetIndices(mesh.getIndexBuffer());
            for (int subset = 0; subset < mesh.getSubsetCount() && !throughD3DX; ++subset) {
                const int material = mesh.getSubsetMaterial(subset);
                const int range = mesh.getRemap() ? (*mesh.getRemap())[material] : material;
                if (range < 0)
                    continue;
                const Mesh::Material& m = mesh.getMaterials()[material];
                if (m.diffuse) {
                    m_device->SetTexture(0, m.diffuse->getTexture());
                    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
                    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
                } else {
                    m_device->SetTexture(0, nullptr);
                    m_device->SetRenderState(
                        D3DRS_TEXTUREFACTOR,
                        D3DCOLOR_COLORVALUE(m.colours.Diffuse.r, m.colours.Diffuse.g, m.colours.Diffuse.b, 1.0f));
                    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
                    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
                }
                const D3DXATTRIBUTERANGE& r = mesh.getAttributeRanges()[static_cast<size_t>(range)];
                m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, r.VertexStart, r.VertexCount, r.FaceStart * 3,
                                               r.FaceCount);
            }
        }
        m_device->SetTexture(0, nullptr);
        m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_device->SetRenderState(D3DRS_LIGHTING, TRUE);
        m_device->EndScene();
        return target.read();
    }

    IDirect3DDevice9* m_device = nullptr;
    TextureManager m_textures;
    MeshManager m_meshes;
};

} // namespace

TEST_F(MeshListTest, EveryShippedMeshIsFoundByItsExactName)
{
    loadShipped();
    ASSERT_EQ(m_meshes.getMeshes().size(), std::size(kShipped));
    for (const wchar_t* name : kShipped) {
        Mesh* mesh = m_meshes.getMesh(name);
        ASSERT_NE(mesh, nullptr) << std::string(name, name + wcslen(name));
        ASSERT_NE(mesh->getD3DXMesh(), nullptr);
        EXPECT_EQ(mesh->getD3DXMesh()->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
        EXPECT_EQ(mesh->getStride(), 32u);
        EXPECT_NE(mesh->getVertexBuffer(), nullptr);
        EXPECT_NE(mesh->getIndexBuffer(), nullptr);
        EXPECT_NE(mesh->getVertexDeclaration(), nullptr);
        // Every material has faces, so subsets map to ranges one to one.
        EXPECT_EQ(mesh->getAttributeRanges().size(), mesh->getMaterials().size());
        EXPECT_EQ(mesh->getRemap(), nullptr);
        EXPECT_TRUE(mesh->isFollowingDevice());
    }
    EXPECT_EQ(m_meshes.getMesh(L"kugel"), nullptr) << "names are compared exactly";
    EXPECT_EQ(m_meshes.getMesh(L"KUGEL "), nullptr);

    // The light volume: radius 1 round the origin, one subset. Its bounding sphere is centred
    // on the mean of the vertices, which the texture seam's copies pull a little off the
    // origin, so it is a little larger.
    const Mesh* ball = m_meshes.getMesh(L"KUGEL");
    EXPECT_EQ(ball->getSubsetCount(), 1);
    EXPECT_GT(ball->getSphereRadius(), 1.0f);
    EXPECT_LT(ball->getSphereRadius(), 1.05f);
    EXPECT_NEAR(ball->getBoxMax().y, 1.0f, 1e-6f);
    EXPECT_NEAR(ball->getBoxMin().y, -1.0f, 1e-6f);

    // The box: six sides of four corners, 0.5 from the centre; its sphere reaches the corners.
    const Mesh* box = m_meshes.getMesh(L"KISTE");
    EXPECT_EQ(box->getD3DXMesh()->GetNumVertices(), 24u);
    EXPECT_EQ(box->getD3DXMesh()->GetNumFaces(), 12u);
    EXPECT_FLOAT_EQ(box->getBoxMin().x, -0.5f);
    EXPECT_FLOAT_EQ(box->getBoxMax().z, 0.5f);
    EXPECT_NEAR(box->getSphereRadius(), std::sqrt(0.75f), 1e-5f);
    BOOL hit = FALSE;
    DWORD face = 0;
    float dist = 0.0f;
    const D3DXVECTOR3 origin(0.1f, 0.2f, -2.0f), direction(0.0f, 0.0f, 1.0f);
    D3DXIntersect(box->getD3DXMesh(), &origin, &direction, &hit, &face, nullptr, nullptr, &dist, nullptr, nullptr);
    EXPECT_TRUE(hit);
    EXPECT_FLOAT_EQ(dist, 1.5f);

    // The props: two textured materials each.
    for (const wchar_t* name : {L"HAUS", L"BAUMSTUMPF"}) {
        const Mesh* prop = m_meshes.getMesh(name);
        ASSERT_EQ(prop->getSubsetCount(), 2);
        for (const Mesh::Material& material : prop->getMaterials()) {
            ASSERT_NE(material.diffuse, nullptr);
            EXPECT_EQ(material.diffuse->getWidth(), 64u);
        }
    }
}

TEST_F(MeshListTest, MissingListAndBrokenFilesAreLoggedAndPassedOver)
{
    LogCapture capture;
    MeshManager meshes;
    EXPECT_FALSE(meshes.loadFile(L"data\\Meshes\\meshes.msh", &m_textures));
    EXPECT_TRUE(meshes.getMeshes().empty());
    EXPECT_NE(capture.text("UlvoMeshManager.log").find("mesh list \"data\\Meshes\\meshes.msh\" not loaded"),
              std::string::npos)
        << capture.text("UlvoMeshManager.log");

    TestSupport::writeText(capture.folder() / "kaputt.x", "xof 0303txt 0032\nMesh { 3; 0;0;0;; 1; 3;0,1,3;; }\n");
    TestSupport::writeText(capture.folder() / "gut.x",
                           "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n");
    XMLNode list;
    ASSERT_TRUE(XMLNode::load(&list,
                              L"<MESHES><MESH NAME=\"KAPUTT\"><FILE FILENAME=\"kaputt.x\"/></MESH>"
                              L"<MESH NAME=\"FEHLT\"><FILE FILENAME=\"fehlt.x\"/></MESH>"
                              L"<MESH NAME=\"AUSSEN\"><FILE FILENAME=\"..\\gut.x\"/></MESH>"
                              L"<MESH NAME=\"GUT\"><FILE FILENAME=\"gut.x\"/></MESH>"
                              L"<MESH NAME=\"GUT\"><FILE FILENAME=\"kaputt.x\"/></MESH></MESHES>",
                              1));
    meshes.load(&list, &m_textures);
    ASSERT_EQ(meshes.getMeshes().size(), 1u);
    EXPECT_EQ(meshes.getMeshes()[0]->getName(), L"GUT");
    const std::string log = capture.text("UlvoMesh.log");
    EXPECT_NE(log.find("Mesh KAPUTT: file \"kaputt.x\" is no mesh that can be read"), std::string::npos) << log;
    EXPECT_NE(log.find("Mesh FEHLT"), std::string::npos) << log;
    EXPECT_NE(log.find("Mesh AUSSEN"), std::string::npos) << log;
    EXPECT_NE(capture.text("UlvoMeshManager.log").find("\"GUT\" is listed twice"), std::string::npos);
    EXPECT_EQ(meshes.getMesh(L"FEHLT"), nullptr);
}

TEST_F(MeshListTest, MeshesKeepDrawingAcrossADeviceReset)
{
    loadShipped();
    const Mesh* box = m_meshes.getMesh(L"KISTE");
    const Mesh* house = m_meshes.getMesh(L"HAUS");
    ASSERT_NE(box, nullptr);
    ASSERT_NE(house, nullptr);
    const D3DXVECTOR3 front(0.0f, 0.0f, -3.0f);
    const Image before = draw(*box, front);
    // The box's front side covers the middle in its material's colour; the corners show the clear.
    const D3DCOLORVALUE& wood = box->getMaterials()[0].colours.Diffuse;
    EXPECT_PIXEL(before, 80, 60, D3DCOLOR_COLORVALUE(wood.r, wood.g, wood.b, 1.0f));
    EXPECT_PIXEL(before, 2, 2, 0xFF203040u);
    const Image houseBefore = draw(*house, D3DXVECTOR3(6.0f, 4.0f, -7.0f));
    EXPECT_TRUE(GraphicsTesting::matchesGolden(houseBefore, "mesh_haus", 3));

    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS pp = *d3d->getPresentParams();
    d3d->setPresenterParams(&pp);
    ASSERT_NE(box->getVertexBuffer(), nullptr) << "made again after the reset";
    const Image after = draw(*box, front);
    EXPECT_EQ(after.pixels, before.pixels);
    EXPECT_EQ(draw(*house, D3DXVECTOR3(6.0f, 4.0f, -7.0f)).pixels, houseBefore.pixels);
    const Image volume = draw(*m_meshes.getMesh(L"KUGEL"), front, true);
    EXPECT_PIXEL(volume, 80, 60, 0xFFFFFFFFu);
    EXPECT_PIXEL(volume, 2, 2, 0xFF203040u);
}

TEST_F(MeshListTest, GizmoAxesPointAlongTheirAxesAndTheStumpShowsBarkAndRings)
{
    loadShipped();
    // Seen from the front (looking along +z), x points right and y up; z points away, so its
    // arrow ends in the middle.
    const Image axes = drawAll(
        {m_meshes.getMesh(L"GIZMO_ACHSE_X"), m_meshes.getMesh(L"GIZMO_ACHSE_Y"), m_meshes.getMesh(L"GIZMO_ACHSE_Z")},
        D3DXVECTOR3(0.0f, 0.0f, -3.0f));
    auto colourOf = [&](const wchar_t* name) {
        const D3DCOLORVALUE& c = m_meshes.getMesh(name)->getMaterials()[0].colours.Diffuse;
        return D3DCOLOR_COLORVALUE(c.r, c.g, c.b, 1.0f);
    };
    // One unit at distance 3 under a 45-degree view of 120 pixels: 120 / (2 * 3 * tan 22.5) = 48 pixels.
    EXPECT_PIXEL(axes, 80 + 30, 60, colourOf(L"GIZMO_ACHSE_X"));
    EXPECT_PIXEL(axes, 80, 60 - 30, colourOf(L"GIZMO_ACHSE_Y"));
    EXPECT_PIXEL(axes, 80 - 30, 60, 0xFF203040u);
    EXPECT_PIXEL(axes, 80, 60 + 30, 0xFF203040u);
    EXPECT_TRUE(GraphicsTesting::matchesGolden(axes, "mesh_gizmo_achsen", 3));
    const Image stump = draw(*m_meshes.getMesh(L"BAUMSTUMPF"), D3DXVECTOR3(0.8f, 1.2f, -1.2f));
    EXPECT_TRUE(GraphicsTesting::matchesGolden(stump, "mesh_baumstumpf", 3));
}
