// Frame hierarchies loaded from .x text through an allocator, skin info and software skinning,
// keyframed animation sets on the tracks of a controller, and hostile hierarchy files.
#include "D3D9TestSupport.h"
#include "support/TestSupport.h"

#include <d3dx9.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace D3D9Testing;

namespace {

std::string withHeader(const std::string& body)
{
    return "xof 0303txt 0032\n" + body;
}

// Counts what it makes and gives back, so a test sees every frame and container returned.
class CountingAllocator : public ID3DXAllocateHierarchy {
public:
    HRESULT CreateFrame(LPCSTR Name, LPD3DXFRAME* ppNewFrame) override
    {
        auto* frame = new D3DXFRAME{};
        frame->Name = new char[std::strlen(Name) + 1];
        std::strcpy(frame->Name, Name);
        *ppNewFrame = frame;
        ++frames;
        return D3D_OK;
    }
    HRESULT CreateMeshContainer(LPCSTR Name, const D3DXMESHDATA* pMeshData, const D3DXMATERIAL* pMaterials,
                                const D3DXEFFECTINSTANCE*, DWORD NumMaterials, const DWORD*, LPD3DXSKININFO pSkinInfo,
                                LPD3DXMESHCONTAINER* ppNewMeshContainer) override
    {
        if (failContainers)
            return E_OUTOFMEMORY;
        auto* container = new D3DXMESHCONTAINER{};
        container->Name = new char[std::strlen(Name) + 1];
        std::strcpy(container->Name, Name);
        container->MeshData = *pMeshData;
        pMeshData->pMesh->AddRef();
        container->NumMaterials = NumMaterials;
        firstDiffuseRed = pMaterials[0].MatD3D.Diffuse.r;
        container->pSkinInfo = pSkinInfo;
        if (pSkinInfo)
            pSkinInfo->AddRef();
        *ppNewMeshContainer = container;
        ++containers;
        return D3D_OK;
    }
    HRESULT DestroyFrame(LPD3DXFRAME pFrameToFree) override
    {
        delete[] pFrameToFree->Name;
        delete pFrameToFree;
        --frames;
        return D3D_OK;
    }
    HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER pMeshContainerToFree) override
    {
        delete[] pMeshContainerToFree->Name;
        pMeshContainerToFree->MeshData.pMesh->Release();
        if (pMeshContainerToFree->pSkinInfo)
            pMeshContainerToFree->pSkinInfo->Release();
        delete pMeshContainerToFree;
        --containers;
        return D3D_OK;
    }

    int frames = 0;
    int containers = 0;
    bool failContainers = false;
    float firstDiffuseRed = -1.0f;
};

// A bone chain Wurzel > Arm > Hand holding a quad skinned over Arm (vertices 0, 1) and Hand
// (vertex 2 fully, vertex 3 shared 0.25 / 0.75), vertex 2 with a normal per face; one set "Drehen" of a second, at 4 ticks a
// second: Arm turns from nothing to 90 degrees about y, Hand's scale grows from 1 to 3 and its
// place moves from (2, 0, 0) to (4, 0, 0); a second set "Kippen" with one matrix key.
const char kChainFile[] = R"(xof 0303txt 0032
AnimTicksPerSecond { 4; }
Frame Wurzel {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,5,1;; }
  Mesh Tuch {
    4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
    2; 3;0,1,2;, 3;0,2,3;;
    MeshNormals { 2; 0;0;-1;, 0;0;1;; 2; 3;0,0,0;, 3;0,1,0;; }
    MeshMaterialList { 1; 2; 0, 0;; Material { 0.5;0.25;1;1;; 0; 0;0;0;; 0;0;0;; } }
    XSkinMeshHeader { 2; 4; 2; }
    SkinWeights { "Arm"; 3; 0,1,3; 1.0,1.0,0.25; 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
    SkinWeights { "Hand"; 2; 2,3; 1.0,0.75; 1,0,0,0, 0,1,0,0, 0,0,1,0, -2,0,0,1;; }
  }
  Frame Arm {
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
    Frame Hand { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 2,0,0,1;; } }
  }
  Frame Leer { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,7,0,1;; } }
}
AnimationSet Drehen {
  Animation { { Arm } AnimationKey { 0; 2; 0;4;1,0,0,0;;, 4;4;0.70710678,0,0.70710678,0;;; } }
  Animation {
    { Hand }
    AnimationKey { 1; 2; 0;3;1,1,1;;, 4;3;3,3,3;;; }
    AnimationKey { 2; 2; 0;3;2,0,0;;, 4;3;4,0,0;;; }
  }
}
AnimationSet Kippen {
  Animation { { Arm } AnimationKey { 4; 1; 0;16; 0,1,0,0, -1,0,0,0, 0,0,1,0, 0,0,0,1;;; } }
}
)";

