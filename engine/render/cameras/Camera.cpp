#include "render/cameras/Camera.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/input/TastaturLayout.h"
#include "devices/input/TastaturLayoutManager.h"
#include "foundation/helpers/BoundingVolumes.h"
#include "foundation/logging/Logger.h"
#include "render/manager/RenderManager.h"
#include "render/ScopedMeasure.h"
#include "render/XMLWrites.h"
#include "render/cameras/AttachPoint.h"
#include "render/cameras/CameraManager.h"
#include "render/passes/RenderPassZBuffer.h"
#include "render/scenegraph/RenderObjekt.h"

#include <algorithm>
#include <cmath>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace Ulvo {

namespace {

constexpr double kDegreesToRadiansD = 0.01745329238474369;

// The world position under a screen point, from the z-buffer picture, drawn first when the camera
// moved or it is old.
bool readZBuffer(RenderPassZBuffer* zbuffer, Camera* camera, const D3DXVECTOR2& point, D3DXVECTOR3& world)
{
    return zbuffer->getWorldPosition(camera, point, world, 0);
}

// The FOV as written to the camera file: converted to a 4:3 screen unless taken as given.
double fovFor4To3(const FovRecord& record)
{
    if (record.fovAsGiven || record.referenceAspect == 0.0)
        return record.fov;
    return record.fov * 1.3333333333333333 / record.referenceAspect;
}

// Key names in the camera file, in the file's order.
struct KeyName {
    const wchar_t* name;
    CameraKey key;
};
constexpr KeyName kKeyNames[CAMKEY_COUNT] = {{L"FORWARD", CAMKEY_FORWARD}, {L"BACKWARD", CAMKEY_BACKWARD},
                                             {L"LEFT", CAMKEY_LEFT},       {L"RIGHT", CAMKEY_RIGHT},
                                             {L"UP", CAMKEY_UP},           {L"DOWN", CAMKEY_DOWN},
                                             {L"ROT_X_M", CAMKEY_ROT_X_M}, {L"ROT_X_P", CAMKEY_ROT_X_P},
                                             {L"ROT_Y_M", CAMKEY_ROT_Y_M}, {L"ROT_Y_P", CAMKEY_ROT_Y_P},
                                             {L"ROT_Z_M", CAMKEY_ROT_Z_M}, {L"ROT_Z_P", CAMKEY_ROT_Z_P}};

} // namespace

Camera::Camera(const std::wstring& name)
    : NamedObject(name), m_d3d(D3DInterface::getInstance()), m_input(DirectInputInterface::getInstance())
{
    D3DXMatrixIdentity(&m_projection);
    D3DXMatrixIdentity(&m_inverseProjection);
    D3DXMatrixIdentity(&m_view);
    D3DXMatrixIdentity(&m_localView);
    D3DXMatrixIdentity(&m_inverseView);
    D3DXMatrixIdentity(&m_viewProjection);
    D3DXMatrixIdentity(&m_inverseViewProjection);
    D3DXMatrixIdentity(&m_world);
    for (D3DXPLANE& plane : m_frustum)
        plane = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
    followDevice(*m_d3d);
    buildPerspective();
    m_projectionDirty = true;
    m_viewDirty = true;
    Camera::updateView();
}

Camera::Camera(const Camera& other)
    : NamedObject(other)
    , DeviceResource()
    , projectionChanged(other.projectionChanged)
    , viewChanged(other.viewChanged)
    , cameraChanged(other.cameraChanged)
    , m_projectionDirty(other.m_projectionDirty)
    , m_viewDirty(other.m_viewDirty)
    , m_d3d(other.m_d3d)
    , m_zNear(other.m_zNear)
    , m_zFar(other.m_zFar)
    , m_fov(other.m_fov)
    , m_fovMin(other.m_fovMin)
    , m_fovMax(other.m_fovMax)
    , m_projection(other.m_projection)
    , m_inverseProjection(other.m_inverseProjection)
    , m_view(other.m_view)
    , m_localView(other.m_localView)
    , m_inverseView(other.m_inverseView)
    , m_viewProjection(other.m_viewProjection)
    , m_inverseViewProjection(other.m_inverseViewProjection)
    , m_world(other.m_world)
    , m_cullingWindow(other.m_cullingWindow)
    , m_aspect(other.m_aspect)
    , m_autoAspect(other.m_autoAspect)
    , m_followAttachPoint(other.m_followAttachPoint)
    , m_input(other.m_input)
    , m_disableKeys(other.m_disableKeys)
    , m_attachPointIndex(other.m_attachPointIndex)
    , m_focalDistance(other.m_focalDistance)
    , m_targetFocalDistance(other.m_targetFocalDistance)
    , m_focal(other.m_focal)
    , m_hitCount(other.m_hitCount)
    , m_userId(other.m_userId)
    , m_userString(other.m_userString)
{
    std::copy(std::begin(other.m_frustum), std::end(other.m_frustum), std::begin(m_frustum));
    std::copy(std::begin(other.m_keyCodes), std::end(other.m_keyCodes), std::begin(m_keyCodes));
    std::copy(std::begin(other.m_keySpeeds), std::end(other.m_keySpeeds), std::begin(m_keySpeeds));
    followDevice(*m_d3d);
    // The copy follows the same attachment, with connections of its own.
    attachToAttachPoint(other.m_attachPoint);
    m_attachedObject = other.m_attachedObject;
    if (m_attachedObject)
        m_attachedObject->onDeleted.connect(this, &Camera::onAttachmentDeleted);
}

