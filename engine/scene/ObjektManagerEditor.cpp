// The object manager's editor: the pick ray under the mouse, the edit planes through the edited
// object, and the key and mouse slots that select, drag, copy transforms and copy objects.
//
// A drag works on absolute points: the grab point is where the ray met the edit plane when the
// drag began, and every step puts the object where the ray meets the plane now, less the offset
// it had to the grab point. Scaling measures the ray's point against the object's position on the
// camera-facing plane; turning uses the mouse's movement itself.
#include <d3dx9mesh.h>

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "foundation/app/MainLoopSignals.h"
#include "foundation/logging/Logger.h"
#include "render/cameras/Camera.h"
#include "render/cameras/CameraManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/DirectionAngle.h"
#include "scene/ObjektManager.h"

#include <cfloat>
#include <cmath>
#include <vector>

namespace Ulvo {

namespace {

constexpr float kClickThreshold = 10.0f;
constexpr float kWheelDivisor = 120.0f;
constexpr float kFineFactor = 0.125f;
constexpr float kCoarseFactor = 4.0f;
constexpr float kRotationSpeed = 0.125f; // degrees per mouse unit
constexpr float kDegreesToRadians = 0.01745329238474369f;
constexpr float kPlaneHalfSize = 2048.0f;

KeyState& keyState()
{
    return DirectInputInterface::getInstance()->getKeyState();
}

bool keyDown(unsigned char key)
{
    return keyState().isKeyDown(key, false);
}

bool shiftDown()
{
    return keyDown(DIK_LSHIFT) || keyDown(DIK_RSHIFT);
}

bool ctrlDown()
{
    return keyDown(DIK_LCONTROL) || keyDown(DIK_RCONTROL);
}

D3DXVECTOR2 mousePosition()
{
    const MouseState& mouse = DirectInputInterface::getInstance()->getInputStates().mouseState;
    return D3DXVECTOR2(mouse.position[0], mouse.position[1]);
}

// The back buffer's size, or the input's screen while no device settings exist.
void screenSize(float& width, float& height)
{
    width = height = 0.0f;
    if (const D3DPRESENT_PARAMETERS* pp = D3DInterface::getInstance()->getPresentParams()) {
        width = static_cast<float>(pp->BackBufferWidth);
        height = static_cast<float>(pp->BackBufferHeight);
    }
    if (width <= 0.0f || height <= 0.0f) {
        DirectInputInterface* input = DirectInputInterface::getInstance();
        width = static_cast<float>(input->getScreenWidth());
        height = static_cast<float>(input->getScreenHeight());
    }
}

// The components of axes outside the mask (x 1, y 2, z 4) taken from keep.
D3DXVECTOR3 onAxes(const D3DXVECTOR3& value, const D3DXVECTOR3& keep, int mask)
{
    return D3DXVECTOR3((mask & 1) ? value.x : keep.x, (mask & 2) ? value.y : keep.y, (mask & 4) ? value.z : keep.z);
}

void logPick(const std::wstring& name, float distance)
{
    mainLogger().log(50, LOG_TYPE_INFO, L"Hit: ", name, L" Dist: ", std::to_wstring(distance), L"\n");
}

} // namespace

RECT ObjektManager::pictureArea() const
{
    if (m_pictureRect.right > m_pictureRect.left && m_pictureRect.bottom > m_pictureRect.top)
        return m_pictureRect;
    float width = 0.0f;
    float height = 0.0f;
    screenSize(width, height);
    return RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
}

bool ObjektManager::computePickRay(const D3DXVECTOR2& screen, const Camera* camera, D3DXVECTOR3& origin,
                                   D3DXVECTOR3& direction) const
{
    if (!camera)
        return false;
    const RECT area = pictureArea();
    const float width = static_cast<float>(area.right - area.left);
    const float height = static_cast<float>(area.bottom - area.top);
    const D3DXMATRIX& projection = camera->getProjectionMatrix();
    if (width <= 0.0f || height <= 0.0f || projection._11 == 0.0f || projection._22 == 0.0f)
        return false;
    const float x = screen.x - static_cast<float>(area.left);
    const float y = screen.y - static_cast<float>(area.top);
    const D3DXVECTOR3 view((2.0f * x / width - 1.0f) / projection._11, -(2.0f * y / height - 1.0f) / projection._22,
                           1.0f);
    const D3DXMATRIX& inverse = camera->getViewInverseMatrix();
    direction = D3DXVECTOR3(view.x * inverse._11 + view.y * inverse._21 + view.z * inverse._31,
                            view.x * inverse._12 + view.y * inverse._22 + view.z * inverse._32,
                            view.x * inverse._13 + view.y * inverse._23 + view.z * inverse._33);
    D3DXVec3Normalize(&direction, &direction);
    origin = D3DXVECTOR3(inverse._41, inverse._42, inverse._43);
    return true;
}

bool ObjektManager::getEditPlanePoint(D3DXVECTOR3& point, int planeMode, const D3DXVECTOR3& reference, float offset)
{
    Camera* camera = CameraManager::getInstance()->getActiveCamera();
    if (!camera)
        return false;
    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction;
    if (!computePickRay(mousePosition(), camera, origin, direction) || !m_editObject)
        return false;
    const D3DXVECTOR3 q = m_editObject->getBasePosition();
    const D3DXVECTOR3 toReference = reference - origin;
    const float distance = D3DXVec3Length(&toReference) + offset;

    D3DXVECTOR3 corners[4];
    const float h = kPlaneHalfSize;
    switch (planeMode) {
    case 0:
        corners[0] = q + D3DXVECTOR3(-h, 0.0f, -h);
        corners[1] = q + D3DXVECTOR3(h, 0.0f, -h);
        corners[2] = q + D3DXVECTOR3(-h, 0.0f, h);
        corners[3] = q + D3DXVECTOR3(h, 0.0f, h);
        break;
    case 1: {
        // Upright, turned about y to face the camera's heading: its width runs across the view.
        const D3DXMATRIX& inverse = camera->getViewInverseMatrix();
        const float heading = directionAngle(inverse._31, inverse._33) * kDegreesToRadians;
        const D3DXVECTOR3 across(-std::sin(heading) * h, 0.0f, std::cos(heading) * h);
        const D3DXVECTOR3 up(0.0f, h, 0.0f);
        corners[0] = q - across - up;
        corners[1] = q + across - up;
        corners[2] = q - across + up;
        corners[3] = q + across + up;
        break;
    }
    case 2: {
        const RECT area = pictureArea();
        const float l = static_cast<float>(area.left);
        const float t = static_cast<float>(area.top);
        const float r = static_cast<float>(area.right);
        const float b = static_cast<float>(area.bottom);
        const D3DXVECTOR2 screen[4] = {{l, t}, {r, t}, {l, b}, {r, b}};
        for (int i = 0; i < 4; ++i) {
            D3DXVECTOR3 cornerOrigin;
            D3DXVECTOR3 cornerDirection;
            computePickRay(screen[i], camera, cornerOrigin, cornerDirection);
            corners[i] = cornerOrigin + cornerDirection * distance;
        }
        break;
    }
    default:
        return false;
    }
    float t = 0.0f;
    if (D3DXIntersectTri(&corners[0], &corners[1], &corners[2], &origin, &direction, nullptr, nullptr, &t) ||
        D3DXIntersectTri(&corners[1], &corners[2], &corners[3], &origin, &direction, nullptr, nullptr, &t)) {
        point = origin + direction * t;
        return true;
    }
    return false;
}

BaseObjekt* ObjektManager::pickObjectUnderMouse()
{
    Camera* camera = CameraManager::getInstance()->getActiveCamera();
    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction;
    if (!camera || !m_sceneGraph || !computePickRay(mousePosition(), camera, origin, direction))
        return nullptr;
    std::vector<RenderObjekt*> visible;
    m_sceneGraph->getVisibleObjects(camera, visible);
    mainLogger().log(50, LOG_TYPE_INFO, L"--------------------------------------\n");
    BaseObjekt* best = nullptr;
    float bestDistance = FLT_MAX;
    for (RenderObjekt* candidate : visible) {
        auto* object = dynamic_cast<BaseObjekt*>(candidate);
        float distance = 0.0f;
        if (!object || !object->getIntersectionDist(origin, direction, distance))
            continue;
        logPick(object->getName(), distance);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = object;
        }
    }
    return best;
}

