// The scene-object kinds without pictures: the factory's table of TYPE words, every kind's
// description saved and read back the same (TYPE included), the mesh object's description and
// bounds, the water planes, the sky's cloud values from the sun, the animated mesh's clock and
// loop signal, the gizmo's parts, and hostile descriptions logged rather than crashing.
#include "engine/scene/SceneObjectsSupport.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/meshes/AnimatedMesh.h"
#include "graphics/meshes/Mesh.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/objects/animesh/AnimatedMeshObjekt.h"
#include "scene/objects/coords/CoordsObjekt.h"
#include "scene/objects/mesh/MeshObjekt.h"
#include "scene/objects/sun/SunObjekt.h"
#include "scene/objects/water/WaterObjekt.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace Ulvo;
using SceneTesting::build;
using SceneTesting::savedText;
using SceneTesting::ScopedFrameTime;

namespace {

struct Releaser {
    void operator()(NamedObject* object) const
    {
        if (object)
            object->Release();
    }
};
template <class Kind> using Held = std::unique_ptr<Kind, Releaser>;

std::wstring object(const std::wstring& name, const std::wstring& type, const std::wstring& body)
{
    return L"<OBJEKT NAME=\"" + name + L"\"" + (type.empty() ? L"" : L" TYPE=\"" + type + L"\"") + L">" + body +
           L"</OBJEKT>";
}

class SceneObjectKindsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SceneTesting::loadSceneData(m_logs.folder())); }

    template <class Kind = BaseObjekt> Held<Kind> make(const std::wstring& text)
    {
        return Held<Kind>(build<Kind>(m_manager, text));
    }

    LogCapture m_logs;
    ObjektManager m_manager;
};

} // namespace

TEST_F(SceneObjectKindsTest, TheFactoryBuildsEachTypeWordsKindAndAnyOtherWordAMesh)
{
    EXPECT_EQ(m_manager.getKinds().types(), (std::vector<std::wstring>{L"MESH", L"IMESH", L"ANI_MESH", L"WATER", L"ICE",
                                                                       L"REFLECTION", L"SUN", L"COORDS"}));
    const std::wstring mesh = L"<MESH_DATA NAME=\"KISTE\"/>";
    EXPECT_TRUE(make<MeshObjekt>(object(L"a", L"IMESH", mesh)));
    EXPECT_TRUE(make<AnimatedMeshObjekt>(object(L"b", L"ANI_MESH", L"<ANIMESH_DATA NAME=\"WINDMUEHLE\"/>")));
    EXPECT_TRUE(make<IceObjekt>(object(L"c", L"ICE", mesh)));
    EXPECT_TRUE(make<ReflektionObjekt>(object(L"d", L"REFLECTION", mesh)));
    EXPECT_TRUE(make<SunObjekt>(object(L"e", L"SUN", mesh)));
    EXPECT_TRUE(make<CoordsObjekt>(object(L"f", L"COORDS", L"")));
    auto water = make(object(L"g", L"WATER", mesh));
    EXPECT_TRUE(dynamic_cast<WaterObjekt*>(water.get()));
    EXPECT_FALSE(dynamic_cast<IceObjekt*>(water.get()));
    // Words are compared exactly: a lower-case word and no word at all give plain meshes.
    for (const std::wstring& type : {std::wstring(L"water"), std::wstring()}) {
        auto plain = make(object(L"h", type, mesh));
        ASSERT_TRUE(plain);
        EXPECT_EQ(typeid(*plain), typeid(MeshObjekt)) << std::string(type.begin(), type.end());
    }
}