D3DXVECTOR3 moved(const D3DXVECTOR3& p, const D3DXMATRIX& m)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

#define EXPECT_VEC3_NEAR(v, ex, ey, ez)                                                                                \
    do {                                                                                                               \
        const D3DXVECTOR3 got_ = (v);                                                                                  \
        EXPECT_NEAR(got_.x, (ex), 1e-4f);                                                                              \
        EXPECT_NEAR(got_.y, (ey), 1e-4f);                                                                              \
        EXPECT_NEAR(got_.z, (ez), 1e-4f);                                                                              \
    } while (0)

} // namespace

class D3DXAnimationTest : public DeviceFixture {
protected:
    void SetUp() override
    {
        DeviceFixture::SetUp();
        ASSERT_TRUE(createDevice(32, 32));
    }
    void TearDown() override
    {
        if (m_controller)
            m_controller->Release();
        D3DXFrameDestroy(m_root, &m_allocator);
        EXPECT_EQ(m_allocator.frames, 0);
        EXPECT_EQ(m_allocator.containers, 0);
        DeviceFixture::TearDown();
    }

    HRESULT load(const std::string& text)
    {
        return D3DXLoadMeshHierarchyFromXInMemory(text.data(), static_cast<DWORD>(text.size()), D3DXMESH_MANAGED,
                                                  m_device, &m_allocator, nullptr, &m_root, &m_controller);
    }

    const D3DXMATRIX& matrixOf(const char* frame) { return D3DXFrameFind(m_root, frame)->TransformationMatrix; }

    CountingAllocator m_allocator;
    D3DXFRAME* m_root = nullptr;
    ID3DXAnimationController* m_controller = nullptr;
};

TEST_F(D3DXAnimationTest, HierarchyKeepsTheFramesTheirOrderAndASkinOverTheSplitVertices)
{
    ASSERT_EQ(load(kChainFile), D3D_OK);
    ASSERT_NE(m_root, nullptr);
    EXPECT_STREQ(m_root->Name, "Wurzel");
    EXPECT_EQ(m_root->pFrameSibling, nullptr);
    EXPECT_FLOAT_EQ(m_root->TransformationMatrix._43, 5.0f);
    ASSERT_NE(m_root->pFrameFirstChild, nullptr);
    EXPECT_STREQ(m_root->pFrameFirstChild->Name, "Arm");
    EXPECT_STREQ(m_root->pFrameFirstChild->pFrameSibling->Name, "Leer");
    EXPECT_STREQ(m_root->pFrameFirstChild->pFrameFirstChild->Name, "Hand");
    EXPECT_EQ(D3DXFrameFind(m_root, "Hand"), m_root->pFrameFirstChild->pFrameFirstChild);
    EXPECT_EQ(D3DXFrameFind(m_root, "hand"), nullptr);
    EXPECT_EQ(m_allocator.frames, 4);

    // One container on the root, in its own space; vertex 2 took two normals, so it was split.
    const D3DXMESHCONTAINER* container = m_root->pMeshContainer;
    ASSERT_NE(container, nullptr);
    EXPECT_STREQ(container->Name, "Tuch");
    EXPECT_EQ(container->pNextMeshContainer, nullptr);
    EXPECT_FLOAT_EQ(m_allocator.firstDiffuseRed, 0.5f);
    ID3DXMesh* mesh = container->MeshData.pMesh;
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    EXPECT_EQ(mesh->GetNumVertices(), 5u);
    ID3DXSkinInfo* skin = container->pSkinInfo;
    ASSERT_NE(skin, nullptr);
    ASSERT_EQ(skin->GetNumBones(), 2u);
    EXPECT_STREQ(skin->GetBoneName(0), "Arm");
    EXPECT_STREQ(skin->GetBoneName(1), "Hand");
    EXPECT_EQ(skin->GetBoneName(2), nullptr);
    EXPECT_FLOAT_EQ(skin->GetBoneOffsetMatrix(1)->_41, -2.0f);
    EXPECT_EQ(skin->GetFVF(), mesh->GetFVF());
    // The copy of vertex 2 (vertex 4) follows Hand as vertex 2 does.
    ASSERT_EQ(skin->GetNumBoneInfluences(1), 3u);
    DWORD vertices[3];
    float weights[3];
    skin->GetBoneInfluence(1, vertices, weights);
    EXPECT_EQ(std::vector<DWORD>(vertices, vertices + 3), (std::vector<DWORD>{2, 4, 3}));
    EXPECT_EQ(std::vector<float>(weights, weights + 3), (std::vector<float>{1.0f, 1.0f, 0.75f}));
    DWORD most = 0;
    skin->GetMaxVertexInfluences(&most);
    EXPECT_EQ(most, 2u);

    // The controller: every frame an output, both sets in file order, two tracks.
    ASSERT_NE(m_controller, nullptr);
    EXPECT_EQ(m_controller->GetMaxNumAnimationOutputs(), 4u);
    EXPECT_EQ(m_controller->GetMaxNumAnimationSets(), 2u);
    EXPECT_EQ(m_controller->GetMaxNumTracks(), 2u);
    EXPECT_EQ(m_controller->GetNumAnimationSets(), 2u);
    ID3DXAnimationSet* first = nullptr;
    ASSERT_EQ(m_controller->GetTrackAnimationSet(0, &first), D3D_OK);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->GetName(), "Drehen");
    EXPECT_DOUBLE_EQ(first->GetPeriod(), 1.0);
    first->Release();
    ID3DXAnimationSet* empty = reinterpret_cast<ID3DXAnimationSet*>(1);
    EXPECT_EQ(m_controller->GetTrackAnimationSet(1, &empty), D3D_OK);
    EXPECT_EQ(empty, nullptr);
    EXPECT_EQ(m_controller->GetTrackAnimationSet(2, &empty), D3DERR_INVALIDCALL);

    // A failing allocator gives back everything made before it failed.
    CountingAllocator failing;
    failing.failContainers = true;
    D3DXFRAME* root = reinterpret_cast<D3DXFRAME*>(1);
    EXPECT_EQ(D3DXLoadMeshHierarchyFromXInMemory(kChainFile, sizeof(kChainFile) - 1, D3DXMESH_MANAGED, m_device,
                                                 &failing, nullptr, &root, nullptr),
              E_OUTOFMEMORY);
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(failing.frames, 0);
}

