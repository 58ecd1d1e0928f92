// ID3DXMesh on the real device: a .x text file read into vertices, faces, subsets and materials;
// adjacency, the attribute sort, cloning, the ray test, subsets drawn one by one; hostile files.
#include "D3D9TestSupport.h"
#include "support/TestSupport.h"

#include <d3dx9.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace D3D9Testing;

namespace {

constexpr DWORD kNone = 0xFFFFFFFF;

// A frame moved 10 along x holding a quad (two triangles, material Blau) and a triangle
// (material Rot, by reference) whose corners 1 and 2 take other normals than in the quad.
const char kQuadFile[] = R"(xof 0303txt 0032
template Vector {
 <3d82ab5e-62da-11cf-ab39-0020af71e433>
 FLOAT x; FLOAT y; FLOAT z;
}
// a comment
Material Rot { 1.0;0.0;0.0;1.0;; 8; 0.5;0.5;0.5;; 0;0;0;; }
Frame Wurzel {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
  Mesh Quad {
    5;
    0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 2.5;0;0;;
    2;
    4;0,3,2,1;,
    3;1,2,4;;
    MeshNormals { 2; 0;0;-1;, 0;0;1;; 2; 4;0,0,0,0;, 3;1,1,1;; }
    MeshTextureCoords { 5; 0;0;, 1;0;, 1;1;, 0;1;, 0.5;0.5;; }
    MeshMaterialList {
      2; 2; 1, 0;;
      { Rot }
      Material Blau { 0;0;1;0.5;; 20.0; 1;1;1;; 0.25;0.25;0.25;; TextureFilename { "data\\Meshes\\blau.png"; } }
    }
  }
}
)";

struct Vertex {
    D3DXVECTOR3 p, n;
    D3DXVECTOR2 t;
};

std::string withHeader(const std::string& body)
{
    return "xof 0303txt 0032\n" + body;
}

// A closed box from -1 to 1: vertex i has x from bit 0, y from bit 1, z from bit 2; each side
// is the quad (a, b, c, d) split into (a, b, c) and (a, c, d), turning clockwise seen from outside.
const DWORD kBoxQuads[6][4] = {
    {0, 2, 3, 1}, // z = -1
    {5, 7, 6, 4}, // z = +1
    {4, 6, 2, 0}, // x = -1
    {1, 3, 7, 5}, // x = +1
    {2, 6, 7, 3}, // y = +1
    {4, 0, 1, 5}, // y = -1
};

} // namespace

class D3DXMeshTest : public DeviceFixture {
protected:
    void TearDown() override
    {
        for (IUnknown* object : m_held)
            object->Release();
        m_held.clear();
        DeviceFixture::TearDown();
    }

    template <class T> T* hold(T* object)
    {
        if (object)
            m_held.push_back(object);
        return object;
    }

    ID3DXMesh* load(const std::string& text, DWORD* materials = nullptr, ID3DXBuffer** materialBuffer = nullptr,
                    ID3DXBuffer** adjacency = nullptr)
    {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* effects = reinterpret_cast<ID3DXBuffer*>(1);
        const HRESULT hr = D3DXLoadMeshFromXInMemory(text.data(), static_cast<DWORD>(text.size()), D3DXMESH_MANAGED,
                                                     m_device, adjacency, materialBuffer, &effects, materials, &mesh);
        EXPECT_EQ(effects, nullptr);
        if (materialBuffer)
            hold(*materialBuffer);
        if (adjacency)
            hold(*adjacency);
        return SUCCEEDED(hr) ? hold(mesh) : nullptr;
    }