bool ObjektManager::pickPointUnderMouse(D3DXVECTOR3& point)
{
    Camera* camera = CameraManager::getInstance()->getActiveCamera();
    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction;
    // Without a camera there is no ray, so no point either.
    if (!camera || !computePickRay(mousePosition(), camera, origin, direction))
        return false;
    std::vector<RenderObjekt*> visible;
    if (m_sceneGraph)
        m_sceneGraph->getVisibleObjects(camera, visible);
    mainLogger().log(50, LOG_TYPE_INFO, L"--------------------------------------\n");
    float bestDistance = FLT_MAX;
    for (RenderObjekt* candidate : visible) {
        auto* object = dynamic_cast<BaseObjekt*>(candidate);
        float distance = 0.0f;
        if (!object || !object->getIntersectionDist(origin, direction, distance))
            continue;
        logPick(object->getName(), distance);
        if (distance < bestDistance)
            bestDistance = distance;
    }
    point = bestDistance < FLT_MAX ? origin + direction * bestDistance : origin;
    return true;
}

void ObjektManager::regrab(const D3DXVECTOR3& reference)
{
    if (!m_editObject)
        return;
    const D3DXVECTOR3 position = m_editObject->getBasePosition();
    if (!getEditPlanePoint(m_grabPoint, m_planeMode, reference, 0.0f))
        m_grabPoint = position;
    m_startScale = m_editObject->getScale();
    m_grabOffset = m_grabPoint - position;
}