Camera::~Camera() = default;

void Camera::onResetDevice()
{
    updateProjection();
}

bool Camera::save(XMLNode* node)
{
    using xmlwrite::write;
    if (!NamedObject::save(node))
        return false;
    write(node, L"FOV", fovFor4To3(m_fov));
    write(node, L"FOV_EXTREMA",
          xmlwrite::numberText(fovFor4To3(m_fovMin)) + L" " + xmlwrite::numberText(fovFor4To3(m_fovMax)));
    write(node, L"ZNEAR", m_zNear);
    write(node, L"ZFAR", m_zFar);
    write(node, L"USER_STRING", m_userString);
    write(node, L"USER_ID", m_userId);

    auto* focal = new XMLNode(L"FOCAL_PARAMS");
    write(focal, L"FOCAL_SAMPLES", m_focal.samples);
    write(focal, L"FOCAL_RINGS", m_focal.rings);
    write(focal, L"FOCAL_WINKEL", m_focal.winkel);
    write(focal, L"FOCAL_CHANGE_SPEED", m_focal.changeSpeed);
    write(focal, L"FOCAL_LENGTH_MIN", m_focal.lengthMin);
    write(focal, L"FOCAL_LENGTH_MAX", m_focal.lengthMax);
    write(focal, L"CALC_FOCAL_LENGTH", m_focal.calcLength);
    write(focal, L"CALC_FOCAL_DIST", m_focal.calcDist);
    write(focal, L"CALC_TYPE",
          m_focal.calcType == FOCUS_ZBUFFER ? L"ZBUFFER"
                                            : (m_focal.calcType == FOCUS_LOOKAT ? L"OTHER" : L"FDCT_NULL"));
    node->addNode(focal);

    auto* keys = new XMLNode(L"KEYS");
    write(keys, L"DISABLE_KEYS", m_disableKeys);
    if (TastaturLayout* layout = TastaturLayoutManager::getInstance()->getActiveLayout()) {
        for (const KeyName& entry : kKeyNames)
            write(keys, entry.name, layout->getKeyName(m_keyCodes[entry.key]));
    }
    node->addNode(keys);
    auto* speeds = new XMLNode(L"SPEED_KEYS");
    for (const KeyName& entry : kKeyNames)
        write(speeds, entry.name, m_keySpeeds[entry.key]);
    node->addNode(speeds);
    return true;
}

// ------------------------------------------------------------------ projection and view

bool Camera::buildPerspective()
{
    if (m_autoAspect) {
        const unsigned width = m_d3d->getWidth(), height = m_d3d->getHeight();
        // Without a back buffer (or a minimised one) the aspect stays as it was.
        if (height > 0)
            m_aspect = static_cast<float>(width) / static_cast<float>(height);
    }
    const float fovy = static_cast<float>(getVerticalFov() * kDegreesToRadiansD);
    const float zNear = static_cast<float>(m_zNear), zFar = static_cast<float>(m_zFar);
    const bool usable = std::isfinite(m_aspect) && m_aspect > 0.0f && zNear != zFar && std::isfinite(fovy) &&
                        std::sin(fovy * 0.5f) != 0.0f;
    if (!usable) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::Camera::updateProjection: \"" + getName() +
                             L"\" keeps its projection: aspect, field of view or near and far planes unusable\n");
        return false;
    }
    D3DXMatrixPerspectiveFovLH(&m_projection, fovy, m_aspect, zNear, zFar);
    return true;
}

