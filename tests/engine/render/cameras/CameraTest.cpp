// Cameras: defaults and the FOV rule, frustum tests of boxes and spheres, riding on attach
// points, the automatic aspect after a device reset, the directional camera's depth, the focus
// and the guards against projections that would divide by zero.
#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "foundation/helpers/BoundingVolumes.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "engine/scene/TestObjekt.h"
#include "engine/render/ConsoleLine.h"
#include "render/cameras/AttachPoint.h"
#include "render/cameras/DirectionalCamera.h"
#include "render/cameras/LookAtCamera.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Ulvo;
using RenderTesting::run;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The vertical FOV in degrees that a projection matrix was built with.
double verticalFovOf(const D3DXMATRIX& projection)
{
    return 2.0 * std::atan(1.0 / projection._22) * 180.0 / kPi;
}

} // namespace

TEST(CameraTest, FovRuleFollowsTheAspectUnlessGiven)
{
    LogCapture logs;
    LookAtCamera camera(L"Blick");
    double zNear = 0, zFar = 0;
    camera.getNearFar(zNear, zFar);
    EXPECT_DOUBLE_EQ(zNear, 0.1);
    EXPECT_DOUBLE_EQ(zFar, 100.0);
    EXPECT_NEAR(verticalFovOf(camera.getProjectionMatrix()), 90.0, 1e-3);

    camera.setAspect(16.0f / 9.0f);
    camera.setFovAspect(60.0, 4.0 / 3.0);
    EXPECT_NEAR(camera.getVerticalFov(), 80.0, 1e-4); // 60 x (16/9) / (4/3)
    EXPECT_NEAR(verticalFovOf(camera.getProjectionMatrix()), 80.0, 1e-3);
    camera.setFovAspect(60.0, 0.0);
    EXPECT_NEAR(camera.getVerticalFov(), 60.0, 1e-9);
    // setFov takes the current aspect as the reference.
    camera.setFov(45.0);
    EXPECT_NEAR(camera.getVerticalFov(), 45.0, 1e-4);
}

namespace {

// From the origin along +z, square, with a field of view of 90 degrees: the side planes lie at 45.
void lookAlongZ(LookAtCamera& camera)
{
    camera.setAspect(1.0f);
    camera.setFovAspect(90.0, 0.0);
    camera.setEyePosition(D3DXVECTOR3(0, 0, 0));
    camera.setLookAt(D3DXVECTOR3(0, 0, 1));
}

} // namespace

TEST(CameraTest, FrustumClassifiesBoxesAndSpheres)
{
    LogCapture logs;
    LookAtCamera camera(L"Frustum");
    lookAlongZ(camera);

    // Planes of unit normals: near at z = 0.1, the side planes at 45 degrees.
    const D3DXPLANE& nearPlane = camera.getFrustumPlane(4);
    EXPECT_NEAR(nearPlane.c, 1.0f, 1e-5f);
    EXPECT_NEAR(nearPlane.d, -0.1f, 1e-5f);

    EXPECT_EQ(camera.isAABBInFrustum(D3DXVECTOR3(-1, -1, 5), D3DXVECTOR3(1, 1, 6)), 2);
    EXPECT_EQ(camera.isAABBInFrustum(D3DXVECTOR3(-1, -1, 99), D3DXVECTOR3(1, 1, 101)), 1); // straddles far
    EXPECT_EQ(camera.isAABBInFrustum(D3DXVECTOR3(-1, -1, -5), D3DXVECTOR3(1, 1, -4)), 0);  // behind
    EXPECT_EQ(camera.isAABBInFrustum(D3DXVECTOR3(20, -1, 5), D3DXVECTOR3(21, 1, 6)), 0);   // right of it
    // A box touching the left plane (x = -z) from inside counts as inside.
    EXPECT_EQ(camera.isAABBInFrustum(D3DXVECTOR3(-5, -1, 5), D3DXVECTOR3(-4, 1, 6)), 2);

    EXPECT_TRUE(camera.isSphereInFrustum(D3DXVECTOR3(0, 0, 50), 1.0));
    EXPECT_FALSE(camera.isSphereInFrustum(D3DXVECTOR3(0, 0, -3), 1.0));
    // Exactly -radius from the near plane is outside.
    EXPECT_FALSE(camera.isSphereInFrustum(D3DXVECTOR3(0, 0, -0.9f), 1.0));
    EXPECT_TRUE(camera.isSphereInFrustum(D3DXVECTOR3(0, 0, -0.8f), 1.0));
}