void ObjektManager::copyEditObject()
{
    BaseObjekt* source = m_editObject;
    BaseObjekt* copy = source->clone();
    if (!copy) {
        mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::ObjektManager::onKey: \"", source->getName(),
                         L"\" could not be copied\n");
        return;
    }
    BaseObjekt::addInstance(source, copy);
    BaseObjekt* root = source->getInstanceGroup();
    copy->rename((root ? root->getName() : source->getName()) + L"_INSTANZ_" + std::to_wstring(copy->getNumber()));
    // A taken name destroys the copy; the selection stays on its source.
    if (!add(copy, true))
        return;
    setEditObject(copy);
    if (m_sceneGraph)
        m_sceneGraph->addObject(copy, true);
    m_editMode = 1;
}

void ObjektManager::onKey(KeyState& keys, const unsigned char& key)
{
    if (key == DIK_V && keys.isKeyDown(DIK_LCONTROL, false) && m_editObject) {
        copyEditObject();
        return;
    }
    if (!m_mouseMode)
        return;
    if (!shiftDown()) {
        if (key == DIK_X)
            m_axisMask ^= 1;
        else if (key == DIK_Z)
            m_axisMask ^= 2;
        else if (key == DIK_Y)
            m_axisMask ^= 4;
        return;
    }
    const int before = m_planeMode;
    if (m_editKind == 1 || m_editKind == 4 || m_editKind == 3) {
        if (key == DIK_X || key == DIK_Y)
            m_planeMode = 0;
        else if (key == DIK_Z)
            m_planeMode = 1;
        else if (key == DIK_C && m_editKind == 3)
            m_planeMode = 2;
    } else {
        return;
    }
    if (m_editObject && m_planeMode != before)
        regrab(m_grabPoint);
}

void ObjektManager::onMouseButton(MouseState&, const UlvoMouseButton& button)
{
    if (!m_mouseMode)
        return;
    if (button == ULVO_MOUSE_LEFT) {
        m_dragDistance = 0.0f;
        if (m_editObject)
            regrab(m_editObject->getBasePosition());
    } else if (button == ULVO_MOUSE_MIDDLE) {
        // Nothing, move, scale, rotate, velocity.
        m_editKind = (m_editKind + 1) % 5;
        if (!m_editObject || m_editKind < 2)
            return;
        m_planeMode = m_editKind == 2 ? 2 : 0;
        m_axisMask = 7;
        regrab(m_grabPoint);
    }
}

void ObjektManager::onMouseRelease(MouseState&, const UlvoMouseButton& button)
{
    if (!m_mouseMode)
        return;
    if (button == ULVO_MOUSE_LEFT) {
        if (m_dragDistance >= kClickThreshold)
            return;
        BaseObjekt* picked = pickObjectUnderMouse();
        if (keyDown(DIK_SPACE) || MainLoopSignals::getInstance().isConsoleVisible()) {
            if (picked)
                consoleTextPicked.emit(L" " + picked->getName());
            return;
        }
        if (picked) {
            setEditObject(picked);
            regrab(picked->getBasePosition());
        } else {
            setEditObject(nullptr);
            m_editKind = 0;
            m_editMode = 0;
        }
        return;
    }
    if (button != ULVO_MOUSE_RIGHT || !m_editObject)
        return;
    const D3DXVECTOR3 position = m_editObject->getBasePosition();
    if (keyDown(DIK_TAB)) {
        D3DXVECTOR3 point;
        if (pickPointUnderMouse(point))
            m_editObject->setPosition(onAxes(point, position, m_axisMask));
        return;
    }
    BaseObjekt* other = pickObjectUnderMouse();
    if (!other)
        return;
    if (shiftDown())
        m_editObject->setPosition(onAxes(other->getBasePosition(), position, m_axisMask));
    if (ctrlDown())
        m_editObject->setRotation(other->getRotation());
    if (keyDown(DIK_SPACE))
        m_editObject->setScale(onAxes(other->getScale(), m_editObject->getScale(), m_axisMask));
}