double Camera::getVerticalFov() const
{
    if (m_fov.fovAsGiven || m_fov.referenceAspect <= 0.0)
        return m_fov.fov;
    return static_cast<double>(m_aspect) * m_fov.fov / m_fov.referenceAspect;
}

void Camera::updateProjection()
{
    buildPerspective();
    m_projectionDirty = true;
    updateView();
}

void Camera::rebuildLocalView()
{
    m_viewDirty = true;
    updateView();
}

void Camera::updateView()
{
    const bool projectionDirty = m_projectionDirty;
    if (projectionDirty)
        D3DXMatrixInverse(&m_inverseProjection, nullptr, &m_projection);
    const bool viewMoved = m_viewDirty || m_attachPoint;
    if (viewMoved) {
        if (m_attachPoint && m_followAttachPoint)
            D3DXMatrixMultiply(&m_view, &m_attachPoint->getInverseWorldMatrix(), &m_localView);
        else
            m_view = m_localView;
        D3DXMatrixInverse(&m_inverseView, nullptr, &m_view);
    }
    if (!projectionDirty && !viewMoved)
        return;

    D3DXMatrixMultiply(&m_viewProjection, &m_view, &m_projection);
    D3DXMatrixInverse(&m_inverseViewProjection, nullptr, &m_viewProjection);
    buildFrustum();

    // Cleared before the signals so that a slot may change the camera again.
    m_projectionDirty = false;
    m_viewDirty = false;
    if (projectionDirty)
        projectionChanged.emit(*this);
    if (viewMoved)
        viewChanged.emit(*this);
    cameraChanged.emit(*this);
}

void Camera::buildFrustum()
{
    // A point is inside when its clip coordinates lie within the window times w: x - x0 w >= 0,
    // x1 w - x >= 0 and so on. The whole screen gives the plain frustum to the bit (factors of 1).
    const D3DXMATRIX& m = m_viewProjection;
    const float x0 = m_cullingWindow.x, y0 = m_cullingWindow.y, x1 = m_cullingWindow.z, y1 = m_cullingWindow.w;
    m_frustum[0] = D3DXPLANE(m._11 - x0 * m._14, m._21 - x0 * m._24, m._31 - x0 * m._34, m._41 - x0 * m._44);
    m_frustum[1] = D3DXPLANE(x1 * m._14 - m._11, x1 * m._24 - m._21, x1 * m._34 - m._31, x1 * m._44 - m._41);
    m_frustum[2] = D3DXPLANE(y1 * m._14 - m._12, y1 * m._24 - m._22, y1 * m._34 - m._32, y1 * m._44 - m._42);
    m_frustum[3] = D3DXPLANE(m._12 - y0 * m._14, m._22 - y0 * m._24, m._32 - y0 * m._34, m._42 - y0 * m._44);
    m_frustum[4] = D3DXPLANE(m._13, m._23, m._33, m._43);
    m_frustum[5] = D3DXPLANE(m._14 - m._13, m._24 - m._23, m._34 - m._33, m._44 - m._43);
    for (D3DXPLANE& plane : m_frustum) {
        const float length = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
        if (length > 0.0f)
            plane /= length;
    }
}

void Camera::setCullingWindow(const D3DXVECTOR4& window)
{
    // Wider than the screen would let through what the projection leaves out anyway.
    m_cullingWindow = D3DXVECTOR4(std::max(window.x, -1.0f), std::max(window.y, -1.0f), std::min(window.z, 1.0f),
                                  std::min(window.w, 1.0f));
    buildFrustum();
}

void Camera::applyTransforms()
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!device)
        return;
    device->SetTransform(D3DTS_PROJECTION, &m_projection);
    device->SetTransform(D3DTS_VIEW, &m_view);
    device->SetTransform(D3DTS_WORLD, &m_world);
}

void Camera::getNearFar(double& zNear, double& zFar) const
{
    zNear = m_zNear;
    zFar = m_zFar;
}

void Camera::setNearFar(double zNear, double zFar)
{
    m_zNear = zNear;
    m_zFar = zFar;
    updateProjection();
}

void Camera::setAspect(float aspect)
{
    m_autoAspect = false;
    m_aspect = aspect;
    updateProjection();
}