TEST_F(SceneObjectKindsTest, EveryKindIsSavedAndReadBackTheSameUnderItsOwnType)
{
    const std::wstring base = L"<BASE_DATA EFFECT=\"Material\" ALPHA=\"0.75\"><POSITION X=\"1\" Y=\"2\" Z=\"3\"/>"
                              L"<ROTATION YAW=\"30\"/></BASE_DATA><TEXTURES USE_STANDARD_ENV=\"1\"/>";
    const std::wstring mesh = L"<MESH_DATA NAME=\"HAUS\" SPECULAR_AMOUNT=\"0.5\" SHADOW_RECEIVE=\"0.25\""
                              L" PARALLAX_AMOUNT=\"0.04 -0.02\" PARALLAX_SAMPLES=\"8 40\" EMISSIVE_AMOUNT=\"2\"/>";
    const std::wstring water = L"<WATER_DATA WATER_COLOR=\"00336699\" FRESNEL_FAKTOR=\"1.5\" WAVE_HEIGHT=\"0.5 2\""
                               L" WATER_SPEED=\"0.1 0.2\" FOG_COLOR_FLOAT=\"0.1 0.2 0.3\" MAX_REFRACT_DEPTH=\"7\"/>";
    const struct {
        const wchar_t* type;
        std::wstring body;
    } kinds[] = {
        {L"MESH", base + mesh},
        {L"WATER", base + mesh + water},
        {L"REFLECTION", base + mesh + water},
        {L"ICE", base + mesh + water + L"<ICE_DATA LERPS=\"0.5 0.6\" MAX_REFRACT_DEPTH=\"3\"/>"},
        {L"SUN", base + mesh +
                     L"<SUN_DATA IS_CLOUD=\"0\" CLOUD_SPEED=\"0.5\" CLOUD_TEXTURE=\"SKY_CLOUDS\""
                     L" CLOUD_COLOR=\"80FF8040\" CLOUD_DENSITY_OFFSET=\"2 -0.5\" SUN_STRENGTH=\"60\"/>"},
        {L"ANI_MESH", base + L"<ANIMESH_DATA NAME=\"WINDMUEHLE\" SPECULAR_POWER=\"12\" SHADOW_RECEIVE=\"0.5\"/>"},
        {L"COORDS", base + L"<COORDS_DATA><LOKAL_X TYPE=\"MESH\" NAME=\"x\"><MESH_DATA NAME=\"GIZMO_ACHSE_X\"/>"
                           L"</LOKAL_X><MOVE TYPE=\"MESH\" NAME=\"m\"><MESH_DATA NAME=\"GIZMO_VERSCHIEBEN\"/></MOVE>"
                           L"</COORDS_DATA>"},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(std::wstring(kind.type));
        auto original = make(object(L"Probe", kind.type, kind.body));
        ASSERT_TRUE(original);
        XMLNode saved(L"OBJEKT");
        ASSERT_TRUE(original->save(&saved));
        EXPECT_EQ(saved.getAttributeValue(L"TYPE"), kind.type);
        Held<BaseObjekt> reread(createObjektByType(&saved, &m_manager));
        ASSERT_TRUE(reread);
        EXPECT_EQ(typeid(*reread), typeid(*original));
        EXPECT_EQ(savedText(*reread), saved.toText());
    }
    // Older files with the water written as a plain mesh still load, as a mesh.
    auto old = make(object(L"Alt", L"MESH", base + mesh));
    EXPECT_EQ(typeid(*old), typeid(MeshObjekt));
    EXPECT_EQ(m_logs.text().find("has no"), std::string::npos) << m_logs.text();
}

