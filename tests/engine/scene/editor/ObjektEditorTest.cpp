// The object editor driven as a user drives it: injected mouse and keys through DirectInput on the
// virtual clock, an active camera over boxes in a scene graph. Selecting and clearing, the drag
// kinds and planes, moving, scaling and turning checked by value against rays worked out here,
// transforms copied with the right button, Ctrl+V copies, the pick ray and the edit planes, the
// box buffers across a device reset, and a selected crate's box drawn over the frame.
#include <windows.h>
#include <dinput.h>
#include <platform_test.h>

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DInputInitParams.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/window/Window.h"
#include "engine/UlvoEngine.h"
#include "foundation/app/MainLoopSignals.h"
#include "engine/render/PassTestSupport.h"
#include "engine/scene/SceneObjectsSupport.h"
#include "engine/scene/TestObjekt.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace Ulvo;
using SceneTesting::TestObjekt;

namespace {

// SDL scancodes of the keys the editor reads.
constexpr int kKeyC = 6;
constexpr int kKeyV = 25;
constexpr int kKeyX = 27;
constexpr int kKeyY = 28;
constexpr int kKeyZ = 29;
constexpr int kKeyTab = 43;
constexpr int kKeySpace = 44;
constexpr int kKeyLeftCtrl = 224;
constexpr int kKeyLeftShift = 225;
// SDL mouse buttons.
constexpr int kLeft = 1;
constexpr int kMiddle = 2;
constexpr int kRight = 3;

constexpr float kDegrees = 0.01745329238474369f;

// A box that rays hit: the slab test against its world box.
class PickBox : public TestObjekt {
public:
    explicit PickBox(XMLNode* node) : TestObjekt(node) {}
    PickBox(const PickBox& other) = default;
    BaseObjekt* clone() const override { return new PickBox(*this); }
    bool getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance) override
    {
        const AABB& box = getBoundingBox();
        float near = 0.0f;
        float far = 1e30f;
        for (int axis = 0; axis < 3; ++axis) {
            const float o = (&origin.x)[axis];
            const float d = (&direction.x)[axis];
            const float low = (&box.getMin().x)[axis];
            const float high = (&box.getMax().x)[axis];
            if (std::fabs(d) < 1e-9f) {
                if (o < low || o > high)
                    return false;
                continue;
            }
            float t1 = (low - o) / d;
            float t2 = (high - o) / d;
            if (t1 > t2)
                std::swap(t1, t2);
            near = std::max(near, t1);
            far = std::min(far, t2);
            if (near > far)
                return false;
        }
        distance = near;
        return true;
    }
};

PickBox* makeBox(const std::wstring& name, const D3DXVECTOR3& position)
{
    XMLNode node(L"OBJEKT");
    node.addAttribute(new XMLAttribute(L"NAME", name));
    auto* box = new PickBox(&node);
    box->setPosition(position);
    return box;
}

void expectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-3f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

class ObjektEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatformUseVirtualClock(true);
        ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
        const D3DPRESENT_PARAMETERS* pp = D3DInterface::getInstance()->getPresentParams();
        width = static_cast<float>(pp->BackBufferWidth);
        height = static_cast<float>(pp->BackBufferHeight);
        window = UlvoEngine::getInstance()->getWindow()->getHWND();
        ASSERT_NE(window, nullptr);
        PlatformInjectFocus(window, true);

        params = &UlvoEngine::getInstance()->getEngineParams().getDInputInitParams();
        params->setBufferedKeyboard(true);
        params->setBufferedMouse(true);
        params->setMousePollRate(10);
        params->setKeyboardPollRate(10);
        params->setUseWindowMessages(false);
        params->setMouseSensitivity(1.0f);
        params->setSwapMouse(0);
        input = DirectInputInterface::getInstance();
        ASSERT_TRUE(input->init(params));
        PlatformInjectMouseMove(window, injected.x, injected.y);
        poll();
        input->centerMouse();

        camera = new LookAtCamera(L"EditorTest");
        camera->setAspect(width / height);
        camera->setFovAspect(45.0, 0.0);
        camera->setNearFar(0.5, 500.0);
        camera->setEyePosition(D3DXVECTOR3(0, 10, -10));
        camera->setLookAt(D3DXVECTOR3(0, 0, 0));
        CameraManager::getInstance()->addCamera(camera);
        CameraManager::getInstance()->setActiveCamera(camera);

        manager.setSceneGraph(&graph);
        kiste = place(makeBox(L"Kiste", D3DXVECTOR3(0, 0, 0)));
        fass = place(makeBox(L"Fass", D3DXVECTOR3(3, 0, 2)));
    }

    void TearDown() override
    {
        for (int key : {kKeyC, kKeyV, kKeyX, kKeyY, kKeyZ, kKeyTab, kKeySpace, kKeyLeftCtrl, kKeyLeftShift})
            PlatformInjectKey(window, key, false);
        for (int button : {kLeft, kMiddle, kRight})
            PlatformInjectMouseButton(window, button, false, injected.x, injected.y);
        poll();
        manager.clear();
        CameraManager::getInstance()->removeCamera(camera);
        camera->Release();
        params->setUseWindowMessages(true);
        PlatformUseVirtualClock(false);
    }

    PickBox* place(PickBox* box)
    {
        manager.add(box, true);
        graph.addObject(box, true);
        return box;
    }

    void poll()
    {
        PlatformAdvanceVirtualClock(10000);
        input->update();
    }

    D3DXVECTOR2 mouse() const
    {
        const MouseState& m = input->getInputStates().mouseState;
        return D3DXVECTOR2(m.position[0], m.position[1]);
    }

    // The mouse to a whole pixel of the back buffer, in one movement.
    void moveTo(const D3DXVECTOR2& target)
    {
        const D3DXVECTOR2 at = mouse();
        injected.x += static_cast<int>(std::lround(target.x - at.x));
        injected.y += static_cast<int>(std::lround(target.y - at.y));
        PlatformInjectMouseMove(window, injected.x, injected.y);
        poll();
    }

    void button(int which, bool down)
    {
        PlatformInjectMouseButton(window, which, down, injected.x, injected.y);
        poll();
    }

    void click(int which, const D3DXVECTOR2& at)
    {
        moveTo(at);
        button(which, true);
        button(which, false);
    }

    void key(int scancode, bool down)
    {
        PlatformInjectKey(window, scancode, down);
        poll();
    }

    void tap(int scancode)
    {
        key(scancode, true);
        key(scancode, false);
    }

    D3DXVECTOR2 pixelOf(const D3DXVECTOR3& point) const
    {
        const D3DVIEWPORT9 viewport{0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f};
        D3DXVECTOR3 screen;
        D3DXVec3Project(&screen, &point, &viewport, &camera->getProjectionMatrix(), &camera->getViewMatrix(), nullptr);
        return D3DXVECTOR2(std::round(screen.x), std::round(screen.y));
    }

    // The ray through a pixel, from the camera's matrices by unprojection.
    void rayAt(const D3DXVECTOR2& pixel, D3DXVECTOR3& origin, D3DXVECTOR3& direction) const
    {
        const D3DVIEWPORT9 viewport{0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f};
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        D3DXVECTOR3 near(pixel.x, pixel.y, 0.0f), far(pixel.x, pixel.y, 1.0f);
        D3DXVec3Unproject(&near, &near, &viewport, &camera->getProjectionMatrix(), &camera->getViewMatrix(), &identity);
        D3DXVec3Unproject(&far, &far, &viewport, &camera->getProjectionMatrix(), &camera->getViewMatrix(), &identity);
        origin = camera->getEyePosition();
        direction = far - near;
        D3DXVec3Normalize(&direction, &direction);
    }

    // Where the pixel's ray meets the plane through point with that normal.
    D3DXVECTOR3 planeHit(const D3DXVECTOR2& pixel, const D3DXVECTOR3& point, const D3DXVECTOR3& normal) const
    {
        D3DXVECTOR3 origin, direction;
        rayAt(pixel, origin, direction);
        const D3DXVECTOR3 toPoint = point - origin;
        return origin + direction * (D3DXVec3Dot(&toPoint, &normal) / D3DXVec3Dot(&direction, &normal));
    }

    float width = 0.0f;
    float height = 0.0f;
    HWND window = nullptr;
    DInputInitParams* params = nullptr;
    DirectInputInterface* input = nullptr;
    POINT injected{300, 300};
    LookAtCamera* camera = nullptr;
    SceneGraph graph;
    ObjektManager manager;
    PickBox* kiste = nullptr;
    PickBox* fass = nullptr;
};

TEST_F(ObjektEditorTest, AClickSelectsTheObjectUnderTheMouseAndOneOnEmptyGroundOrWithoutCameraClearsIt)
{
    manager.setMouseMode(true);
    const D3DXVECTOR2 atKiste = pixelOf(kiste->getBasePosition());
    click(kLeft, atKiste);
    EXPECT_EQ(manager.getEditObject(), kiste);
    // Grabbed where the ray meets the horizontal plane through the box.
    const D3DXVECTOR3 grab = planeHit(atKiste, kiste->getBasePosition(), D3DXVECTOR3(0, 1, 0));
    expectNear(manager.getGrabPoint(), grab);
    expectNear(manager.getGrabOffset(), grab - kiste->getBasePosition());

    click(kLeft, pixelOf(fass->getBasePosition()));
    EXPECT_EQ(manager.getEditObject(), fass);

    manager.setEditKind(1);
    manager.setEditMode(1);
    click(kLeft, D3DXVECTOR2(5, 5));
    EXPECT_EQ(manager.getEditObject(), nullptr);
    EXPECT_EQ(manager.getEditKind(), 0);
    EXPECT_EQ(manager.getEditMode(), 0);

    // Without a camera nothing can be picked: a click clears, and there is no point either.
    click(kLeft, atKiste);
    ASSERT_EQ(manager.getEditObject(), kiste);
    CameraManager::getInstance()->setActiveCamera(nullptr);
    D3DXVECTOR3 point(7, 7, 7);
    EXPECT_FALSE(manager.pickPointUnderMouse(point));
    EXPECT_EQ(point, D3DXVECTOR3(7, 7, 7));
    click(kLeft, atKiste);
    EXPECT_EQ(manager.getEditObject(), nullptr);
}