TEST_F(D3DXAnimationTest, RotationKeysFollowTheLeftHandedConventionAndKeysInterpolateByValue)
{
    // Key 0 of a set alone: 90 degrees about y (w = cos 45, y = sin 45) turns +x into -z, as
    // D3DXMatrixRotationY does in Direct3D's left-handed frame.
    ASSERT_EQ(load(withHeader("Frame Arm { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; } }\n"
                              "AnimationSet Eins { Animation { { Arm } AnimationKey { 0; 1; "
                              "0;4;0.70710678,0,0.70710678,0;;; } } }")),
              D3D_OK);
    EXPECT_VEC3_NEAR(moved(D3DXVECTOR3(1, 0, 0), matrixOf("Arm")), 0.0f, 0.0f, -1.0f);
    D3DXMATRIX rotationY;
    D3DXMatrixRotationY(&rotationY, D3DX_PI / 2);
    EXPECT_VEC3_NEAR(moved(D3DXVECTOR3(1, 0, 0), rotationY), 0.0f, 0.0f, -1.0f);
    m_controller->Release();
    m_controller = nullptr;
    D3DXFrameDestroy(m_root, &m_allocator);
    m_root = nullptr;

    ASSERT_EQ(load(kChainFile), D3D_OK);
    // Half a second: Arm halfway to 90 degrees, Hand scaled 2 and placed at (3, 0, 0).
    ASSERT_EQ(m_controller->AdvanceTime(0.5, nullptr), D3D_OK);
    const float h = std::sqrt(0.5f);
    EXPECT_VEC3_NEAR(moved(D3DXVECTOR3(1, 0, 0), matrixOf("Arm")), h, 0.0f, -h);
    EXPECT_VEC3_NEAR(moved(D3DXVECTOR3(1, 1, 1), matrixOf("Hand")), 5.0f, 2.0f, 2.0f);
    // Frames no set animates keep their matrices.
    EXPECT_FLOAT_EQ(matrixOf("Leer")._42, 7.0f);
    EXPECT_FLOAT_EQ(matrixOf("Wurzel")._43, 5.0f);

    // The set samples directly too, and before its first key or past its last it holds still.
    ID3DXAnimationSet* set = nullptr;
    ASSERT_EQ(m_controller->GetAnimationSetByName("Drehen", &set), D3D_OK);
    UINT hand = 99;
    ASSERT_EQ(set->GetAnimationIndexByName("Hand", &hand), D3D_OK);
    EXPECT_EQ(hand, 1u);
    D3DXVECTOR3 scale, translation;
    D3DXQUATERNION rotation;
    set->GetSRT(0.25, hand, &scale, &rotation, &translation);
    EXPECT_VEC3_NEAR(scale, 1.5f, 1.5f, 1.5f);
    EXPECT_VEC3_NEAR(translation, 2.5f, 0.0f, 0.0f);
    set->GetSRT(-1.0, hand, &scale, nullptr, nullptr);
    EXPECT_VEC3_NEAR(scale, 1.0f, 1.0f, 1.0f);
    set->GetSRT(7.0, hand, &scale, nullptr, nullptr);
    EXPECT_VEC3_NEAR(scale, 3.0f, 3.0f, 3.0f);
    // Hand has no rotation keys: it keeps the frame's own turn (none).
    set->GetSRT(0.5, hand, nullptr, &rotation, nullptr);
    EXPECT_NEAR(rotation.w, 1.0f, 1e-6f);
    set->Release();

    // A matrix key is read as its parts: Kippen turns Arm 90 degrees about z.
    ID3DXAnimationSet* tilt = nullptr;
    ASSERT_EQ(m_controller->GetAnimationSet(1, &tilt), D3D_OK);
    EXPECT_STREQ(tilt->GetName(), "Kippen");
    EXPECT_EQ(m_controller->SetTrackAnimationSet(0, tilt), D3D_OK);
    tilt->Release();
    m_controller->AdvanceTime(0.0, nullptr);
    EXPECT_VEC3_NEAR(moved(D3DXVECTOR3(1, 0, 0), matrixOf("Arm")), 0.0f, 1.0f, 0.0f);
}