    ID3DXMesh* box(DWORD options = D3DXMESH_MANAGED)
    {
        ID3DXMesh* mesh = nullptr;
        EXPECT_EQ(D3DXCreateMeshFVF(12, 8, options, D3DFVF_XYZ, m_device, &mesh), D3D_OK);
        if (!mesh)
            return nullptr;
        D3DXVECTOR3* p = nullptr;
        mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&p));
        for (int i = 0; i < 8; ++i)
            p[i] = D3DXVECTOR3(i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f);
        mesh->UnlockVertexBuffer();
        WORD* index = nullptr;
        mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
        for (const auto& q : kBoxQuads) {
            for (DWORD k : {q[0], q[1], q[2], q[0], q[2], q[3]})
                *index++ = static_cast<WORD>(k);
        }
        mesh->UnlockIndexBuffer();
        return hold(mesh);
    }

    // A sphere of radius 1 round the origin, poles on y: rings x segments quads.
    ID3DXMesh* sphere(int rings, int segments)
    {
        const DWORD vertices = (rings + 1) * (segments + 1);
        const DWORD faces = rings * segments * 2;
        ID3DXMesh* mesh = nullptr;
        EXPECT_EQ(D3DXCreateMeshFVF(faces, vertices, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, m_device, &mesh), D3D_OK);
        if (!mesh)
            return nullptr;
        D3DXVECTOR3* p = nullptr;
        mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&p));
        for (int r = 0; r <= rings; ++r) {
            const float theta = D3DX_PI * r / rings;
            for (int s = 0; s <= segments; ++s) {
                const float phi = 2.0f * D3DX_PI * s / segments;
                *p++ = D3DXVECTOR3(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
            }
        }
        mesh->UnlockVertexBuffer();
        WORD* index = nullptr;
        mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
        for (int r = 0; r < rings; ++r) {
            for (int s = 0; s < segments; ++s) {
                const WORD a = static_cast<WORD>(r * (segments + 1) + s), b = static_cast<WORD>(a + segments + 1);
                for (WORD k : {a, b, WORD(b + 1), a, WORD(b + 1), WORD(a + 1)})
                    *index++ = k;
            }
        }
        mesh->UnlockIndexBuffer();
        return hold(mesh);
    }

    std::vector<IUnknown*> m_held;
};

TEST_F(D3DXMeshTest, TextFileGivesVerticesFacesSubsetsAndMaterials)
{
    ASSERT_TRUE(createDevice(32, 32));
    DWORD materialCount = 0;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXMesh* mesh = load(kQuadFile, &materialCount, &materials, &adjacency);
    ASSERT_NE(mesh, nullptr);

    EXPECT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 32u);
    // Corners 1 and 2 of the triangle take the second normal: two copies after the five.
    ASSERT_EQ(mesh->GetNumVertices(), 7u);
    ASSERT_EQ(mesh->GetNumFaces(), 3u);
    const Vertex* v = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, (void**)&v), D3D_OK);
    const float expected[7][5] = {{10, 0, -1, 0, 0},         {11, 0, -1, 1, 0}, {11, 1, -1, 1, 1}, {10, 1, -1, 0, 1},
                                  {12.5f, 0, 1, 0.5f, 0.5f}, {11, 0, 1, 1, 0},  {11, 1, 1, 1, 1}};
    for (int i = 0; i < 7; ++i) {
        EXPECT_FLOAT_EQ(v[i].p.x, expected[i][0]) << i;
        EXPECT_FLOAT_EQ(v[i].p.y, expected[i][1]) << i;
        EXPECT_FLOAT_EQ(v[i].p.z, 0.0f) << i;
        EXPECT_FLOAT_EQ(v[i].n.z, expected[i][2]) << i;
        EXPECT_FLOAT_EQ(v[i].t.x, expected[i][3]) << i;
        EXPECT_FLOAT_EQ(v[i].t.y, expected[i][4]) << i;
    }
    mesh->UnlockVertexBuffer();

    // Sorted by material: the triangle (material 0) first, then the quad's fan.
    const WORD* index = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, (void**)&index), D3D_OK);
    EXPECT_EQ(std::vector<WORD>(index, index + 9), (std::vector<WORD>{5, 6, 4, 0, 3, 2, 0, 2, 1}));
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
    EXPECT_EQ(std::vector<DWORD>(attributes, attributes + 3), (std::vector<DWORD>{0, 1, 1}));
    mesh->UnlockAttributeBuffer();
    DWORD ranges = 0;
    mesh->GetAttributeTable(nullptr, &ranges);
    ASSERT_EQ(ranges, 2u);
    D3DXATTRIBUTERANGE table[2];
    mesh->GetAttributeTable(table, &ranges);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceStart, 0u);
    EXPECT_EQ(table[0].FaceCount, 1u);
    EXPECT_EQ(table[0].VertexStart, 4u);
    EXPECT_EQ(table[0].VertexCount, 3u);
    EXPECT_EQ(table[1].AttribId, 1u);
    EXPECT_EQ(table[1].FaceStart, 1u);
    EXPECT_EQ(table[1].FaceCount, 2u);
    EXPECT_EQ(table[1].VertexStart, 0u);
    EXPECT_EQ(table[1].VertexCount, 4u);

    // The triangle shares the edge 1-2 with the quad's second triangle (by position), which
    // shares the diagonal 0-2 with the first.
    ASSERT_EQ(adjacency->GetBufferSize(), 9u * sizeof(DWORD));
    const DWORD* adj = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    EXPECT_EQ(std::vector<DWORD>(adj, adj + 9), (std::vector<DWORD>{2, kNone, kNone, kNone, kNone, 2, 1, 0, kNone}));

    ASSERT_EQ(materialCount, 2u);
    const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.b, 0.0f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Power, 8.0f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Specular.g, 0.5f);
    EXPECT_EQ(m[0].pTextureFilename, nullptr);
    EXPECT_FLOAT_EQ(m[1].MatD3D.Diffuse.b, 1.0f);
    EXPECT_FLOAT_EQ(m[1].MatD3D.Diffuse.a, 0.5f);
    EXPECT_FLOAT_EQ(m[1].MatD3D.Power, 20.0f);
    EXPECT_FLOAT_EQ(m[1].MatD3D.Emissive.r, 0.25f);
    ASSERT_NE(m[1].pTextureFilename, nullptr);
    EXPECT_STREQ(m[1].pTextureFilename, "data\\Meshes\\blau.png");
}