// A level lays the picture into a panel: a click picks what the panel shows under the mouse,
// and the camera-facing plane spans the panel's corners.
TEST_F(ObjektEditorTest, PickingMapsTheMouseThroughThePanelThePictureIsShownIn)
{
    manager.setMouseMode(true);
    const RECT panel{static_cast<LONG>(width * 0.4f), static_cast<LONG>(height * 0.3f), static_cast<LONG>(width * 0.9f),
                     static_cast<LONG>(height * 0.8f)};
    const float sx = static_cast<float>(panel.right - panel.left) / width;
    const float sy = static_cast<float>(panel.bottom - panel.top) / height;
    auto inPanel = [&](const D3DXVECTOR3& point) {
        const D3DXVECTOR2 whole = pixelOf(point);
        return D3DXVECTOR2(std::round(static_cast<float>(panel.left) + whole.x * sx),
                           std::round(static_cast<float>(panel.top) + whole.y * sy));
    };
    manager.setPictureRect(panel);
    click(kLeft, inPanel(kiste->getBasePosition()));
    EXPECT_EQ(manager.getEditObject(), kiste);
    click(kLeft, inPanel(fass->getBasePosition()));
    EXPECT_EQ(manager.getEditObject(), fass);
    // Where the box would stand in a picture over the whole back buffer the panel shows ground.
    click(kLeft, pixelOf(kiste->getBasePosition()));
    EXPECT_EQ(manager.getEditObject(), nullptr);
    D3DXVECTOR3 origin, direction, expected, unused;
    ASSERT_TRUE(manager.computePickRay(inPanel(D3DXVECTOR3(1, 0, 1)), camera, origin, direction));
    rayAt(pixelOf(D3DXVECTOR3(1, 0, 1)), unused, expected);
    expectNear(direction, expected, 2e-3f);

    manager.setPictureRect(RECT{});
    click(kLeft, pixelOf(kiste->getBasePosition()));
    EXPECT_EQ(manager.getEditObject(), kiste);
}

TEST_F(ObjektEditorTest, AClickWithSpaceHeldNamesThePickedObjectInTheConsoleLine)
{
    struct Recorder : sigslot::has_slots<> {
        std::vector<std::wstring> texts;
        void picked(const std::wstring& text) { texts.push_back(text); }
    } recorder;
    manager.consoleTextPicked.connect(&recorder, &Recorder::picked);
    manager.setMouseMode(true);
    manager.setEditObject(fass);
    key(kKeySpace, true);
    click(kLeft, pixelOf(kiste->getBasePosition()));
    click(kLeft, D3DXVECTOR2(5, 5));
    key(kKeySpace, false);
    // The same while the in-game console is shown.
    MainLoopSignals::getInstance().setConsoleVisible(true);
    click(kLeft, pixelOf(kiste->getBasePosition()));
    MainLoopSignals::getInstance().setConsoleVisible(false);
    EXPECT_EQ(recorder.texts, (std::vector<std::wstring>{L" Kiste", L" Kiste"}));
    EXPECT_EQ(manager.getEditObject(), fass) << "the selection stays";

    // The engine puts the text at the line's cursor.
    UlvoEngine* engine = UlvoEngine::getInstance();
    engine->trimConsoleHistory();
    TypedConsoleCommand* line = engine->getCurrentConsoleLine();
    ASSERT_NE(line, nullptr);
    line->parse(L"OBJ_Remove");
    line->setCursor(10);
    engine->insertConsoleText(L" Kiste");
    EXPECT_EQ(line->getLine(), L"OBJ_Remove Kiste");
    EXPECT_EQ(line->getCursor(), 16);
    line->parse(L"");
    line->setCursor(0);
}