TEST(CameraTest, CullingWindowNarrowsTheTestsButNotThePicture)
{
    LogCapture logs;
    LookAtCamera plain(L"Ganz");
    lookAlongZ(plain);
    auto* narrowed = static_cast<LookAtCamera*>(plain.clone());
    // Lopsided, so that a mirrored or swapped side would show.
    const D3DXVECTOR4 window(-0.5f, -0.25f, 0.25f, 0.75f);
    narrowed->setCullingWindow(window);
    EXPECT_EQ(narrowed->getViewProjectionMatrix(), plain.getViewProjectionMatrix());
    EXPECT_EQ(plain.getCullingWindow(), D3DXVECTOR4(-1, -1, 1, 1));

    // With a 90 degree view along +z, device coordinates are x / z and y / z. A small box around
    // a point within the window, at any depth, stays; one just beside it, on any side, goes.
    auto probe = [](const Camera& camera, const D3DXVECTOR3& eye, float x, float y, float z) {
        const D3DXVECTOR3 centre = eye + D3DXVECTOR3(x * z, y * z, z);
        const D3DXVECTOR3 half(z * 1e-3f, z * 1e-3f, z * 1e-3f);
        const int box = camera.isAABBInFrustum(centre - half, centre + half);
        EXPECT_EQ(box != 0, camera.isSphereInFrustum(centre, z * 1e-3)) << x << " " << y << " " << z;
        return box != 0;
    };
    auto check = [&](const Camera& camera, const D3DXVECTOR3& eye) {
        for (float z : {0.5f, 7.0f, 90.0f}) {
            for (float x : {window.x + 0.01f, 0.0f, window.z - 0.01f})
                for (float y : {window.y + 0.01f, 0.5f, window.w - 0.01f}) {
                    EXPECT_TRUE(probe(camera, eye, x, y, z)) << x << " " << y << " " << z;
                }
            EXPECT_FALSE(probe(camera, eye, window.x - 0.03f, 0.0f, z)) << z;
            EXPECT_FALSE(probe(camera, eye, window.z + 0.03f, 0.0f, z)) << z;
            EXPECT_FALSE(probe(camera, eye, 0.0f, window.y - 0.03f, z)) << z;
            EXPECT_FALSE(probe(camera, eye, 0.0f, window.w + 0.03f, z)) << z;
            // The plain camera sees all of those.
            EXPECT_TRUE(probe(plain, D3DXVECTOR3(0, 0, 0), window.x - 0.03f, window.w + 0.03f, z));
        }
    };
    check(*narrowed, D3DXVECTOR3(0, 0, 0));
    // The window holds as the camera moves, and a copy keeps it.
    narrowed->setEyePosition(D3DXVECTOR3(5, 2, 0));
    narrowed->setLookAt(D3DXVECTOR3(5, 2, 1));
    Camera* copy = narrowed->clone();
    check(*copy, D3DXVECTOR3(5, 2, 0));
    copy->Release();

    // The whole screen, or more, narrows nothing: the planes are the plain ones to the bit.
    narrowed->setEyePosition(D3DXVECTOR3(0, 0, 0));
    narrowed->setLookAt(D3DXVECTOR3(0, 0, 1));
    narrowed->setCullingWindow(D3DXVECTOR4(-3, -1, 1, 2));
    EXPECT_EQ(narrowed->getCullingWindow(), D3DXVECTOR4(-1, -1, 1, 1));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(narrowed->getFrustumPlane(i), plain.getFrustumPlane(i)) << i;
    narrowed->Release();
}

TEST(CameraTest, RidesOnAttachPointsAndLetsGoWhenTheyGo)
{
    LogCapture logs;
    SceneTesting::TestObjekt* carrier = SceneTesting::makeObjekt(L"Wagen");
    LookAtCamera camera(L"Mitfahrer");
    camera.setEyePosition(D3DXVECTOR3(0, 5, -10));
    camera.attachToObject(carrier);
    EXPECT_EQ(camera.getAttachPointIndex(), 0);
    EXPECT_EQ(camera.getAttachPoint(), carrier->getAttachPoint(0));

    // The look-at camera looks at its attach point as the object moves.
    carrier->setPosition(D3DXVECTOR3(3, 0, 4));
    camera.update(0.0);
    EXPECT_EQ(camera.getLookAt(), D3DXVECTOR3(3, 0, 4));

    XMLNode node = SceneTesting::parseNode(L"<OBJEKT NAME=\"Zug\"><BASE_DATA><CAMERA_ATTACH NAME=\"A\"/>"
                                           L"<CAMERA_ATTACH NAME=\"B\"/><CAMERA_ATTACH NAME=\"C\"/></BASE_DATA>"
                                           L"</OBJEKT>");
    auto* train = new SceneTesting::TestObjekt(&node);
    camera.attachToObject(train);
    EXPECT_EQ(camera.selectPreviousAttachPoint()->getName(), L"C"); // from 0 back to the last
    EXPECT_EQ(camera.selectNextAttachPoint()->getName(), L"A");

    // A camera that follows its attach point takes the point's frame as its view (the
    // directional camera's update does nothing; any view rebuild follows the point).
    DirectionalCamera rider(L"Reiter");
    rider.attachToObject(train);
    train->setPosition(D3DXVECTOR3(0, 0, 10));
    rider.update(0.0);
    EXPECT_NEAR(rider.getEyePosition().z, 0.0f, 1e-4f);
    rider.updateView();
    EXPECT_NEAR(rider.getEyePosition().z, 10.0f, 1e-4f);

    // Deleting the object detaches; the view stays where it was.
    train->Release();
    EXPECT_EQ(camera.getAttachedObject(), nullptr);
    EXPECT_EQ(camera.getAttachPoint(), nullptr);
    EXPECT_EQ(rider.getAttachPoint(), nullptr);
    // Without an object: null instead of an index modulo 0.
    EXPECT_EQ(camera.selectNextAttachPoint(), nullptr);
    EXPECT_EQ(camera.selectPreviousAttachPoint(), nullptr);
    carrier->Release();
}