TEST_F(D3DXMeshTest, FileIsFoundByItsWindowsPath)
{
    ASSERT_TRUE(createDevice(32, 32));
    TestSupport::TempDir dir;
    TestSupport::writeText(dir / "Meshes/quad.x", kQuadFile);
    TestSupport::ScopedCwd cwd(dir.path());
    ID3DXMesh* mesh = nullptr;
    DWORD materials = 0;
    ASSERT_EQ(D3DXLoadMeshFromX(L"meshes\\QUAD.x", D3DXMESH_SYSTEMMEM, m_device, nullptr, nullptr, nullptr, &materials,
                                &mesh),
              D3D_OK);
    hold(mesh);
    EXPECT_EQ(mesh->GetNumFaces(), 3u);
    EXPECT_EQ(materials, 2u);
    ID3DXMesh* missing = nullptr;
    EXPECT_NE(D3DXLoadMeshFromX(L"meshes\\fehlt.x", 0, m_device, nullptr, nullptr, nullptr, nullptr, &missing), D3D_OK);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(D3DXMeshTest, FileWithoutNormalsTexturesOrMaterialsGetsPositionsAndOneWhiteMaterial)
{
    ASSERT_TRUE(createDevice(32, 32));
    DWORD materialCount = 0;
    ID3DXBuffer* materials = nullptr;
    ID3DXMesh* mesh =
        load(withHeader("Mesh { 3; 0.;0.;0.;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"), &materialCount, &materials);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ));
    EXPECT_EQ(materialCount, 1u);
    const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.g, 1.0f);
}