TEST_F(D3DXAnimationTest, TracksLoopOverThePeriodWithTheirSpeedWeightAndEnable)
{
    ASSERT_EQ(load(kChainFile), D3D_OK);
    ID3DXAnimationSet* set = nullptr;
    m_controller->GetTrackAnimationSet(0, &set);
    EXPECT_DOUBLE_EQ(set->GetPeriodicPosition(2.5), 0.5);
    EXPECT_DOUBLE_EQ(set->GetPeriodicPosition(1.0), 0.0);
    EXPECT_DOUBLE_EQ(set->GetPeriodicPosition(-0.25), 0.75);

    // The track's position keeps growing; the pose at 1.25 s is the pose at 0.25 s.
    m_controller->AdvanceTime(1.25, nullptr);
    D3DXTRACK_DESC desc{};
    ASSERT_EQ(m_controller->GetTrackDesc(0, &desc), D3D_OK);
    EXPECT_DOUBLE_EQ(desc.Position, 1.25);
    EXPECT_DOUBLE_EQ(m_controller->GetTime(), 1.25);
    EXPECT_FLOAT_EQ(desc.Weight, 1.0f);
    EXPECT_TRUE(desc.Enable);
    const D3DXVECTOR3 looped = moved(D3DXVECTOR3(1, 0, 0), matrixOf("Arm"));
    const float quarter = static_cast<float>(D3DX_PI / 8);
    EXPECT_VEC3_NEAR(looped, std::cos(quarter), 0.0f, -std::sin(quarter));

    // Speed 2: a quarter second moves the track half a second.
    m_controller->SetTrackSpeed(0, 2.0f);
    m_controller->AdvanceTime(0.25, nullptr);
    m_controller->GetTrackDesc(0, &desc);
    EXPECT_DOUBLE_EQ(desc.Position, 1.75);
    // A disabled track stands still and leaves the frames as they are.
    m_controller->SetTrackEnable(0, FALSE);
    const D3DXMATRIX before = matrixOf("Arm");
    m_controller->AdvanceTime(0.3, nullptr);
    m_controller->GetTrackDesc(0, &desc);
    EXPECT_DOUBLE_EQ(desc.Position, 1.75);
    EXPECT_EQ(std::memcmp(&before, &matrixOf("Arm"), sizeof(D3DXMATRIX)), 0);

    // Two tracks of equal weight on 0 s and 1/2 s of the same set blend to the turn between.
    desc = {D3DXPRIORITY_LOW, 1.0f, 1.0f, 0.0, TRUE};
    m_controller->SetTrackDesc(0, &desc);
    m_controller->SetTrackAnimationSet(1, set);
    desc.Position = 0.5;
    m_controller->SetTrackDesc(1, &desc);
    m_controller->AdvanceTime(0.0, nullptr);
    EXPECT_VEC3_NEAR(moved(D3DXVECTOR3(1, 0, 0), matrixOf("Arm")), std::cos(quarter), 0.0f, -std::sin(quarter));

    // A clone plays on its own, into the same frames; each writes its pose when it advances.
    ID3DXAnimationController* clone = nullptr;
    ASSERT_EQ(m_controller->CloneAnimationController(
                  m_controller->GetMaxNumAnimationOutputs(), m_controller->GetMaxNumAnimationSets(),
                  m_controller->GetMaxNumTracks(), m_controller->GetMaxNumEvents(), &clone),
              D3D_OK);
    clone->SetTrackAnimationSet(1, nullptr);
    clone->SetTrackPosition(0, 0.5);
    clone->AdvanceTime(0.0, nullptr);
    EXPECT_VEC3_NEAR(moved(D3DXVECTOR3(1, 0, 0), matrixOf("Arm")), std::sqrt(0.5f), 0.0f, -std::sqrt(0.5f));
    m_controller->AdvanceTime(0.0, nullptr);
    EXPECT_VEC3_NEAR(moved(D3DXVECTOR3(1, 0, 0), matrixOf("Arm")), std::cos(quarter), 0.0f, -std::sin(quarter));
    ID3DXAnimationController* tooSmall = nullptr;
    EXPECT_EQ(clone->CloneAnimationController(1, 2, 1, 0, &tooSmall), D3DERR_INVALIDCALL);
    EXPECT_EQ(tooSmall, nullptr);
    clone->Release();
    set->Release();
}