void Camera::setFov(double fov)
{
    m_fov.fov = fov;
    m_fov.referenceAspect = m_aspect;
    m_fov.fovAsGiven = m_aspect <= 0.0f;
    updateProjection();
}

void Camera::setFovAspect(double fov, double referenceAspect)
{
    m_fov.fov = fov;
    m_fov.referenceAspect = referenceAspect;
    m_fov.fovAsGiven = referenceAspect <= 0.0;
    updateProjection();
}

void Camera::setFovExtrema(const FovRecord& minimum, const FovRecord& maximum)
{
    m_fovMin = minimum;
    m_fovMax = maximum;
}

void Camera::reflect(const D3DXPLANE& plane)
{
    D3DXMATRIX mirror;
    D3DXMatrixReflect(&mirror, &plane);
    D3DXMatrixMultiply(&m_localView, &mirror, &m_localView);
    m_viewDirty = true;
    updateView();
}

// ------------------------------------------------------------------ positions

D3DXVECTOR3 Camera::getEyePosition() const
{
    return D3DXVECTOR3(m_inverseView._41, m_inverseView._42, m_inverseView._43);
}

D3DXMATRIX Camera::getRotationMatrix() const
{
    D3DXMATRIX rotation = m_inverseView;
    rotation._41 = rotation._42 = rotation._43 = 0.0f;
    D3DXMatrixInverse(&rotation, nullptr, &rotation);
    return rotation;
}

D3DXVECTOR3 Camera::getLookAt() const
{
    const D3DXVECTOR3 ahead(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 point;
    return *D3DXVec3TransformCoord(&point, &ahead, &m_inverseView);
}

D3DXVECTOR3 Camera::getPosition() const
{
    return getEyePosition();
}

D3DXVECTOR3 Camera::getUp() const
{
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 point;
    return *D3DXVec3TransformCoord(&point, &up, &m_inverseView);
}

// ------------------------------------------------------------------ frustum tests

int Camera::isAABBInFrustum(const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum) const
{
    ScopedMeasure measure(L"Camera.isAABBInFrustum");
#if defined(__SSE__)
    // Four planes at a time, each with the same products and sums in the same order as the
    // plane-by-plane test below, so the answer is the same to the bit. The two lanes past the
    // sixth plane hold 0x + 0y + 0z + 1: always inside.
    const D3DXPLANE* f = m_frustum;
    const __m128 zero = _mm_setzero_ps();
    const __m128 minX = _mm_set1_ps(minimum.x), minY = _mm_set1_ps(minimum.y), minZ = _mm_set1_ps(minimum.z);
    const __m128 maxX = _mm_set1_ps(maximum.x), maxY = _mm_set1_ps(maximum.y), maxZ = _mm_set1_ps(maximum.z);
    int outside = 0, crossing = 0;
    for (int first = 0; first < 6; first += 4) {
        const D3DXPLANE& p0 = f[first];
        const D3DXPLANE& p1 = f[first + 1];
        const bool full = first + 3 < 6;
        const D3DXPLANE spare(0.0f, 0.0f, 0.0f, 1.0f);
        const D3DXPLANE& p2 = full ? f[first + 2] : spare;
        const D3DXPLANE& p3 = full ? f[first + 3] : spare;
        const __m128 a = _mm_setr_ps(p0.a, p1.a, p2.a, p3.a), b = _mm_setr_ps(p0.b, p1.b, p2.b, p3.b);
        const __m128 c = _mm_setr_ps(p0.c, p1.c, p2.c, p3.c), d = _mm_setr_ps(p0.d, p1.d, p2.d, p3.d);
        const __m128 ga = _mm_cmpge_ps(a, zero), gb = _mm_cmpge_ps(b, zero), gc = _mm_cmpge_ps(c, zero);
        auto pick = [](__m128 mask, __m128 yes, __m128 no) {
            return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
        };
        const __m128 positive =
            _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(a, pick(ga, maxX, minX)), _mm_mul_ps(b, pick(gb, maxY, minY))),
                                  _mm_mul_ps(c, pick(gc, maxZ, minZ))),
                       d);
        const __m128 negative =
            _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(a, pick(ga, minX, maxX)), _mm_mul_ps(b, pick(gb, minY, maxY))),
                                  _mm_mul_ps(c, pick(gc, minZ, maxZ))),
                       d);
        outside |= _mm_movemask_ps(_mm_cmplt_ps(positive, zero));
        crossing |= _mm_movemask_ps(_mm_cmplt_ps(negative, zero));
    }
    return outside ? 0 : crossing ? 1 : 2;