TEST(CameraTest, AutomaticAspectFollowsTheDeviceUnlessFixed)
{
    LogCapture logs;
    ASSERT_NE(GraphicsTesting::startDevice(640, 480), nullptr);
    LookAtCamera automatic(L"Auto");
    DirectionalCamera light(L"Sonne");
    LookAtCamera fixed(L"Fest");
    fixed.setAspect(2.0f);
    EXPECT_NEAR(automatic.getAspect(), 4.0f / 3.0f, 1e-6f);

    // A back buffer of another shape: the offscreen desktop offers only 4:3 modes, so the test
    // resets the device with a 16:9 windowed back buffer itself.
    D3DInterface* d3d = D3DInterface::getInstance();
    D3DDISPLAYMODE* mode = d3d->getInitParams()->getDisplayMode();
    const D3DDISPLAYMODE originalMode = *mode;
    D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    const D3DPRESENT_PARAMETERS original = present;
    mode->Width = present.BackBufferWidth = 1280;
    mode->Height = present.BackBufferHeight = 720;
    present.Windowed = TRUE;
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    EXPECT_NEAR(automatic.getAspect(), 16.0f / 9.0f, 1e-6f);
    EXPECT_NEAR(automatic.getProjectionMatrix()._11, automatic.getProjectionMatrix()._22 * 9.0f / 16.0f, 1e-5f);
    EXPECT_FLOAT_EQ(fixed.getAspect(), 2.0f);
    // The directional camera stays orthographic: width and height 2 x ZOOM x ZFAR = 20.
    EXPECT_NEAR(light.getProjectionMatrix()._11, 2.0f / 20.0f, 1e-6f);
    EXPECT_NEAR(light.getProjectionMatrix()._22, 2.0f / 20.0f, 1e-6f);
    *mode = originalMode;
    d3d->setPresenterParams(&original);
}

TEST(CameraTest, DirectionalDepthAndDegenerateProjections)
{
    LogCapture logs;
    DirectionalCamera light(L"Licht");
    // Far plane at twice DIST until a distance is set.
    EXPECT_NEAR(light.getProjectionMatrix()._33, 1.0f / (100.0f - 0.1f), 1e-6f);
    light.setDist(30.0);
    light.updateProjection();
    EXPECT_NEAR(light.getProjectionMatrix()._33, 1.0f / (30.0f - 0.1f), 1e-6f);
    EXPECT_NEAR(light.getEyePosition().z, 0.0f, 1e-5f);

    // Near and far at one distance: the projection and the focal length stay finite.
    LookAtCamera camera(L"Flach");
    const D3DXMATRIX before = camera.getProjectionMatrix();
    camera.setNearFar(5.0, 5.0);
    EXPECT_EQ(camera.getProjectionMatrix(), before);
    EXPECT_TRUE(std::isfinite(camera.getFocalLength()));
    EXPECT_NE(logs.text().find("keeps its projection"), std::string::npos);
}

TEST(CameraTest, FocusSamplesRingsAndMovesTowardsItsTarget)
{
    LogCapture logs;
    LookAtCamera camera(L"Fokus");
    camera.setAspect(1.0f);
    camera.setFovAspect(40.0, 0.0);
    const std::vector<D3DXVECTOR2> points = camera.getFocusSamplePoints();
    ASSERT_EQ(points.size(), 8u); // 4 samples on FOCAL_RINGS + 1 rings
    const float radius = 0.5f * 10.0f / 40.0f;
    EXPECT_NEAR(points[0].x, 0.5f + radius, 1e-6f);
    EXPECT_NEAR(points[1].y, 0.5f + radius, 1e-6f);
    EXPECT_NEAR(points[4].x, 0.5f + 2.0f * radius, 1e-6f);

    // Without a z-buffer pass the z-buffer focus goes to ZFAR, with a log line.
    camera.getFocalParams().calcType = FOCUS_ZBUFFER;
    EXPECT_FLOAT_EQ(camera.updateFocus(), 0.0f);
    EXPECT_FLOAT_EQ(camera.getTargetFocalDistance(), 100.0f);
    camera.update(0.125); // t = 4 x 0.125
    EXPECT_FLOAT_EQ(camera.getFocalDistance(), 50.0f);

    camera.setEyePosition(D3DXVECTOR3(0, 0, -7));
    camera.getFocalParams().calcType = FOCUS_LOOKAT;
    camera.calcFocalDistance();
    EXPECT_FLOAT_EQ(camera.getTargetFocalDistance(), 7.0f);
    camera.update(1.0);
    EXPECT_FLOAT_EQ(camera.getFocalDistance(), 7.0f);
}

