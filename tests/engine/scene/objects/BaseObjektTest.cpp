// The scene object base: transform setters and their signals, rotations read back, the
// per-camera step with the far-distance fade, instance groups, and the attached lights.
#include "engine/scene/TestObjekt.h"
#include "lighting/deferred/DeferredLight.h"
#include "lighting/deferred/DeferredRenderer.h"
#include "render/cameras/AttachPoint.h"
#include "render/cameras/LookAtCamera.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/objects/LightAttachPoint.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace Ulvo;
using SceneTesting::makeObjekt;
using SceneTesting::parseNode;
using SceneTesting::TestObjekt;

namespace {

struct SignalCounter : sigslot::has_slots<> {
    int position = 0, scale = 0, rotation = 0, transform = 0;
    void onPosition(BaseObjekt&, const D3DXVECTOR3&) { ++position; }
    void onScale(BaseObjekt&, const D3DXVECTOR3&) { ++scale; }
    void onRotation(BaseObjekt&, const D3DXQUATERNION&) { ++rotation; }
    void onTransform(RenderObjekt&) { ++transform; }
    void follow(BaseObjekt& object)
    {
        object.positionChanged.connect(this, &SignalCounter::onPosition);
        object.scaleChanged.connect(this, &SignalCounter::onScale);
        object.rotationChanged.connect(this, &SignalCounter::onRotation);
        object.transformChanged.connect(this, &SignalCounter::onTransform);
    }
};

void expectVec3(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-4f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

} // namespace

TEST(BaseObjektTest, SettersReportChangesAndRespectAutomaticUpdates)
{
    LogCapture logs;
    TestObjekt* object = makeObjekt(L"Kiste");
    SignalCounter counter;
    counter.follow(*object);

    EXPECT_TRUE(object->setPosition(D3DXVECTOR3(1, 2, 3)));
    EXPECT_FALSE(object->setPosition(D3DXVECTOR3(1, 2, 3)));
    EXPECT_EQ(counter.position, 1);
    EXPECT_EQ(counter.transform, 1);
    EXPECT_FLOAT_EQ(object->getWorldMatrix()._42, 2.0f);
    expectVec3(object->getBoundingBox().getMax(), 1.5f, 2.5f, 3.5f);

    // Without automatic updates only the scale is announced; nothing is rebuilt.
    object->setAutoUpdate(false);
    EXPECT_TRUE(object->setScale(D3DXVECTOR3(2, 2, 2)));
    EXPECT_TRUE(object->setPosition(D3DXVECTOR3(5, 5, 5)));
    EXPECT_TRUE(object->setRotationYawPitchRoll(D3DXVECTOR3(90, 0, 0)));
    EXPECT_EQ(counter.scale, 1);
    EXPECT_EQ(counter.position, 1);
    EXPECT_EQ(counter.rotation, 0);
    EXPECT_EQ(counter.transform, 1);
    EXPECT_FLOAT_EQ(object->getWorldMatrix()._42, 2.0f);

    object->setAlpha(-0.5f);
    EXPECT_EQ(object->getAlpha(), 0.0f);
    object->setAlpha(3.0f);
    EXPECT_EQ(object->getAlpha(), 1.0f);
    object->Release();
}

TEST(BaseObjektTest, RotationsReadBackInDegrees)
{
    LogCapture logs;
    TestObjekt* object = makeObjekt(L"Dreher");
    object->setRotationYawPitchRoll(D3DXVECTOR3(30, 0, 0));
    expectVec3(object->getRotationYawPitchRoll(), 30, 0, 0, 1e-3f);
    object->setRotationYawPitchRoll(D3DXVECTOR3(0, 20, 0));
    expectVec3(object->getRotationYawPitchRoll(), 0, 20, 0, 1e-3f);
    // Negative angles come back in 0..360.
    object->setRotationYawPitchRoll(D3DXVECTOR3(0, 0, -45));
    expectVec3(object->getRotationYawPitchRoll(), 0, 0, 315, 1e-3f);

    // Heading, attitude and bank through the Euler rule and back, and its poles.
    object->setRotationEuler(D3DXVECTOR3(40, 25, -30));
    expectVec3(object->getRotationEuler(), 40, 25, -30, 1e-3f);
    object->setRotationEuler(D3DXVECTOR3(20, 90, 0));
    expectVec3(object->getRotationEuler(), 20, 90, 0, 1e-2f);

    // A whole transform splits into its parts.
    D3DXMATRIX scaling, rotation, translation;
    D3DXMatrixScaling(&scaling, 2, 3, 4);
    D3DXMatrixRotationY(&rotation, 0.5f);
    D3DXMatrixTranslation(&translation, 7, 8, 9);
    EXPECT_TRUE(object->setTransform(scaling * rotation * translation));
    expectVec3(object->getScale(), 2, 3, 4);
    expectVec3(object->getPosition(), 7, 8, 9);
    object->Release();
}

TEST(BaseObjektTest, CameraStepMeasuresDistanceAndFadesBeyondTheFarDistance)
{
    LogCapture logs;
    XMLNode node = parseNode(L"<OBJEKT NAME=\"Fern\"><BASE_DATA FAR_DIST=\"1 90 100\"/></OBJEKT>");
    TestObjekt object(&node);
    object.setPosition(D3DXVECTOR3(0, 0, 0));
    EXPECT_TRUE(object.isTransparent()); // a far fade draws as transparent

    LookAtCamera camera(L"Auge");
    camera.setEyePosition(D3DXVECTOR3(0, 0, -100.5f - 0.5f)); // 100.5 from the box's near face
    object.updateForCamera(&camera);
    EXPECT_NEAR(object.getCameraDistance(), 101.0 * 101.0, 1e-2);
    EXPECT_FALSE(object.isVisible());
    EXPECT_FALSE(object.isDrawable());

    camera.setEyePosition(D3DXVECTOR3(0, 0, -99.0f));
    object.updateForCamera(&camera);
    EXPECT_TRUE(object.isVisible());
    // An eye inside the box keeps the object whatever the far distance.
    camera.setEyePosition(D3DXVECTOR3(0.1f, 0, 0));
    object.updateForCamera(&camera);
    EXPECT_TRUE(object.isVisible());

    // Following the camera from level 2: the position is the eye plus the base position.
    XMLNode follower = parseNode(L"<OBJEKT NAME=\"Himmel\"><BASE_DATA MOVE_WITH_CAMERA=\"2\"><POSITION Y=\"1\"/>"
                                 L"</BASE_DATA></OBJEKT>");
    TestObjekt sky(&follower);
    camera.setEyePosition(D3DXVECTOR3(3, 4, 5));
    sky.updateForCamera(&camera);
    expectVec3(sky.getPosition(), 3, 5, 5);
    const D3DXVECTOR3 reference(10, 0, 0);
    sky.updateForCamera(&camera, &reference);
    expectVec3(sky.getPosition(), 10, 1, 0);

    // A billboard of level 2 turns with every camera of a list: the camera's rotation first.
    XMLNode board = parseNode(L"<OBJEKT NAME=\"Schild\"><BASE_DATA BILLBOARD=\"2\"/></OBJEKT>");
    TestObjekt sign(&board);
    camera.setEyePosition(D3DXVECTOR3(10, 0, 0)); // looking along -x
    sign.updateForCamera(&camera);
    D3DXVECTOR3 facing;
    const D3DXVECTOR3 ahead(0, 0, 1);
    D3DXVec3TransformNormal(&facing, &ahead, &sign.getWorldMatrix());
    expectVec3(facing, -1, 0, 0);
}

TEST(BaseObjektTest, ClonesJoinOneGroupThatOutlivesItsRoot)
{
    LogCapture logs;
    TestObjekt* root = makeObjekt(L"Baum");
    BaseObjekt* first = root->clone();
    BaseObjekt* second = first->clone(); // a clone of a clone joins the root's group
    EXPECT_EQ(root->getInstanceGroup(), root);
    EXPECT_EQ(first->getInstanceGroup(), root);
    EXPECT_EQ(second->getInstanceGroup(), root);
    EXPECT_EQ(root->getInstances().size(), 2u);
    EXPECT_FALSE(BaseObjekt::addInstance(root, first)); // already a member

    // Deleting the root hands the group to a remaining clone.
    root->Release();
    BaseObjekt* newRoot = first->getInstances().empty() ? second : first;
    BaseObjekt* member = newRoot == first ? second : first;
    EXPECT_EQ(newRoot->getInstanceGroup(), newRoot);
    EXPECT_EQ(member->getInstanceGroup(), newRoot);
    EXPECT_EQ(newRoot->getInstances().size(), 1u);
    member->Release();
    EXPECT_TRUE(newRoot->getInstances().empty());
    newRoot->Release();
}

TEST(BaseObjektTest, AttachedLightsFollowTheSceneGraphAndTheirTimes)
{
    LogCapture logs;
    // The engine hands down its own renderer; this test's one takes its place for a while.
    LightHost* engineRenderer = BaseObjekt::LightAttachPoint::getLightHost();
    DeferredRenderer renderer;
    BaseObjekt::LightAttachPoint::setLightHost(&renderer);
    DeferredLight* pattern =
        DeferredLight::createPointLight(L"Lampe", D3DXCOLOR(1, 1, 0, 1), D3DXVECTOR3(0, 0, 0), 2.0f, 1.0f);
    renderer.addLightTemplate(pattern, false);
    pattern->Release();

    XMLNode node = parseNode(L"<OBJEKT NAME=\"Laterne\"><BASE_DATA><POSITION X=\"4\"/>"
                             L"<LIGHT_PARAMS LIGHTS_ON=\"1\" AUTO_SWITCH_LIGHTS=\"1\">"
                             L"<LIGHT_ATTACH NAME=\"Licht\" LIGHT_NAME=\"Lampe\" LIGHT_ON=\"20\" LIGHT_OFF=\"6 1\">"
                             L"<POSITION Y=\"3\"/></LIGHT_ATTACH>"
                             L"<LIGHT_ATTACH NAME=\"Tag\" LIGHT_NAME=\"Lampe\" LIGHT_ON=\"6\" LIGHT_OFF=\"20\"/>"
                             L"</LIGHT_PARAMS></BASE_DATA></OBJEKT>");
    auto* object = new TestObjekt(&node);
    ASSERT_EQ(object->getLightCount(), 2u);
    BaseObjekt::LightAttachPoint* night = object->getLight(0);
    BaseObjekt::LightAttachPoint* day = object->getLight(1);
    EXPECT_FLOAT_EQ(night->getOnTime(), 20.0f);
    EXPECT_FLOAT_EQ(night->getOffTime(), 6.0f); // the base, without variation
    EXPECT_TRUE(renderer.getLights().empty());  // waiting for a scene graph

    SceneGraph graph;
    graph.addObject(object, true);
    ASSERT_EQ(renderer.getLights().size(), 2u);
    ASSERT_NE(night->getLight(), nullptr);
    auto* light = static_cast<DeferredLight*>(night->getLight());
    expectVec3(light->getWorldPosition(), 4, 3, 0);
    object->setPosition(D3DXVECTOR3(-1, 0, 0));
    expectVec3(light->getWorldPosition(), -1, 3, 0);

    // On after 20, off after 6 (through midnight); the other lit between 6 and 20.
    object->autoSwitchLights(10.0);
    EXPECT_FALSE(night->isOn());
    EXPECT_TRUE(day->isOn());
    object->autoSwitchLights(22.0);
    EXPECT_TRUE(night->isOn());
    EXPECT_FALSE(day->isOn());
    object->autoSwitchLights(3.0);
    EXPECT_TRUE(night->isOn());
    EXPECT_EQ(renderer.getLights().size(), 1u);

    // A copy draws its times within base and variation.
    BaseObjekt* copy = object->clone();
    const float off = copy->getLight(0)->getOffTime();
    EXPECT_GE(off, 5.0f);
    EXPECT_LE(off, 7.0f);
    copy->Release();

    // Leaving the graph switches off; destruction takes the lights out of the renderer.
    graph.removeObject(object, true);
    EXPECT_TRUE(renderer.getLights().empty());
    graph.addObject(object, true);
    EXPECT_FALSE(renderer.getLights().empty());
    object->Release();
    EXPECT_TRUE(renderer.getLights().empty());
    BaseObjekt::LightAttachPoint::setLightHost(engineRenderer);
}