TEST_F(ObjektEditorTest, WithTheMouseModeOffOnlyCtrlVActsAndItCopiesIntoTheInstanceGroup)
{
    manager.setEditObject(kiste);
    tap(kKeyX);
    button(kMiddle, true);
    button(kMiddle, false);
    click(kLeft, pixelOf(fass->getBasePosition()));
    EXPECT_EQ(manager.getAxisMask(), 7);
    EXPECT_EQ(manager.getEditKind(), 0);
    EXPECT_EQ(manager.getEditObject(), kiste);

    key(kKeyLeftCtrl, true);
    tap(kKeyV);
    BaseObjekt* copy = manager.getEditObject();
    ASSERT_NE(copy, kiste);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->getName(), L"Kiste_INSTANZ_" + std::to_wstring(copy->getNumber()));
    EXPECT_EQ(manager.find(copy->getName()), copy);
    EXPECT_EQ(copy->getInstanceGroup(), kiste);
    EXPECT_EQ(copy->getSceneGraph(), &graph);
    EXPECT_EQ(copy->getBasePosition(), kiste->getBasePosition());
    EXPECT_EQ(manager.getEditMode(), 1);

    // A copy of the copy is named after the group's root.
    tap(kKeyV);
    BaseObjekt* second = manager.getEditObject();
    ASSERT_NE(second, copy);
    EXPECT_EQ(second->getName(), L"Kiste_INSTANZ_" + std::to_wstring(second->getNumber()));
    EXPECT_EQ(second->getInstanceGroup(), kiste);
    key(kKeyLeftCtrl, false);
}

TEST_F(ObjektEditorTest, TheMiddleButtonCyclesTheDragKindAndKeysPickAxesAndPlanes)
{
    manager.setMouseMode(true);
    click(kLeft, pixelOf(kiste->getBasePosition()));
    ASSERT_EQ(manager.getEditObject(), kiste);
    const int kinds[5] = {1, 2, 3, 4, 0};
    const int planes[5] = {0, 2, 0, 0, 0};
    for (int i = 0; i < 5; ++i) {
        button(kMiddle, true);
        button(kMiddle, false);
        EXPECT_EQ(manager.getEditKind(), kinds[i]);
        EXPECT_EQ(manager.getPlaneMode(), planes[i]) << "after press " << i + 1;
    }
    // DIK_X toggles x, DIK_Z toggles y, DIK_Y toggles z.
    tap(kKeyX);
    EXPECT_EQ(manager.getAxisMask(), 6);
    tap(kKeyZ);
    EXPECT_EQ(manager.getAxisMask(), 4);
    tap(kKeyY);
    EXPECT_EQ(manager.getAxisMask(), 0);

    manager.setEditKind(1);
    key(kKeyLeftShift, true);
    tap(kKeyZ);
    EXPECT_EQ(manager.getPlaneMode(), 1);
    tap(kKeyC);
    EXPECT_EQ(manager.getPlaneMode(), 1) << "C chooses a plane only when turning";
    manager.setEditKind(3);
    tap(kKeyC);
    EXPECT_EQ(manager.getPlaneMode(), 2);
    tap(kKeyX);
    EXPECT_EQ(manager.getPlaneMode(), 0);
    key(kKeyLeftShift, false);
    EXPECT_EQ(manager.getAxisMask(), 0) << "shifted keys choose planes, not axes";
}

TEST_F(ObjektEditorTest, DraggingMovesOnTheHorizontalPlaneAndOnlyUpOnTheVerticalOneWithTheYAxis)
{
    manager.setMouseMode(true);
    const D3DXVECTOR2 press = pixelOf(kiste->getBasePosition());
    click(kLeft, press);
    button(kMiddle, true);
    button(kMiddle, false);
    ASSERT_EQ(manager.getEditKind(), 1);

    button(kLeft, true);
    const D3DXVECTOR2 to = pixelOf(D3DXVECTOR3(2, 0, 1));
    moveTo(to);
    const D3DXVECTOR3 up(0, 1, 0);
    expectNear(kiste->getBasePosition(),
               planeHit(to, D3DXVECTOR3(0, 0, 0), up) - planeHit(press, D3DXVECTOR3(0, 0, 0), up));
    EXPECT_GT(manager.getDragDistance(), 10.0f);
    button(kLeft, false);
    EXPECT_EQ(manager.getEditObject(), kiste) << "a drag is no click";

    // Only y, on the upright plane facing the camera (which looks along +z).
    tap(kKeyX);
    tap(kKeyY);
    ASSERT_EQ(manager.getAxisMask(), 2);
    key(kKeyLeftShift, true);
    tap(kKeyZ);
    key(kKeyLeftShift, false);
    ASSERT_EQ(manager.getPlaneMode(), 1);
    const D3DXVECTOR3 before = kiste->getBasePosition();
    const D3DXVECTOR2 start = pixelOf(before);
    moveTo(start);
    button(kLeft, true);
    const D3DXVECTOR2 higher = start - D3DXVECTOR2(0, 60);
    moveTo(higher);
    button(kLeft, false);
    const D3DXVECTOR3 facing(0, 0, 1);
    const D3DXVECTOR3 after = kiste->getBasePosition();
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.z, before.z);
    EXPECT_NEAR(after.y, before.y + planeHit(higher, before, facing).y - planeHit(start, before, facing).y, 1e-3f);
    EXPECT_GT(after.y, before.y + 1.0f);
}