void ObjektManager::onMouseAxis(MouseState& mouse, const UlvoAchse& axis)
{
    if (!m_mouseMode || !mouse.isButtonDown(ULVO_MOUSE_LEFT) || !m_editObject)
        return;
    // Every movement is announced once per direction and once whole; the whole signal of each
    // axis carries its share of the step, so a movement counts exactly once.
    D3DXVECTOR3 movement(0.0f, 0.0f, 0.0f);
    if (axis == ULVO_ACHSE_X)
        movement.x = mouse.step[0];
    else if (axis == ULVO_ACHSE_Y)
        movement.y = mouse.step[1];
    else if (axis == ULVO_ACHSE_WHEEL)
        movement.z = mouse.step[2];
    else
        return;
    m_dragDistance += D3DXVec3Length(&movement);
    dragStep(movement, shiftDown(), ctrlDown());
}

void ObjektManager::dragStep(const D3DXVECTOR3& movement, bool shift, bool ctrl)
{
    BaseObjekt* object = m_editObject;
    const D3DXVECTOR3 p = object->getBasePosition();
    switch (m_editKind) {
    case 1:
    case 4: {
        float w = 0.0f;
        if (m_editKind == 1) {
            w = movement.z / kWheelDivisor;
            if (shift)
                w *= kFineFactor;
            if (ctrl)
                w *= kCoarseFactor;
        }
        D3DXVECTOR3 point;
        if (!getEditPlanePoint(point, m_planeMode, m_grabPoint, w))
            return;
        const D3DXVECTOR3 delta = onAxes(point - m_grabOffset - p, D3DXVECTOR3(0.0f, 0.0f, 0.0f), m_axisMask);
        if (m_editKind == 1)
            object->setPosition(p + delta);
        else
            object->applyVelocity(delta);
        return;
    }
    case 2: {
        D3DXVECTOR3 point;
        if (!getEditPlanePoint(point, 2, p, 0.0f))
            return;
        // A grab point that fell back to the object's own position gives no measure to scale by.
        const D3DXVECTOR3 fromGrab = p - m_grabPoint;
        const float grabDistance = D3DXVec3Length(&fromGrab);
        if (!(grabDistance > 1e-6f))
            return;
        const D3DXVECTOR3 fromPoint = p - point;
        const float f = D3DXVec3Length(&fromPoint) / grabDistance;
        D3DXMATRIX scaling;
        D3DXMatrixScaling(&scaling, (m_axisMask & 1) ? f : 1.0f, (m_axisMask & 2) ? f : 1.0f,
                          (m_axisMask & 4) ? f : 1.0f);
        D3DXVECTOR3 scale;
        D3DXVec3TransformCoord(&scale, &m_startScale, &scaling);
        object->setScale(scale);
        return;
    }
    case 3: {
        float factor = kRotationSpeed;
        if (shift)
            factor *= kFineFactor;
        if (ctrl)
            factor *= kCoarseFactor;
        float yaw = movement.x * factor;
        float pitch = movement.y * factor;
        float roll = movement.z * factor / kWheelDivisor;
        if (!(m_axisMask & 1))
            pitch = 0.0f;
        if (!(m_axisMask & 2))
            yaw = 0.0f;
        if (!(m_axisMask & 4))
            roll = 0.0f;
        D3DXQUATERNION q;
        D3DXQuaternionRotationYawPitchRoll(&q, yaw * kDegreesToRadians, pitch * kDegreesToRadians,
                                           roll * kDegreesToRadians);
        D3DXQUATERNION rotation = object->getRotation();
        if (m_planeMode == 2) {
            if (Camera* camera = CameraManager::getInstance()->getActiveCamera()) {
                const D3DXMATRIX cameraRotation = camera->getRotationMatrix();
                D3DXQUATERNION c;
                D3DXQuaternionRotationMatrix(&c, &cameraRotation);
                D3DXQUATERNION inverse;
                D3DXQuaternionInverse(&inverse, &c);
                D3DXQuaternionNormalize(&inverse, &inverse);
                D3DXQuaternionMultiply(&rotation, &rotation, &c);
                D3DXQuaternionMultiply(&rotation, &rotation, &q);
                D3DXQuaternionMultiply(&rotation, &rotation, &inverse);
            } else {
                rotation = q;
            }
            D3DXQuaternionNormalize(&rotation, &rotation);
        } else if (m_planeMode == 1) {
            object->setRotationEuler(object->getRotationEuler() + D3DXVECTOR3(yaw, pitch, roll));
            rotation = object->getRotation();
        } else {
            D3DXQuaternionMultiply(&rotation, &rotation, &q);
            D3DXQuaternionNormalize(&rotation, &rotation);
        }
        object->setRotation(rotation);
        return;
    }
    default:
        return;
    }
}

} // namespace Ulvo