TEST(CameraTest, FreeCameraKeysMoveTheEyeOrTheLookAtPoint)
{
    LogCapture logs;
    KeyState& keys = DirectInputInterface::getInstance()->getKeyState();
    constexpr unsigned char kW = 0x11, kShift = 0x2A;
    LookAtCamera camera(L"Frei");
    camera.setEyePosition(D3DXVECTOR3(0, 0, -10));
    camera.setKey(CAMKEY_FORWARD, kW, 4.0f);

    keys.keys[kW] = 0x80;
    camera.update(0.5); // 4 units per second along the view
    EXPECT_NEAR(camera.getPosition().z, -8.0f, 1e-5f);
    EXPECT_EQ(camera.getLookAt(), D3DXVECTOR3(0, 0, 0));
    keys.keys[kShift] = 0x80; // Shift moves the look-at point alone
    camera.update(0.5);
    EXPECT_NEAR(camera.getPosition().z, -8.0f, 1e-5f);
    EXPECT_NEAR(camera.getLookAt().z, 2.0f, 1e-5f);
    camera.setKeysDisabled(true);
    camera.update(0.5);
    EXPECT_NEAR(camera.getLookAt().z, 2.0f, 1e-5f);
    keys.keys[kW] = keys.keys[kShift] = 0;
}

TEST(CameraTest, ShadowHelpersEncloseTheViewFrustum)
{
    LogCapture logs;
    // A 90-degree square frustum from the origin along +z: half sizes equal the distances.
    D3DXVECTOR3 corners[8];
    Camera::computeFrustum(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 1, 0), 1.0f, 2.0f, 90.0f, 1.0f,
                           1.0f, corners);
    EXPECT_NEAR(corners[0].x, -1.0f, 1e-5f);
    EXPECT_NEAR(corners[0].y, 1.0f, 1e-5f);
    EXPECT_NEAR(corners[0].z, 1.0f, 1e-5f);
    EXPECT_NEAR(corners[7].x, 2.0f, 1e-5f);
    EXPECT_NEAR(corners[7].y, -2.0f, 1e-5f);
    EXPECT_NEAR(corners[7].z, 2.0f, 1e-5f);

    // Fitted around them, a light camera sees every corner inside its picture.
    D3DXMATRIX view, projection;
    float farDistance = 0.0f;
    Camera::fitShadowProjection(view, projection, corners, D3DXVECTOR3(0, 10, 1.5f), D3DXVECTOR3(0, 0, 1.5f), 60.0f,
                                0.1f, 100.0f, farDistance);
    EXPECT_GT(farDistance, 10.0f);
    for (const D3DXVECTOR3& corner : corners) {
        D3DXVECTOR4 clip;
        const D3DXMATRIX viewProjection = view * projection;
        D3DXVec3Transform(&clip, &corner, &viewProjection);
        EXPECT_LE(std::fabs(clip.x / clip.w), 1.0f + 1e-4f);
        EXPECT_LE(std::fabs(clip.y / clip.w), 1.0f + 1e-4f);
    }

    LookAtCamera light(L"Schatten");
    light.setEyePosition(D3DXVECTOR3(0, 20, 0));
    light.setLookAt(D3DXVECTOR3(0, 0, 0.1f));
    LookAtCamera viewer(L"Betrachter");
    viewer.setNearFar(1.0, 10.0);
    viewer.setLookAt(D3DXVECTOR3(0, 0, 1));
    viewer.setEyePosition(D3DXVECTOR3(0, 0, 0));
    light.updateShadowCamera(viewer);
    const D3DXVECTOR3 inside(0, 0, 5);
    EXPECT_NE(light.isAABBInFrustum(inside, inside), 0);
    // The deepest corner of a box straight ahead lies at its far face.
    const AABB box(D3DXVECTOR3(-1, -1, 4), D3DXVECTOR3(1, 1, 6));
    EXPECT_NEAR(viewer.computeBoxDepth(box), 1.0f + 6.0f, 1e-4f);
}