TEST_F(ObjektEditorTest, ScalingFollowsTheDistanceOnTheCameraFacingPlaneAndAFallenBackGrabChangesNothing)
{
    manager.setMouseMode(true);
    const D3DXVECTOR3 p = kiste->getBasePosition();
    click(kLeft, pixelOf(p));
    for (int i = 0; i < 2; ++i) {
        button(kMiddle, true);
        button(kMiddle, false);
    }
    ASSERT_EQ(manager.getEditKind(), 2);
    ASSERT_EQ(manager.getPlaneMode(), 2);
    tap(kKeyX);
    tap(kKeyY);
    ASSERT_EQ(manager.getAxisMask(), 2);

    // The facing plane lies across the view at the depth where the screen corner's ray reaches
    // the object's distance from the eye.
    D3DXVECTOR3 eye, corner, centre, unused;
    rayAt(D3DXVECTOR2(0, 0), eye, corner);
    rayAt(D3DXVECTOR2(width / 2, height / 2), unused, centre);
    const D3DXVECTOR3 toP = p - eye;
    const float depth = D3DXVec3Length(&toP) * D3DXVec3Dot(&corner, &centre);
    auto facingHit = [&](const D3DXVECTOR2& pixel) {
        D3DXVECTOR3 origin, direction;
        rayAt(pixel, origin, direction);
        return origin + direction * (depth / D3DXVec3Dot(&direction, &centre));
    };
    const D3DXVECTOR2 press = pixelOf(p) + D3DXVECTOR2(40, 0);
    const D3DXVECTOR2 to = pixelOf(p) + D3DXVECTOR2(100, 0);
    moveTo(press);
    button(kLeft, true);
    expectNear(manager.getGrabPoint(), facingHit(press), 2e-3f);
    moveTo(to);
    button(kLeft, false);
    const D3DXVECTOR3 grabbed = p - facingHit(press);
    const D3DXVECTOR3 reached = p - facingHit(to);
    const float f = D3DXVec3Length(&reached) / D3DXVec3Length(&grabbed);
    EXPECT_GT(f, 1.1f);
    expectNear(kiste->getScale(), D3DXVECTOR3(1, f, 1), 2e-3f);

    // Pressed without a camera, the grab point falls back to the object itself: the drag then has
    // no distance to measure by and leaves the scale as it is.
    const D3DXVECTOR3 scale = kiste->getScale();
    CameraManager::getInstance()->setActiveCamera(nullptr);
    button(kLeft, true);
    EXPECT_EQ(manager.getGrabPoint(), p);
    CameraManager::getInstance()->setActiveCamera(camera);
    moveTo(to + D3DXVECTOR2(30, 10));
    button(kLeft, false);
    EXPECT_EQ(kiste->getScale(), scale);
    EXPECT_EQ(kiste->getBasePosition(), p);
}