#else
    int result = 2;
    for (const D3DXPLANE& plane : m_frustum) {
        const D3DXVECTOR3 positive(plane.a >= 0.0f ? maximum.x : minimum.x, plane.b >= 0.0f ? maximum.y : minimum.y,
                                   plane.c >= 0.0f ? maximum.z : minimum.z);
        if (D3DXPlaneDotCoord(&plane, &positive) < 0.0f)
            return 0;
        const D3DXVECTOR3 negative(plane.a >= 0.0f ? minimum.x : maximum.x, plane.b >= 0.0f ? minimum.y : maximum.y,
                                   plane.c >= 0.0f ? minimum.z : maximum.z);
        if (D3DXPlaneDotCoord(&plane, &negative) < 0.0f)
            result = 1;
    }
    return result;
#endif
}

int Camera::isAABBInFrustum(const AABB& box) const
{
    return isAABBInFrustum(box.getMin(), box.getMax());
}

bool Camera::isSphereInFrustum(const D3DXVECTOR3& centre, double radius) const
{
    for (const D3DXPLANE& plane : m_frustum) {
        if (static_cast<double>(D3DXPlaneDotCoord(&plane, &centre)) <= -radius)
            return false;
    }
    return true;
}

// ------------------------------------------------------------------ attachment

void Camera::attachToObject(RenderObjekt* object)
{
    if (m_attachedObject)
        m_attachedObject->onDeleted.disconnect(this);
    m_attachedObject = object;
    m_attachPointIndex = -1;
    selectNextAttachPoint();
    if (m_attachedObject)
        m_attachedObject->onDeleted.connect(this, &Camera::onAttachmentDeleted);
}

AttachPoint* Camera::selectAttachPoint(int step)
{
    const int count = m_attachedObject ? static_cast<int>(m_attachedObject->getAttachPointCount()) : 0;
    // Without an object, or with one that carries no attach point, there is nothing to ride on.
    if (count <= 0) {
        attachToAttachPoint(nullptr);
        return nullptr;
    }
    m_attachPointIndex = step > 0 ? (m_attachPointIndex + 1) % count : (count + m_attachPointIndex - 1) % count;
    if (m_attachPointIndex < 0)
        m_attachPointIndex += count;
    AttachPoint* point = m_attachedObject->getAttachPoint(static_cast<unsigned>(m_attachPointIndex));
    attachToAttachPoint(point);
    return point;
}

AttachPoint* Camera::selectNextAttachPoint()
{
    return selectAttachPoint(1);
}

AttachPoint* Camera::selectPreviousAttachPoint()
{
    return selectAttachPoint(-1);
}

void Camera::attachToAttachPoint(AttachPoint* point)
{
    if (m_attachPoint)
        m_attachPoint->onDeleted.disconnect(this);
    m_attachPoint = point;
    if (m_attachPoint)
        m_attachPoint->onDeleted.connect(this, &Camera::onAttachmentDeleted);
}

void Camera::onAttachmentDeleted(NamedObject* object)
{
    if (object && object == static_cast<NamedObject*>(m_attachedObject))
        attachToObject(nullptr);
    else if (object && object == static_cast<NamedObject*>(m_attachPoint))
        attachToAttachPoint(nullptr);
}

// ------------------------------------------------------------------ update and focus

void Camera::update(double elapsed)
{
    if (m_attachPoint)
        updateView();
    if (m_focal.calcType != FOCUS_NONE) {
        const double t = std::min(1.0, static_cast<double>(m_focal.changeSpeed) * elapsed);
        m_focalDistance += static_cast<float>((m_targetFocalDistance - m_focalDistance) * t);
    }
}

bool Camera::isFocalDistCalculated() const
{
    return m_focal.calcDist && m_focal.calcType != FOCUS_NONE;
}

bool Camera::isFocalLengthCalculated() const
{
    return m_focal.calcLength && m_focal.calcType != FOCUS_NONE;
}

float Camera::updateFocus()
{
    return calcFocalDistance();
}

float Camera::getFocalLength()
{
    if (m_focal.lengthFromFocus)
        return calcFocalDistance() * m_focal.lengthMax;
    const double depth = m_zFar - m_zNear;
    // Near and far planes at one distance leave no depth to spread the focus over.
    const double share = depth != 0.0 ? m_focalDistance / depth : 0.0;
    return static_cast<float>((share * (m_focal.lengthMax - m_focal.lengthMin) + m_focal.lengthMin) * m_zFar);
}