TEST_F(D3DXMeshTest, HostileFilesAreRefusedWithALineAndNothingOfTheDeclaredSize)
{
    ASSERT_TRUE(createDevice(32, 32));
    std::string longName(100000, 'a');
    std::string deep;
    for (int i = 0; i < 100; ++i)
        deep += "Frame f {\n";
    deep += "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }";
    deep += std::string(100, '}');
    // Materials given by reference cost the file a few bytes each: they count over the file.
    std::string references =
        "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" + std::string(1000, 't') + "\"; } }\n";
    for (int mesh = 0; mesh < 2; ++mesh) {
        references += "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 3000; 1; 0;;";
        for (int i = 0; i < 3000; ++i)
            references += "{M}";
        references += "} }\n";
    }
    const struct {
        std::string text;
        const char* says;
    } cases[] = {
        {withHeader(references), "more than 4096 materials"},
        {withHeader("Frame " + longName + " { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } }"), "name is longer"},
        {withHeader("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"), "vertex index 3 is not below"},
        {withHeader("Mesh { 1000000000; 0;0;0;; 1; 3;0,0,0;; }"), "vertex count 1000000000"},
        {withHeader("Mesh { 3000; 0;0;0;; 1; 3;0,0,0;; }"), "more than the file holds"},
        {withHeader(deep), "nested deeper"},
        {withHeader("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }"),
         "normal index 1"},
        {withHeader("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 1;; Material { "
                    "1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"),
         "material index 1"},
        {withHeader("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"), "ends inside"},
        {"xof 0303bin 0032xxxxxxxx", "text flavour"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(load(c.text), nullptr) << c.says;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

TEST_F(D3DXMeshTest, ClosedBoxHasThreeNeighboursPerFaceAcrossSharedEdges)
{
    ASSERT_TRUE(createDevice(32, 32));
    ID3DXMesh* mesh = box();
    ASSERT_NE(mesh, nullptr);
    std::vector<DWORD> adjacency(36);
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
    // Worked out by hand from the quads: the diagonal joins each side's two triangles; the
    // front's (0 2 3)(0 3 1) meet the left side across 0-2, the top across 2-3, the right
    // across 3-1 and the bottom across 1-0; and so on round the box.
    EXPECT_EQ(adjacency, (std::vector<DWORD>{5, 9, 1, 0, 6, 10, 7, 8, 3, 2, 4, 11, 3, 8, 5,  4,  0, 10,
                                             1, 9, 7, 6, 2, 11, 4, 2, 9, 8, 6, 0,  5, 1, 11, 10, 7, 3}));
    const WORD* index = nullptr;
    mesh->LockIndexBuffer(D3DLOCK_READONLY, (void**)&index);
    for (DWORD f = 0; f < 12; ++f) {
        for (DWORD e = 0; e < 3; ++e) {
            const DWORD g = adjacency[f * 3 + e];
            ASSERT_LT(g, 12u) << f;
            ASSERT_NE(g, f);
            // g names f back across the same two corners, the other way round.
            const WORD a = index[f * 3 + e], b = index[f * 3 + (e + 1) % 3];
            int found = 0;
            for (DWORD k = 0; k < 3; ++k) {
                if (adjacency[g * 3 + k] == f && index[g * 3 + k] == b && index[g * 3 + (k + 1) % 3] == a)
                    ++found;
            }
            EXPECT_EQ(found, 1) << f << " " << e;
        }
    }
    mesh->UnlockIndexBuffer();
}

TEST_F(D3DXMeshTest, AdjacencyJoinsCopiedCornersWithinEpsilonOnly)
{
    ASSERT_TRUE(createDevice(32, 32));
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 6, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, m_device, &mesh), D3D_OK);
    hold(mesh);
    D3DXVECTOR3* p = nullptr;
    mesh->LockVertexBuffer(0, (void**)&p);
    p[0] = {0, 0, 0};
    p[1] = {0, 1, 0};
    p[2] = {1, 0, 0};
    p[3] = {1.001f, 0, 0};
    p[4] = {0, 1.001f, 0};
    p[5] = {1, 1, 0};
    mesh->UnlockVertexBuffer();
    WORD* index = nullptr;
    mesh->LockIndexBuffer(0, (void**)&index);
    const WORD faces[6] = {0, 1, 2, 3, 4, 5};
    std::copy(faces, faces + 6, index);
    mesh->UnlockIndexBuffer();
    std::vector<DWORD> adjacency(6);
    mesh->GenerateAdjacency(0.0f, adjacency.data());
    EXPECT_EQ(adjacency, std::vector<DWORD>(6, kNone));
    mesh->GenerateAdjacency(0.01f, adjacency.data());
    EXPECT_EQ(adjacency, (std::vector<DWORD>{kNone, 1, kNone, 0, kNone, kNone}));

    // Many copies of one point (a fresh mesh's vertices are all at the origin) group in one
    // sort, not by comparing every pair.
    ID3DXMesh* crowd = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 300000, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, m_device, &crowd), D3D_OK);
    hold(crowd);
    DWORD* corners = nullptr;
    crowd->LockIndexBuffer(0, (void**)&corners);
    corners[1] = 1;
    corners[2] = 299999;
    crowd->UnlockIndexBuffer();
    std::vector<DWORD> none(3);
    ASSERT_EQ(crowd->GenerateAdjacency(0.01f, none.data()), D3D_OK);
    EXPECT_EQ(none, std::vector<DWORD>(3, kNone));
}