TEST_F(ObjektEditorTest, TurningAppliesOnlyTheYawOfTheHorizontalTravelWithTheYAxisAndShiftAndCtrlScaleIt)
{
    manager.setMouseMode(true);
    click(kLeft, pixelOf(kiste->getBasePosition()));
    for (int i = 0; i < 3; ++i) {
        button(kMiddle, true);
        button(kMiddle, false);
    }
    ASSERT_EQ(manager.getEditKind(), 3);
    tap(kKeyX);
    tap(kKeyY);
    ASSERT_EQ(manager.getAxisMask(), 2);

    auto drag = [&](const D3DXVECTOR2& by) {
        button(kLeft, true);
        moveTo(mouse() + by);
        button(kLeft, false);
    };
    auto expectYaw = [&](float degrees) {
        D3DXQUATERNION expected;
        D3DXQuaternionRotationYawPitchRoll(&expected, degrees * kDegrees, 0.0f, 0.0f);
        const D3DXQUATERNION& r = kiste->getRotation();
        const float dot = std::fabs(r.x * expected.x + r.y * expected.y + r.z * expected.z + r.w * expected.w);
        EXPECT_NEAR(dot, 1.0f, 1e-5f) << "yaw " << degrees;
    };
    moveTo(D3DXVECTOR2(200, 200));
    drag(D3DXVECTOR2(80, 40)); // 80 units at 0.125 degrees; the vertical travel would pitch
    expectYaw(10.0f);
    key(kKeyLeftShift, true);
    drag(D3DXVECTOR2(80, 0)); // an eighth
    expectYaw(11.25f);
    key(kKeyLeftCtrl, true);
    drag(D3DXVECTOR2(-80, 0)); // an eighth, times four
    expectYaw(6.25f);
    key(kKeyLeftCtrl, false);

    // On the upright plane the heading takes the yaw.
    kiste->setRotation(D3DXQUATERNION(0, 0, 0, 1));
    tap(kKeyZ);
    key(kKeyLeftShift, false);
    ASSERT_EQ(manager.getPlaneMode(), 1);
    drag(D3DXVECTOR2(80, 0));
    expectYaw(10.0f);
    // In camera space the yaw turns about the camera's up axis.
    kiste->setRotation(D3DXQUATERNION(0, 0, 0, 1));
    key(kKeyLeftShift, true);
    tap(kKeyC);
    key(kKeyLeftShift, false);
    ASSERT_EQ(manager.getPlaneMode(), 2);
    drag(D3DXVECTOR2(80, 0));
    const D3DXMATRIX& toWorld = camera->getViewInverseMatrix();
    D3DXVECTOR3 axis(toWorld._21, toWorld._22, toWorld._23);
    D3DXVec3Normalize(&axis, &axis);
    ASSERT_NEAR(axis.z, std::sqrt(0.5f), 1e-4f) << "the camera looks down at 45 degrees";
    D3DXQUATERNION expected;
    D3DXQuaternionRotationAxis(&expected, &axis, 10.0f * kDegrees);
    const D3DXQUATERNION& r = kiste->getRotation();
    EXPECT_NEAR(std::fabs(r.x * expected.x + r.y * expected.y + r.z * expected.z + r.w * expected.w), 1.0f, 1e-5f);
    EXPECT_EQ(kiste->getBasePosition(), D3DXVECTOR3(0, 0, 0));
}

TEST_F(ObjektEditorTest, TheRightButtonCopiesPositionRotationAndScaleOnTheChosenAxes)
{
    fass->setRotationYawPitchRoll(D3DXVECTOR3(30, 0, 0));
    fass->setScale(D3DXVECTOR3(2, 3, 4));
    kiste->setPosition(D3DXVECTOR3(0, 0.25f, 0));
    manager.setMouseMode(true);
    click(kLeft, pixelOf(kiste->getBasePosition()));
    ASSERT_EQ(manager.getEditObject(), kiste);
    tap(kKeyZ); // y off: x and z
    ASSERT_EQ(manager.getAxisMask(), 5);

    const D3DXVECTOR2 atFass = pixelOf(fass->getBasePosition());
    key(kKeyLeftShift, true);
    click(kRight, atFass);
    key(kKeyLeftShift, false);
    EXPECT_EQ(kiste->getBasePosition(), D3DXVECTOR3(3, 0.25f, 2));
    EXPECT_EQ(kiste->getScale(), D3DXVECTOR3(1, 1, 1));

    key(kKeyLeftCtrl, true);
    key(kKeySpace, true);
    click(kRight, atFass);
    key(kKeySpace, false);
    key(kKeyLeftCtrl, false);
    EXPECT_EQ(kiste->getRotation(), fass->getRotation());
    EXPECT_EQ(kiste->getScale(), D3DXVECTOR3(2, 1, 4));

    // With TAB: the point where the ray meets the nearest object.
    kiste->setPosition(D3DXVECTOR3(-5, 0.25f, -5));
    D3DXVECTOR3 origin, direction;
    rayAt(atFass, origin, direction);
    float distance = 0.0f;
    ASSERT_TRUE(fass->getIntersectionDist(origin, direction, distance));
    const D3DXVECTOR3 hit = origin + direction * distance;
    key(kKeyTab, true);
    click(kRight, atFass);
    key(kKeyTab, false);
    expectNear(kiste->getBasePosition(), D3DXVECTOR3(hit.x, 0.25f, hit.z));
}