TEST_F(SceneObjectKindsTest, MeshDescriptionKeepsItsValuesAndItsBoundsFollowTheTransform)
{
    auto mesh = make<MeshObjekt>(object(L"Kiste", L"MESH",
                                        L"<BASE_DATA><POSITION X=\"10\"/><SCALE X=\"2\" Y=\"2\" Z=\"2\"/>"
                                        L"<ROTATION YAW=\"90\"/></BASE_DATA>"
                                        L"<MESH_DATA NAME=\"KISTE\" PARALLAX_AMOUNT=\"0.5\" SHADOW_RECEIVE=\"0.25\""
                                        L" SWITCH_EMISSIVE_OFF=\"1\" EMISSIVE_AMOUNT=\"2\"/>"));
    ASSERT_TRUE(mesh);
    ASSERT_NE(mesh->getMesh(), nullptr);
    // One list item sets only the scale of the parallax offset.
    EXPECT_FLOAT_EQ(mesh->getParallax()[0], 0.5f);
    EXPECT_FLOAT_EQ(mesh->getParallax()[1], 0.0f);
    EXPECT_FLOAT_EQ(mesh->getShadow(), 0.75f);
    mesh->switchLightsOff();
    EXPECT_FLOAT_EQ(mesh->getEmissive(), 0.0f);
    mesh->switchLightsOn();
    EXPECT_FLOAT_EQ(mesh->getEmissive(), 2.0f);

    // The sphere's centre turns and scales with the object; its radius grows with the scale.
    mesh->computeBoundingSphere();
    const Mesh& box = *mesh->getMesh();
    D3DXVECTOR3 centre;
    D3DXVec3TransformCoord(&centre, &box.getSphereCenter(), &mesh->getWorldMatrix());
    EXPECT_NEAR(mesh->getBoundingSphere().getCentre().x, centre.x, 1e-4f);
    EXPECT_NEAR(mesh->getBoundingSphere().getCentre().z, centre.z, 1e-4f);
    EXPECT_NEAR(mesh->getBoundingSphere().getRadius(), box.getSphereRadius() * 2.0f, 1e-4f);
    const AABB& world = mesh->getBoundingBox();
    EXPECT_NEAR(world.getMin().x, 9.0f, 1e-4f);
    EXPECT_NEAR(world.getMax().x, 11.0f, 1e-4f);

    // The pick ray: a hit on the box's face in front of it, none beside it.
    float distance = 0.0f;
    EXPECT_TRUE(mesh->getIntersectionDist(D3DXVECTOR3(10, 0, -10), D3DXVECTOR3(0, 0, 1), distance));
    EXPECT_NEAR(distance, 9.0f, 1e-3f);
    EXPECT_FALSE(mesh->getIntersectionDist(D3DXVECTOR3(13, 0, -10), D3DXVECTOR3(0, 0, 1), distance));
    // The sky dome round the eye is never hit, so the editor picks what lies under it.
    auto sky = make<SunObjekt>(object(L"Himmel", L"SUN", L"<MESH_DATA NAME=\"HIMMEL\"/><SUN_DATA IS_SUN=\"1\"/>"));
    auto dome = make<MeshObjekt>(object(L"Kuppel", L"MESH", L"<MESH_DATA NAME=\"HIMMEL\"/>"));
    ASSERT_TRUE(sky && dome);
    const D3DXVECTOR3 eye(0, 1, 0);
    const D3DXVECTOR3 up(0, 0.6f, 0.8f);
    EXPECT_TRUE(dome->getIntersectionDist(eye, up, distance)) << "the ray meets the dome's mesh";
    EXPECT_FALSE(sky->getIntersectionDist(eye, up, distance));
}

TEST_F(SceneObjectKindsTest, HostileDescriptionsAreLoggedAndLeaveSoundObjects)
{
    // A missing mesh: logged, no drawing, no hits.
    auto lost = make<MeshObjekt>(object(L"Geist", L"MESH", L"<MESH_DATA NAME=\"NIRGENDS\"/>"));
    ASSERT_TRUE(lost);
    EXPECT_NE(m_logs.text().find("MeshObjekt Geist has no Mesh!"), std::string::npos);
    float distance = 0.0f;
    EXPECT_FALSE(lost->getIntersectionDist(D3DXVECTOR3(0, 0, -5), D3DXVECTOR3(0, 0, 1), distance));
    auto noFigure = make<AnimatedMeshObjekt>(object(L"Puppe", L"ANI_MESH", L"<ANIMESH_DATA NAME=\"NIRGENDS\"/>"));
    ASSERT_TRUE(noFigure);
    EXPECT_EQ(noFigure->getAnimationController(), nullptr);
    noFigure->update(nullptr, 0);

    // A transform that is not a number: logged, placed at the origin with finite bounds.
    auto wild = make<MeshObjekt>(object(L"Wild", L"MESH",
                                        L"<BASE_DATA><POSITION X=\"nan\" Y=\"1\"/><SCALE X=\"inf\" Y=\"1\" Z=\"1\"/>"
                                        L"</BASE_DATA><MESH_DATA NAME=\"KISTE\"/>"));
    ASSERT_TRUE(wild);
    EXPECT_NE(m_logs.text().find("\"Wild\" has a transform that is not a number"), std::string::npos);
    EXPECT_EQ(wild->getBasePosition(), D3DXVECTOR3(0, 0, 0));
    EXPECT_TRUE(std::isfinite(wild->getBoundingBox().getMax().x));

    // A water surface squashed flat has no normal: logged, mirrored at the level through it.
    auto flat = make<WaterObjekt>(object(L"Pfuetze", L"WATER",
                                         L"<BASE_DATA><POSITION Y=\"3\"/><SCALE X=\"0\" Y=\"1\" Z=\"1\"/></BASE_DATA>"
                                         L"<MESH_DATA NAME=\"BODEN\"/>"));
    ASSERT_TRUE(flat);
    EXPECT_NE(m_logs.text().find("WaterObjekt Pfuetze has no water plane"), std::string::npos);
    const D3DXPLANE plane = flat->getWaterPlane();
    EXPECT_FLOAT_EQ(plane.b, 1.0f);
    EXPECT_NEAR(plane.d, -3.01f, 1e-5f);
}