TEST_F(D3DXAnimationTest, SoftwareSkinningBlendsTwoBonesByTheirWeights)
{
    // Vertex 0 is moved 0.25 by bone 0 (a move by (4, 0, 0)) and 0.75 by bone 1 (90 degrees
    // about z: (x, y, z) -> (-y, x, z)); vertex 1 by no bone.
    ID3DXSkinInfo* skin = nullptr;
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    ASSERT_EQ(D3DXCreateSkinInfoFVF(2, fvf, 2, &skin), D3D_OK);
    const DWORD vertex0 = 0;
    const float quarter = 0.25f, threeQuarters = 0.75f;
    EXPECT_EQ(skin->SetBoneInfluence(0, 1, &vertex0, &quarter), D3D_OK);
    EXPECT_EQ(skin->SetBoneInfluence(1, 1, &vertex0, &threeQuarters), D3D_OK);
    const DWORD outside = 2;
    const float nan = std::nanf("");
    EXPECT_EQ(skin->SetBoneInfluence(1, 1, &outside, &quarter), D3DERR_INVALIDCALL);
    EXPECT_EQ(skin->SetBoneInfluence(1, 1, &vertex0, &nan), D3DERR_INVALIDCALL);
    EXPECT_EQ(skin->SetBoneInfluence(2, 1, &vertex0, &quarter), D3DERR_INVALIDCALL);
    D3DXMATRIX bones[2];
    D3DXMatrixTranslation(&bones[0], 4.0f, 0.0f, 0.0f);
    D3DXMatrixRotationZ(&bones[1], D3DX_PI / 2);
    struct Vertex {
        D3DXVECTOR3 p, n;
        float u, v;
    };
    const Vertex source[2] = {{{1, 2, 3}, {1, 0, 0}, 0.25f, 0.5f}, {{7, 8, 9}, {0, 1, 0}, 0.75f, 1.0f}};
    Vertex target[2] = {};
    ASSERT_EQ(skin->UpdateSkinnedMesh(bones, nullptr, source, target), D3D_OK);
    // 0.25 (5, 2, 3) + 0.75 (-2, 1, 3) = (-0.25, 1.25, 3).
    EXPECT_VEC3_NEAR(target[0].p, -0.25f, 1.25f, 3.0f);
    // Normals: 0.25 (1, 0, 0) + 0.75 (0, 1, 0), normalised.
    const float length = std::sqrt(0.25f * 0.25f + 0.75f * 0.75f);
    EXPECT_VEC3_NEAR(target[0].n, 0.25f / length, 0.75f / length, 0.0f);
    EXPECT_FLOAT_EQ(target[0].u, 0.25f);
    EXPECT_FLOAT_EQ(target[0].v, 0.5f);
    EXPECT_VEC3_NEAR(target[1].p, 7.0f, 8.0f, 9.0f);
    EXPECT_FLOAT_EQ(target[1].u, 0.75f);
    skin->Release();
    EXPECT_EQ(D3DXCreateSkinInfoFVF(2, D3DFVF_XYZRHW, 1, &skin), D3DERR_INVALIDCALL);
}