TEST_F(D3DXMeshTest, AttributeSortRenumbersAdjacencyAndReportsTheFaceOrder)
{
    ASSERT_TRUE(createDevice(32, 32));
    ID3DXMesh* mesh = box(D3DXMESH_SYSTEMMEM);
    ASSERT_NE(mesh, nullptr);
    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    for (DWORD f = 0; f < 12; ++f)
        attributes[f] = f < 6 ? 1 : 0; // the last three sides first after sorting
    mesh->UnlockAttributeBuffer();
    std::vector<DWORD> before(36), after(36), remap(12);
    mesh->GenerateAdjacency(0.0f, before.data());
    ID3DXBuffer* vertexRemap = nullptr;
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_COMPACT, before.data(), after.data(),
                                    remap.data(), &vertexRemap),
              D3D_OK);
    hold(vertexRemap);
    EXPECT_EQ(remap, (std::vector<DWORD>{6, 7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(vertexRemap->GetBufferSize(), 8u * sizeof(DWORD));
    EXPECT_EQ(static_cast<DWORD*>(vertexRemap->GetBufferPointer())[7], 7u);
    std::vector<DWORD> regenerated(36);
    mesh->GenerateAdjacency(0.0f, regenerated.data());
    EXPECT_EQ(after, regenerated);
    DWORD ranges = 0;
    mesh->GetAttributeTable(nullptr, &ranges);
    ASSERT_EQ(ranges, 2u);
    D3DXATTRIBUTERANGE table[2];
    mesh->GetAttributeTable(table, &ranges);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceCount, 6u);
    EXPECT_EQ(table[1].FaceStart, 6u);
    EXPECT_EQ(table[1].VertexStart, 0u);
    EXPECT_EQ(table[1].VertexCount, 8u);

    // A clone to another format keeps positions, faces and the table; new elements are zero.
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL, m_device, &clone), D3D_OK);
    hold(clone);
    EXPECT_EQ(clone->GetNumBytesPerVertex(), 24u);
    const float* cv = nullptr;
    clone->LockVertexBuffer(D3DLOCK_READONLY, (void**)&cv);
    EXPECT_EQ(std::vector<float>(cv + 42, cv + 48), (std::vector<float>{1, 1, 1, 0, 0, 0}));
    clone->UnlockVertexBuffer();
    clone->GetAttributeTable(nullptr, &ranges);
    EXPECT_EQ(ranges, 2u);
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(clone->GetDeclaration(declaration), D3D_OK);
    EXPECT_EQ(declaration[1].Usage, D3DDECLUSAGE_NORMAL);
    EXPECT_EQ(declaration[2].Stream, 0xFF);

    const D3DXATTRIBUTERANGE outside{0, 10, 3, 0, 8};
    EXPECT_EQ(mesh->SetAttributeTable(&outside, 1), D3DERR_INVALIDCALL);
}

TEST_F(D3DXMeshTest, RayTestFindsNearestFaceDistanceAndEveryHitOnBoxAndSphere)
{
    ASSERT_TRUE(createDevice(32, 32));
    ID3DXMesh* mesh = box();
    ASSERT_NE(mesh, nullptr);
    BOOL hit = FALSE;
    DWORD face = 99, count = 99;
    float u = -1, v = -1, dist = -1;
    ID3DXBuffer* all = nullptr;
    // Through the front side at (0.25, 0.5): triangle (0 2 3) holds it, the back side's
    // (5 7 6) is the second hit; the direction is two units long, so distances halve.
    const D3DXVECTOR3 origin(0.25f, 0.5f, -5.0f), direction(0.0f, 0.0f, 2.0f);
    ASSERT_EQ(D3DXIntersect(mesh, &origin, &direction, &hit, &face, &u, &v, &dist, &all, &count), D3D_OK);
    hold(all);
    EXPECT_TRUE(hit);
    EXPECT_EQ(face, 0u);
    EXPECT_FLOAT_EQ(dist, 2.0f);
    // p0 + u (p1 - p0) + v (p2 - p0) with p0 (-1,-1), p1 (-1,1), p2 (1,1): v = 0.625, u = 0.125.
    EXPECT_FLOAT_EQ(u, 0.125f);
    EXPECT_FLOAT_EQ(v, 0.625f);
    ASSERT_EQ(count, 2u);
    ASSERT_NE(all, nullptr);
    const auto* hits = static_cast<const D3DXINTERSECTINFO*>(all->GetBufferPointer());
    EXPECT_EQ(hits[0].FaceIndex, 0u);
    EXPECT_EQ(hits[1].FaceIndex, 2u);
    EXPECT_FLOAT_EQ(hits[1].Dist, 3.0f);

    // From inside only the back side counts; beside the box nothing.
    const D3DXVECTOR3 inside(0.25f, 0.5f, 0.0f), beside(3.0f, 0.0f, -5.0f);
    D3DXIntersect(mesh, &inside, &direction, &hit, &face, nullptr, nullptr, &dist, nullptr, &count);
    EXPECT_TRUE(hit);
    EXPECT_EQ(face, 2u);
    EXPECT_FLOAT_EQ(dist, 0.5f);
    EXPECT_EQ(count, 1u);
    all = nullptr;
    D3DXIntersect(mesh, &beside, &direction, &hit, &face, nullptr, nullptr, &dist, &all, &count);
    EXPECT_FALSE(hit);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(all, nullptr);

    // A sphere of 32 x 64 facets, the ray off the seams between them: 5 - sqrt(1 - 0.5^2)
    // within the facets' flattening.
    ID3DXMesh* ball = sphere(32, 64);
    ASSERT_NE(ball, nullptr);
    const D3DXVECTOR3 high(0.01f, 0.5f, -5.0f), unit(0.0f, 0.0f, 1.0f), over(0.0f, 1.01f, -5.0f);
    D3DXIntersect(ball, &high, &unit, &hit, &face, nullptr, nullptr, &dist, nullptr, &count);
    EXPECT_TRUE(hit);
    EXPECT_NEAR(dist, 5.0f - std::sqrt(0.75f), 0.01f);
    EXPECT_EQ(count, 2u);
    // Ring 10 of 32 (theta from 56.25 to 61.875 degrees) holds y = 0.5 at the front.
    EXPECT_EQ(face / 128, 10u);
    D3DXIntersect(ball, &over, &unit, &hit, &face, nullptr, nullptr, &dist, nullptr, &count);
    EXPECT_FALSE(hit);
}