TEST_F(SceneObjectKindsTest, WaterPlanesLieOnTheLiftedSurfaceWhereverTheWaterIsMoved)
{
    auto water = make<WaterObjekt>(object(L"See", L"WATER",
                                          L"<BASE_DATA><POSITION X=\"40\" Y=\"5\" Z=\"-30\"/></BASE_DATA>"
                                          L"<MESH_DATA NAME=\"BODEN\"/><WATER_DATA WAVE_HEIGHT=\"0.5 2\""
                                          L" WATER_COLOR=\"00336699\"/>"));
    ASSERT_TRUE(water);
    EXPECT_FLOAT_EQ(water->getWaterColor().r, 0.2f);
    EXPECT_FLOAT_EQ(water->getWaterColor().g, 0.4f);
    EXPECT_FLOAT_EQ(water->getWaterColor().b, 0.6f);
    EXPECT_FLOAT_EQ(water->getWaterColor().a, 0.0f);
    // Far from the origin the planes stay level (the surface's up is a direction), lifted by the
    // highest wave plus 0.01.
    auto expectLevel = [](const D3DXPLANE& plane, float height, float up) {
        EXPECT_NEAR(plane.a, 0.0f, 1e-5f);
        EXPECT_NEAR(plane.b, up, 1e-5f);
        EXPECT_NEAR(plane.c, 0.0f, 1e-5f);
        EXPECT_NEAR(plane.d, -up * height, 1e-4f);
    };
    expectLevel(water->getWaterPlane(), 7.01f, 1.0f);
    expectLevel(water->getInversePlane(), 7.01f, -1.0f);
    water->setPosition(D3DXVECTOR3(-20, 1, 8));
    expectLevel(water->getWaterPlane(), 3.01f, 1.0f);
    Held<WaterObjekt> copy(static_cast<WaterObjekt*>(water->clone()));
    copy->setPosition(D3DXVECTOR3(0, -4, 0));
    expectLevel(copy->getWaterPlane(), -1.99f, 1.0f);
    expectLevel(water->getWaterPlane(), 3.01f, 1.0f);
    // Turned upside down, the surface's up points down.
    water->setRotationYawPitchRoll(D3DXVECTOR3(0, 180, 0));
    expectLevel(water->getWaterPlane(), 1.0f - 2.01f, -1.0f);

    // A reflection object is the reflection pass's mirror and picks its technique by quality.
    auto mirror = make<ReflektionObjekt>(
        object(L"Spiegel", L"REFLECTION", L"<BASE_DATA EFFECT=\"Spiegel\"/><MESH_DATA NAME=\"BODEN\"/>"));
    ASSERT_TRUE(mirror);
    EXPECT_NE(dynamic_cast<ReflectingSurface*>(mirror.get()), nullptr);
    // Water draws no instances: with the switch on, clones of a surface stay surfaces of their own.
    INSTANCING = true;
    EXPECT_FALSE(mirror->isInstancingEnabled());
    auto box = make<MeshObjekt>(object(L"Kiste", L"MESH", L"<MESH_DATA NAME=\"KISTE\"/>"));
    EXPECT_TRUE(box->isInstancingEnabled());
    INSTANCING = false;
    EffectBundle* bundle = mirror->getEffectBundle();
    ASSERT_NE(bundle, nullptr);
    mirror->selectRenderEffect(0, 0);
    EXPECT_EQ(mirror->getEffect(), bundle->getEffect(L"Render"));
    mirror->selectRenderEffect(0, 2);
    EXPECT_EQ(mirror->getEffect(), bundle->getEffect(L"RenderReflection"));
    EXPECT_NE(bundle->getEffect(L"Render"), bundle->getEffect(L"RenderReflection"));
}