std::vector<D3DXVECTOR2> Camera::getFocusSamplePoints() const
{
    std::vector<D3DXVECTOR2> points;
    const float verticalFov = static_cast<float>(getVerticalFov());
    for (int ring = 1; ring <= m_focal.rings + 1; ++ring) {
        const float radius =
            m_focal.rings != 0 && verticalFov != 0.0f
                ? static_cast<float>(ring) * (m_focal.winkel / verticalFov) * 0.5f / static_cast<float>(m_focal.rings)
                : 0.0f;
        for (int sample = 0; sample < m_focal.samples; ++sample) {
            const float angle =
                static_cast<float>(sample) / static_cast<float>(m_focal.samples) * 360.0f * kDegreesToRadians;
            points.emplace_back(std::cos(angle) * radius + 0.5f, std::sin(angle) * radius + 0.5f);
        }
    }
    return points;
}

float Camera::calcFocalDistance()
{
    switch (m_focal.calcType) {
    case FOCUS_ZBUFFER: {
        RenderManager* renderManager = CameraManager::getInstance()->getRenderManager();
        RenderPassZBuffer* zbuffer = renderManager ? renderManager->getZBufferPass() : nullptr;
        if (zbuffer && !zbuffer->isCreated())
            zbuffer = nullptr;
        if (!zbuffer) {
            static bool reported = false;
            if (!reported) {
                reported = true;
                mainLogger().log(50, LOG_TYPE_WARNING,
                                 L"Ulvo::Camera::calcFocalDistance: no z-buffer pass, the focus goes to ZFAR\n");
            }
        }
        m_hitCount = 0;
        float sum = 0.0f;
        if (zbuffer) {
            const D3DXVECTOR3 eye = getEyePosition();
            for (const D3DXVECTOR2& point : getFocusSamplePoints()) {
                D3DXVECTOR3 world;
                if (readZBuffer(zbuffer, this, point, world)) {
                    const D3DXVECTOR3 offset = world - eye;
                    sum += D3DXVec3Length(&offset);
                    ++m_hitCount;
                }
            }
        }
        m_targetFocalDistance = m_hitCount > 0 ? sum / static_cast<float>(m_hitCount) : static_cast<float>(m_zFar);
        return m_focalDistance;
    }
    case FOCUS_ZFAR:
        m_targetFocalDistance = static_cast<float>(m_zFar);
        return m_focalDistance;
    default:
        return 0.0f;
    }
}

// ------------------------------------------------------------------ free-camera keys

void Camera::setKey(CameraKey key, unsigned char code, float speed)
{
    m_keyCodes[key] = code;
    m_keySpeeds[key] = speed;
}

bool Camera::readMoveKeys(double elapsed, D3DXVECTOR3& move)
{
    move = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (m_disableKeys)
        return false;
    const KeyState& keys = m_input->getKeyState();
    auto down = [&](CameraKey key) { return m_keyCodes[key] != 0 && keys.isKeyDown(m_keyCodes[key], false); };
    float lift = 0.0f;
    bool any = false;
    if (down(CAMKEY_FORWARD))
        move.z += m_keySpeeds[CAMKEY_FORWARD], any = true;
    if (down(CAMKEY_BACKWARD))
        move.z -= m_keySpeeds[CAMKEY_BACKWARD], any = true;
    if (down(CAMKEY_LEFT))
        move.x -= m_keySpeeds[CAMKEY_LEFT], any = true;
    if (down(CAMKEY_RIGHT))
        move.x += m_keySpeeds[CAMKEY_RIGHT], any = true;
    if (down(CAMKEY_UP))
        lift = m_keySpeeds[CAMKEY_UP], any = true;
    if (down(CAMKEY_DOWN))
        lift -= m_keySpeeds[CAMKEY_DOWN], any = true;
    if (!any)
        return false;
    m_viewDirty = true;
    // Into world space; vertical movement always runs along the world's y axis.
    D3DXMATRIX toWorld;
    const D3DXMATRIX rotation = getRotationMatrix();
    D3DXMatrixInverse(&toWorld, nullptr, &rotation);
    D3DXVec3TransformCoord(&move, &move, &toWorld);
    move.x *= static_cast<float>(elapsed);
    move.z *= static_cast<float>(elapsed);
    move.y = lift * static_cast<float>(elapsed);
    return true;
}

} // namespace Ulvo