TEST_F(D3DXAnimationTest, HostileHierarchiesAreRefusedWithALine)
{
    const std::string quad = "Mesh Q { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; ";
    const std::string identity = "1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;;";
    std::string deep;
    for (int i = 0; i < 10000; ++i)
        deep += "Frame f {\n";
    deep += std::string(10000, '}');
    const struct {
        std::string text;
        const char* says;
    } cases[] = {
        {withHeader("Frame B {} " + quad + "SkinWeights { \"B\"; 1; 3; 1.0; " + identity + " } }"),
         "name vertex 3, past the mesh's 3"},
        {withHeader("Frame B {} " + quad + "SkinWeights { \"B\"; 1; 0; nan; " + identity + " } }"),
         "a number was expected"},
        {withHeader("Frame B {} " + quad + "SkinWeights { \"B\"; 1; 0; 1e999; " + identity + " } }"), "out of range"},
        {withHeader("Frame B {} " + quad + "SkinWeights { \"B\"; 1; 0; -0.5; " + identity + " } }"), "negative weight"},
        {withHeader(quad + "SkinWeights { \"Fehlt\"; 1; 0; 1.0; " + identity + " } }"), "\"Fehlt\", which the file"},
        {withHeader("Frame B {} " + quad + "XSkinMeshHeader { 1; 1; 1; } SkinWeights { \"B\"; 1; 0; 1.0; " + identity +
                    " } SkinWeights { \"B\"; 1; 1; 1.0; " + identity + " } }"),
         "past the 1 bones its skin header declares"},
        {withHeader("AnimationSet S { Animation { {B} AnimationKey { 0; 1000000000; 0;4;1,0,0,0;;; } } }"),
         "animation key count 1000000000"},
        {withHeader(deep), "nested deeper"},
        {withHeader("AnimationSet S { Animation { {B} AnimationKey { 2; 1; 0;4;1,0,0,0;;; } } }"),
         "has 4 values, not 3"},
        {withHeader("AnimationSet S { Animation { {B} AnimationKey { 3; 1; 0;3;1,0,0;;; } } }"), "kind 3 is unknown"},
        {withHeader("AnimationSet S { Animation { {B} AnimationKey { 1; 2; 5;3;1,1,1;;, 4;3;1,1,1;;; } } }"),
         "goes back in time"},
        {withHeader("AnimationSet S { Animation { {B} AnimationKey { 1; 1; 5;3;1,1,1;;; } AnimationKey { 4; 1; "
                    "4;16;" +
                    identity + "; } } }"),
         "goes back in time"},
        {withHeader("AnimationSet S { Animation { {B} AnimationKey { 0; 1; 0;4;0,0,0,0;;; } } }"), "has no length"},
        {withHeader("AnimTicksPerSecond { 0; }"), "0 ticks per second"},
        {withHeader("template Frame { <3d82ab46-62da-11cf-ab39-0020af71e433> }"), "neither a frame nor a mesh"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(load(c.text), E_FAIL) << c.says;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(m_root, nullptr);
        EXPECT_EQ(m_controller, nullptr);
        EXPECT_EQ(m_allocator.frames, 0);
    }
    // Sets nested in an animation are sets of their own; the animation still lands in its set.
    // The sheared frame it moves without turning keeps a clean turn.
    ASSERT_EQ(load(withHeader("Frame B { FrameTransformMatrix { 1,1,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; } }\n"
                              "AnimationSet S { Animation { {B} AnimationSet T {} AnimationSet U {} "
                              "AnimationSet V {} AnimationKey { 2; 1; 0;3;1,2,3;;; } } }")),
              D3D_OK);
    EXPECT_EQ(m_controller->GetNumAnimationSets(), 4u);
    EXPECT_FLOAT_EQ(matrixOf("B")._42, 2.0f);
    ID3DXAnimationSet* set = nullptr;
    ASSERT_EQ(m_controller->GetAnimationSet(0, &set), D3D_OK);
    D3DXQUATERNION turn;
    set->GetSRT(0.0, 0, nullptr, &turn, nullptr);
    EXPECT_NEAR(D3DXQuaternionLength(&turn), 1.0f, 1e-5f);
    set->Release();
}