TEST_F(SceneObjectKindsTest, CloudLayersTakeTheSunsCloudValuesInTheOrderTheyJoinTheGraph)
{
    const std::wstring layer = L"<BASE_DATA EFFECT=\"Himmel\"/><MESH_DATA NAME=\"HIMMEL\"/>"
                               L"<SUN_DATA IS_SUN=\"0\" IS_CLOUD=\"0\" CLOUD_SPEED=\"0.5\"/>";
    auto first = make<SunObjekt>(object(L"Wolken1", L"SUN", layer));
    auto second = make<SunObjekt>(object(L"Wolken2", L"SUN", layer));
    auto sky = make<SunObjekt>(object(L"Himmel", L"SUN", L"<MESH_DATA NAME=\"HIMMEL\"/><SUN_DATA IS_SUN=\"1\"/>"));
    ASSERT_TRUE(first && second && sky);
    // IS_CLOUD present decides, whatever its value.
    EXPECT_EQ(first->getSkyType(), SunObjekt::SKY_CLOUDS);
    EXPECT_EQ(sky->getSkyType(), SunObjekt::SKY_SUN);
    {
        ScopedFrameTime clock(0.1);
        for (int i = 0; i < 10; ++i)
            first->update(nullptr, 0);
    }
    EXPECT_NEAR(first->getCloudRotation(), 0.5f, 1e-5f);

    auto graph = std::make_unique<SceneGraph>();
    SunLightSystem& sun = graph->getSunLightSystem();
    XMLNode config;
    XMLNode::load(&config,
                  L"<SUN><CLOUD_PARAM><NACHT COLOR=\"FF000000\" SPEED=\"0\" DENSITY=\"0 0\"/>"
                  L"<MORGEN COLOR=\"FFFF0000\" SPEED=\"2\" DENSITY=\"3 -1\"/></CLOUD_PARAM>"
                  L"<CLOUD_PARAM><MORGEN COLOR=\"FF00FF00\" SPEED=\"4\"/></CLOUD_PARAM></SUN>",
                  1);
    sun.load(&config);
    graph->addObject(sky.get(), true);
    graph->addObject(second.get(), true);
    graph->addObject(first.get(), true);
    ASSERT_EQ(sun.getCloudEntries().size(), 2u);
    EXPECT_EQ(sun.getCloudEntries()[0].target, second.get());
    EXPECT_EQ(sun.getCloudEntries()[1].target, first.get());
    // At 6:00 the morning's values hold in full.
    sun.setTime(6, 0, 0);
    EXPECT_FLOAT_EQ(second->getCloudSpeed(), 2.0f);
    EXPECT_EQ(static_cast<DWORD>(second->getCloudColor()), 0xFFFF0000u);
    EXPECT_FLOAT_EQ(second->getCloudDensityOffset().x, 3.0f);
    EXPECT_FLOAT_EQ(second->getCloudDensityOffset().y, -1.0f);
    EXPECT_FLOAT_EQ(first->getCloudSpeed(), 4.0f);
    // A reloaded configuration keeps the bound layers; a layer leaving the graph frees its entry.
    sun.load(&config);
    EXPECT_EQ(sun.getCloudEntries()[0].target, second.get());
    graph->removeObject(second.get(), true);
    EXPECT_EQ(sun.getCloudEntries()[0].target, nullptr);
    sun.setTime(0, 0, 0);
    EXPECT_FLOAT_EQ(second->getCloudSpeed(), 2.0f) << "an unbound layer keeps its values";
    EXPECT_FLOAT_EQ(first->getCloudSpeed(), 0.0f);
    graph.reset();
}