TEST_F(ObjektEditorTest, ThePickRayAndTheEditPlanes)
{
    D3DXVECTOR3 origin, direction;
    const D3DXVECTOR2 centre = pixelOf(D3DXVECTOR3(0, 0, 0));
    ASSERT_TRUE(manager.computePickRay(centre, camera, origin, direction));
    expectNear(origin, D3DXVECTOR3(0, 10, -10));
    D3DXVECTOR3 expected, unused;
    rayAt(centre, unused, expected);
    expectNear(direction, expected, 1e-4f);
    EXPECT_FALSE(manager.computePickRay(centre, nullptr, origin, direction));

    D3DXVECTOR3 point(9, 9, 9);
    moveTo(centre);
    EXPECT_FALSE(manager.getEditPlanePoint(point, 0, D3DXVECTOR3(0, 0, 0), 0.0f)) << "no edited object";
    manager.setEditObject(kiste);
    EXPECT_FALSE(manager.getEditPlanePoint(point, 3, D3DXVECTOR3(0, 0, 0), 0.0f));
    EXPECT_EQ(point, D3DXVECTOR3(9, 9, 9));
    ASSERT_TRUE(manager.getEditPlanePoint(point, 0, D3DXVECTOR3(0, 0, 0), 0.0f));
    expectNear(point, planeHit(centre, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0)));

    // Looking nearly level: the middle of the screen meets the ground beyond the square's edge,
    // its top row above the horizon meets nothing.
    camera->setEyePosition(D3DXVECTOR3(0, 1, 0));
    camera->setLookAt(D3DXVECTOR3(0, 0.99f, 100));
    point = D3DXVECTOR3(9, 9, 9);
    moveTo(D3DXVECTOR2(width / 2, height / 2));
    EXPECT_FALSE(manager.getEditPlanePoint(point, 0, D3DXVECTOR3(0, 0, 0), 0.0f));
    moveTo(D3DXVECTOR2(width / 2, 0));
    EXPECT_FALSE(manager.getEditPlanePoint(point, 0, D3DXVECTOR3(0, 0, 0), 0.0f));
    EXPECT_EQ(point, D3DXVECTOR3(9, 9, 9));
    // The upright plane faces the camera, wherever it turns.
    camera->setEyePosition(D3DXVECTOR3(-10, 1, 0));
    camera->setLookAt(D3DXVECTOR3(100, 0.5f, 0));
    moveTo(D3DXVECTOR2(width / 2 + 20, height / 2 + 10));
    ASSERT_TRUE(manager.getEditPlanePoint(point, 1, D3DXVECTOR3(0, 0, 0), 0.0f));
    expectNear(point, planeHit(mouse(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0)));
}

TEST_F(ObjektEditorTest, TheBoxBuffersGoWithTheDeviceAndComeBackAfterItsReset)
{
    manager.createDeviceResources();
    EXPECT_TRUE(manager.hasDeviceResources());
    // Told after the manager: what it holds while the device is reset.
    struct Probe : sigslot::has_slots<> {
        ObjektManager* objects = nullptr;
        std::vector<bool> seen;
        void lost() { seen.push_back(objects->hasDeviceResources()); }
    } probe;
    probe.objects = &manager;
    D3DInterface* d3d = D3DInterface::getInstance();
    d3d->lostDevice.connect(&probe, &Probe::lost);
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    d3d->lostDevice.disconnect(&probe);
    EXPECT_EQ(probe.seen, std::vector<bool>{false});
    EXPECT_TRUE(manager.hasDeviceResources());
    manager.releaseDeviceResources();
    EXPECT_FALSE(manager.hasDeviceResources());
    // Drawing without them does nothing.
    manager.drawBox(AABB(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)), 0xFFFFFF00, false);
}

// The windmill is hit by its tower and sails as they stand at rest, turned and moved with the object.
TEST_F(ObjektEditorTest, AnAnimatedMeshIsHitByItsMeshes)
{
    LogCapture logs;
    ASSERT_TRUE(SceneTesting::loadSceneData(logs.folder()));
    XMLNode scene;
    ASSERT_TRUE(XMLNode::load(&scene,
                              L"<SZENE><OBJEKT NAME=\"Muehle\" TYPE=\"ANI_MESH\"><BASE_DATA EFFECT=\"Material\">"
                              L"<RENDERPASSES DEFAULT=\"1\"/><POSITION X=\"6\" Y=\"0\" Z=\"4\"/></BASE_DATA>"
                              L"<ANIMESH_DATA NAME=\"WINDMUEHLE\"/></OBJEKT></SZENE>",
                              1));
    manager.clear();
    ASSERT_EQ(manager.loadSceneFile(&scene).size(), 1u);
    BaseObjekt* mill = manager.find(L"Muehle");
    ASSERT_NE(mill, nullptr);
    float distance = 0.0f;
    ASSERT_TRUE(mill->getIntersectionDist(D3DXVECTOR3(6, 1.5f, -10), D3DXVECTOR3(0, 0, 1), distance));
    EXPECT_GT(distance, 12.0f);
    EXPECT_LT(distance, 14.0f);
    EXPECT_FALSE(mill->getIntersectionDist(D3DXVECTOR3(0, 1.5f, -10), D3DXVECTOR3(0, 0, 1), distance));
    EXPECT_FALSE(mill->getIntersectionDist(D3DXVECTOR3(6, 1.5f, -10), D3DXVECTOR3(0, 0, -1), distance));
}