TEST_F(D3DXMeshTest, EachSubsetDrawsOnlyItsFacesWithOrWithoutTable)
{
    ASSERT_TRUE(createDevice(96, 32));
    struct ScreenPoint {
        float x, y, z, rhw;
    };
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(6, 12, D3DXMESH_MANAGED, D3DFVF_XYZRHW, m_device, &mesh), D3D_OK);
    hold(mesh);
    ScreenPoint* p = nullptr;
    mesh->LockVertexBuffer(0, (void**)&p);
    // Three squares 24 pixels wide at x = 4, 36, 68, covering pixels 4..27 (and so on).
    for (int q = 0; q < 3; ++q) {
        const float x0 = 4.0f + 32.0f * q - 0.5f, x1 = x0 + 24.0f, y0 = 4.0f - 0.5f, y1 = y0 + 24.0f;
        p[q * 4 + 0] = {x0, y0, 0.5f, 1.0f};
        p[q * 4 + 1] = {x1, y0, 0.5f, 1.0f};
        p[q * 4 + 2] = {x1, y1, 0.5f, 1.0f};
        p[q * 4 + 3] = {x0, y1, 0.5f, 1.0f};
    }
    mesh->UnlockVertexBuffer();
    WORD* index = nullptr;
    mesh->LockIndexBuffer(0, (void**)&index);
    for (WORD q = 0; q < 3; ++q) {
        for (WORD k : {0, 1, 2, 0, 2, 3})
            *index++ = static_cast<WORD>(q * 4 + k);
    }
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    const DWORD ids[6] = {2, 2, 0, 0, 1, 1}; // left square subset 2, middle 0, right 1
    std::copy(ids, ids + 6, attributes);
    mesh->UnlockAttributeBuffer();

    const D3DCOLOR colours[3] = {0xFFE04030, 0xFF30C050, 0xFF3060E0};
    auto draw = [&]() {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF101010, 1.0f, 0);
        m_device->BeginScene();
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        m_device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
        for (DWORD subset = 0; subset < 3; ++subset) {
            m_device->SetRenderState(D3DRS_TEXTUREFACTOR, colours[subset]);
            EXPECT_EQ(mesh->DrawSubset(subset), D3D_OK);
        }
        EXPECT_EQ(mesh->DrawSubset(7), D3D_OK); // no faces: draws nothing
        m_device->EndScene();
        return readBackBuffer();
    };
    const Image unsorted = draw();
    std::vector<DWORD> adjacency(18);
    mesh->GenerateAdjacency(0.0f, adjacency.data());
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adjacency.data(), nullptr, nullptr, nullptr), D3D_OK);
    const Image sorted = draw();

    for (const Image* image : {&unsorted, &sorted}) {
        EXPECT_EQ(hex(image->at(4, 4)), hex(colours[2]));
        EXPECT_EQ(hex(image->at(27, 27)), hex(colours[2]));
        EXPECT_EQ(hex(image->at(28, 16)), hex(0xFF101010));
        EXPECT_EQ(hex(image->at(36, 16)), hex(colours[0]));
        EXPECT_EQ(hex(image->at(80, 16)), hex(colours[1]));
        EXPECT_EQ(hex(image->at(48, 2)), hex(0xFF101010));
    }
    EXPECT_TRUE(matchesGolden(sorted, "d3dx_mesh_subsets"));
    EXPECT_EQ(unsorted.pixels, sorted.pixels);
}