TEST_F(SceneObjectKindsTest, AnimatedMeshesRunOnTheClockAndSignalEveryCompletedLoop)
{
    const std::wstring text = object(L"Muehle", L"ANI_MESH", L"<ANIMESH_DATA NAME=\"WINDMUEHLE\"/>");
    auto mill = make<AnimatedMeshObjekt>(text);
    auto other = make<AnimatedMeshObjekt>(text);
    ASSERT_TRUE(mill && other);
    ID3DXAnimationController* controller = mill->getAnimationController();
    ASSERT_NE(controller, nullptr);
    EXPECT_NE(controller, other->getAnimationController());
    ID3DXAnimationSet* set = nullptr;
    ASSERT_EQ(controller->GetTrackAnimationSet(0, &set), D3D_OK);
    const double period = set->GetPeriod();
    set->Release();
    ASSERT_GT(period, 0.0);

    struct Loops : sigslot::has_slots<> {
        std::vector<int> tracks;
        void onLoop(AnimatedMeshObjekt&, const int& track, ID3DXAnimationSet*&) { tracks.push_back(track); }
    } loops;
    mill->trackLooped.connect(&loops, &Loops::onLoop);
    // Steps that add up exactly (the mill's sets last 4 s).
    ASSERT_DOUBLE_EQ(period, 4.0);
    ScopedFrameTime clock(2.0);
    mill->update(nullptr, 0);
    clock.set(1.5);
    mill->update(nullptr, 0);
    EXPECT_TRUE(loops.tracks.empty());
    // Landing exactly on the period's end completes the loop.
    clock.set(0.5);
    mill->update(nullptr, 0);
    EXPECT_EQ(loops.tracks, std::vector<int>{0});
    clock.set(0.25);
    mill->update(nullptr, 0);
    EXPECT_EQ(loops.tracks.size(), 1u);
    // A long step advances by two seconds at most.
    const double before = mill->getAnimationTime();
    clock.set(5.0);
    mill->update(nullptr, 0);
    EXPECT_DOUBLE_EQ(mill->getAnimationTime() - before, 2.0);
    // A period of no length counts no loops (and divides by nothing).
    mill->setPeriodOffset(period);
    loops.tracks.clear();
    for (int i = 0; i < 4; ++i)
        mill->update(nullptr, 0);
    EXPECT_TRUE(loops.tracks.empty());
    // The second object has not moved.
    D3DXTRACK_DESC desc{};
    other->getAnimationController()->GetTrackDesc(0, &desc);
    EXPECT_DOUBLE_EQ(desc.Position, 0.0);
    EXPECT_DOUBLE_EQ(other->getAnimationTime(), 0.0);
}

TEST_F(SceneObjectKindsTest, TheGizmoForwardsToThePartsItHas)
{
    auto gizmo = make<CoordsObjekt>(object(L"COORDS", L"COORDS",
                                           L"<BASE_DATA EFFECT=\"Gizmo\"/><COORDS_DATA>"
                                           L"<LOKAL_X TYPE=\"MESH\" NAME=\"x\"><BASE_DATA EFFECT=\"Gizmo\"/>"
                                           L"<MESH_DATA NAME=\"GIZMO_ACHSE_X\"/></LOKAL_X></COORDS_DATA>"));
    ASSERT_TRUE(gizmo);
    BaseObjekt* axis = gizmo->getPart(CoordsObjekt::LOKAL_X);
    ASSERT_NE(axis, nullptr);
    for (int part = 0; part < CoordsObjekt::PART_COUNT; ++part) {
        if (part != CoordsObjekt::LOKAL_X) {
            EXPECT_EQ(gizmo->getPart(static_cast<CoordsObjekt::Part>(part)), nullptr);
        }
    }
    gizmo->setPosition(D3DXVECTOR3(3, 4, 5));
    EXPECT_EQ(axis->getBasePosition(), D3DXVECTOR3(3, 4, 5));
    EXPECT_EQ(gizmo->getBasePosition(), D3DXVECTOR3(3, 4, 5));
    gizmo->setAlpha(0.25f);
    EXPECT_FLOAT_EQ(axis->getAlpha(), 0.25f);
    EXPECT_FLOAT_EQ(gizmo->getAlpha(), 1.0f);
    gizmo->selectRenderEffect(6, 0);
    EXPECT_EQ(axis->getEffect(), axis->getEffectBundle()->getEffect(L"RenderNormal"));
    EXPECT_TRUE(gizmo->getBoundingBox().contains(axis->getBoundingBox()));
    Held<CoordsObjekt> copy(static_cast<CoordsObjekt*>(gizmo->clone()));
    ASSERT_NE(copy->getPart(CoordsObjekt::LOKAL_X), nullptr);
    EXPECT_NE(copy->getPart(CoordsObjekt::LOKAL_X), axis);
}