TEST_F(ObjektEditorTest, ASelectedCratesBoxIsDrawnOverTheFrame)
{
    constexpr UINT kW = 320;
    constexpr UINT kH = 240;
    LogCapture logs;
    ASSERT_TRUE(SceneTesting::loadSceneData(logs.folder()));
    XMLNode scene;
    ASSERT_TRUE(XMLNode::load(&scene,
                              L"<SZENE><OBJEKT NAME=\"Wiese\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\">"
                              L"<RENDERPASSES DEFAULT=\"1\"/><SCALE X=\"2\" Y=\"1\" Z=\"2\"/></BASE_DATA>"
                              L"<MESH_DATA NAME=\"BODEN\"/></OBJEKT>"
                              L"<OBJEKT NAME=\"Kiste3D\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\">"
                              L"<RENDERPASSES DEFAULT=\"1\"/><POSITION X=\"0\" Y=\"1\" Z=\"0\"/>"
                              L"<SCALE X=\"2\" Y=\"2\" Z=\"2\"/><ROTATION YAW=\"45\"/></BASE_DATA>"
                              L"<MESH_DATA NAME=\"KISTE\"/></OBJEKT></SZENE>",
                              1));
    manager.clear();
    ASSERT_EQ(manager.loadSceneFile(&scene).size(), 2u);
    BaseObjekt* crate = manager.find(L"Kiste3D");
    ASSERT_NE(crate, nullptr);
    manager.createDeviceResources();

    // Picked by its mesh under the mouse.
    manager.setMouseMode(true);
    camera->setEyePosition(D3DXVECTOR3(0, 6, -9));
    camera->setLookAt(D3DXVECTOR3(0, 1, 0));
    click(kLeft, pixelOf(crate->getBasePosition()));
    ASSERT_EQ(manager.getEditObject(), crate);

    RenderManager renderer;
    XMLNode config;
    XMLNode::load(&config,
                  L"<RENDERCONFIG SKIP_POSTEFFECTS=\"1\"><RENDERPASS NAME=\"SZENE\" TECHNIQUE=\"T_DIFFUSE\"/>"
                  L"<FORWARD_RENDERING CLEAR_COLOR=\"FF8090A0\" USE_ALPHA=\"0\" ENABLE=\"1\"/>"
                  L"<POSTEFFECT_RENDERING ENABLE=\"0\"/><ACTIVE_RENDERPASSES>\"|SZENE|\"</ACTIVE_RENDERPASSES>"
                  L"</RENDERCONFIG>",
                  1);
    renderer.load(&config);
    renderer.setSceneGraph(&graph);
    renderer.setShadowQuality(QUALITY_LOW);
    renderer.setWaterQuality(QUALITY_LOW);
    renderer.setRenderTargetSize(kW, kH);
    RenderTesting::sunAllDay(graph, L"X=\"-1\" Y=\"2\" Z=\"-1.5\"", L"FFFFF0D0", L"FF606068");

    // The selection's box over the frame, as an overlay of the forward renderer.
    struct Overlay : sigslot::has_slots<> {
        ObjektManager* objects = nullptr;
        Camera* view = nullptr;
        void draw(ForwardRenderer&)
        {
            view->applyTransforms();
            objects->getEditObject()->renderBoundingBox(0xFFFFFF00, false);
        }
    } overlay;
    overlay.objects = &manager;
    overlay.view = camera;
    renderer.getForwardRenderer()->postRender.connect(&overlay, &Overlay::draw);

    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    GraphicsTesting::ScopedTarget target(device, kW, kH);
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* previousDepth = nullptr;
    ASSERT_TRUE(SUCCEEDED(
        device->CreateDepthStencilSurface(kW, kH, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr)));
    device->GetDepthStencilSurface(&previousDepth);
    device->SetDepthStencilSurface(depth);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    renderer.render(camera);
    const GraphicsTesting::Image image = target.read();
    device->SetDepthStencilSurface(previousDepth);
    if (previousDepth)
        previousDepth->Release();
    depth->Release();

    // A quarter along the box's near top edge, in the air before the turned crate: yellow.
    const AABB& box = crate->getBoundingBox();
    const D3DXVECTOR3 onEdge(box.getMin().x + 0.25f * (box.getMax().x - box.getMin().x), box.getMax().y,
                             box.getMin().z);
    const POINT at = RenderTesting::pixelOf(*camera, onEdge, kW, kH);
    bool yellow = false;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const D3DCOLOR c = image.at(at.x + dx, at.y + dy);
            yellow = yellow || (c & 0x00FFFFFF) == 0x00FFFF00;
        }
    }
    EXPECT_TRUE(yellow) << "the box's edge near " << at.x << ", " << at.y;
    // The box is drawn as lines: the crate's middle keeps its own colour.
    const POINT middle = RenderTesting::pixelOf(*camera, crate->getBasePosition(), kW, kH);
    EXPECT_NE(image.at(middle.x, middle.y) & 0x00FFFFFF, 0x00FFFF00u);
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "scene" / "golden",
                                           "editor_selected_box"));
    manager.setEditObject(nullptr);
}

} // namespace
