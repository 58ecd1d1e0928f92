#pragma once
// A camera: view and projection matrices with their inverses, the six frustum planes for
// visibility tests, riding on an attach point of a scene object, a focus distance for depth of
// field, and the helpers that fit a shadow camera around another camera's frustum. Left-handed,
// row vectors; angles in degrees.
//
// Every setter ends in updateProjection or rebuildLocalView, and both end in updateView, so
// matrices, planes and signals are current whenever a call returns. The matrices are cached
// and rebuilt only when a dirty flag or an attach point asks for it.
#include <d3dx9math.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/sigslot.h"

#include <string>
#include <vector>

namespace Ulvo {

class AABB;
class AttachPoint;
class RenderObjekt;
class D3DInterface;
class DirectInputInterface;
class XMLNode;

// A field of view given for a reference aspect: it widens or narrows with the screen unless it
// is taken as given.
struct FovRecord {
    double fov = 90.0;
    double referenceAspect = 1.0;
    bool fovAsGiven = true;
};

// The free-camera keys, in the order of the key and speed tables.
enum CameraKey {
    CAMKEY_FORWARD,
    CAMKEY_BACKWARD,
    CAMKEY_LEFT,
    CAMKEY_RIGHT,
    CAMKEY_UP,
    CAMKEY_DOWN,
    CAMKEY_ROT_X_P,
    CAMKEY_ROT_X_M,
    CAMKEY_ROT_Y_M,
    CAMKEY_ROT_Y_P,
    CAMKEY_ROT_Z_M,
    CAMKEY_ROT_Z_P,
    CAMKEY_COUNT
};

// How a camera finds its focus (CALC_TYPE).
enum FocusCalcType { FOCUS_NONE = 0, FOCUS_ZFAR = 1, FOCUS_ZBUFFER = 2, FOCUS_LOOKAT = 3 };

struct FocalParams {
    int samples = 4;          // FOCAL_SAMPLES per ring
    int rings = 1;            // FOCAL_RINGS
    float winkel = 10.0f;     // FOCAL_WINKEL, degrees covered by the rings
    float changeSpeed = 4.0f; // FOCAL_CHANGE_SPEED, per second
    float lengthMin = 0.0f;   // FOCAL_LENGTH_MIN
    float lengthMax = 1.0f;   // FOCAL_LENGTH_MAX
    bool lengthFromFocus = false;
    bool calcLength = false;   // CALC_FOCAL_LENGTH
    bool calcDist = false;     // CALC_FOCAL_DIST
    int calcType = FOCUS_NONE; // CALC_TYPE
};

class Camera : public NamedObject, public DeviceResource {
public:
    explicit Camera(const std::wstring& name);
    // Copies every field; the signals keep the original's connections.
    Camera(const Camera& other);
    Camera& operator=(const Camera&) = delete;
    ~Camera() override;

    // The camera-file entries of the CAMERA node.
    bool save(XMLNode* node) override;
    virtual Camera* clone() const = 0;
    // Follows the attach point and moves the focus; seconds since the last update.
    virtual void update(double elapsed);
    virtual void updateProjection();
    virtual void rebuildLocalView();
    // D3DTS_PROJECTION, D3DTS_VIEW and D3DTS_WORLD on the device.
    virtual void applyTransforms();
    virtual D3DXVECTOR3 getEyePosition() const;
    // The rotation part of the view.
    virtual D3DXMATRIX getRotationMatrix() const;
    virtual void setEyePosition(const D3DXVECTOR3& eye) = 0;
    virtual D3DXVECTOR3 getLookAt() const;
    virtual D3DXVECTOR3 getPosition() const;
    virtual D3DXVECTOR3 getUp() const;
    // Rides on the object's first attach point; null detaches.
    virtual void attachToObject(RenderObjekt* object);
    // The next or previous attach point of the attached object, or null (detached) when there is
    // no object or it has no attach points.
    virtual AttachPoint* selectNextAttachPoint();
    virtual AttachPoint* selectPreviousAttachPoint();
    virtual void attachToAttachPoint(AttachPoint* point);
    virtual bool isFocalDistCalculated() const;
    virtual bool isFocalLengthCalculated() const;
    virtual float updateFocus();
    virtual float getFocalLength();
    // Sets the target focus by CALC_TYPE and returns the current focal distance.
    virtual float calcFocalDistance();
    virtual void updateView();

    void getNearFar(double& zNear, double& zFar) const;
    void setNearFar(double zNear, double zFar);
    // Fixes the aspect for good (a device reset keeps it).
    void setAspect(float aspect);
    // The FOV for the current aspect, taken as given when the aspect is not positive.
    void setFov(double fov);
    // The FOV for a reference aspect, taken as given when that is not positive.
    void setFovAspect(double fov, double referenceAspect);
    void setFovExtrema(const FovRecord& minimum, const FovRecord& maximum);
    // The vertical FOV in degrees for the current aspect.
    double getVerticalFov() const;
    const FovRecord& getFov() const { return m_fov; }
    float getAspect() const { return m_aspect; }
    bool isAutoAspect() const { return m_autoAspect; }

    const D3DXMATRIX& getProjectionMatrix() const { return m_projection; }
    const D3DXMATRIX& getProjectionInverseMatrix() const { return m_inverseProjection; }
    const D3DXMATRIX& getViewMatrix() const { return m_view; }
    const D3DXMATRIX& getLocalViewMatrix() const { return m_localView; }
    const D3DXMATRIX& getViewInverseMatrix() const { return m_inverseView; }
    const D3DXMATRIX& getViewProjectionMatrix() const { return m_viewProjection; }
    const D3DXMATRIX& getViewProjectionInverseMatrix() const { return m_inverseViewProjection; }
    const D3DXMATRIX& getWorldMatrix() const { return m_world; }
    // 0 left, 1 right, 2 top, 3 bottom, 4 near, 5 far; (a, b, c) of unit length. The side planes
    // bound the culling window.
    const D3DXPLANE& getFrustumPlane(int index) const { return m_frustum[index]; }
    // Narrows what the culling tests (the frustum planes, isAABBInFrustum, isSphereInFrustum) let
    // through to a rectangle of device coordinates (minimum x, minimum y, maximum x, maximum y,
    // kept within -1..1), for pictures of which only that part is used; the matrices, and so the
    // picture, stay as they are. The whole screen, -1 -1 1 1, narrows nothing.
    void setCullingWindow(const D3DXVECTOR4& window);
    const D3DXVECTOR4& getCullingWindow() const { return m_cullingWindow; }

    // 0 outside, 1 intersecting, 2 inside.
    int isAABBInFrustum(const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum) const;
    int isAABBInFrustum(const AABB& box) const;
    bool isSphereInFrustum(const D3DXVECTOR3& centre, double radius) const;
    // Mirrors the view at the plane (water and reflection passes).
    void reflect(const D3DXPLANE& plane);

    AttachPoint* getAttachPoint() const { return m_attachPoint; }
    RenderObjekt* getAttachedObject() const { return m_attachedObject; }
    int getAttachPointIndex() const { return m_attachPointIndex; }

    FocalParams& getFocalParams() { return m_focal; }
    float getFocalDistance() const { return m_focalDistance; }
    float getTargetFocalDistance() const { return m_targetFocalDistance; }
    int getHitCount() const { return m_hitCount; }
    // The points (0..1 screen coordinates) that the z-buffer focus samples, ring by ring.
    std::vector<D3DXVECTOR2> getFocusSamplePoints() const;

    // Free-camera keys: a DirectInput key code (0 binds none) and its speed per second.
    void setKey(CameraKey key, unsigned char code, float speed);
    unsigned char getKeyCode(CameraKey key) const { return m_keyCodes[key]; }
    float getKeySpeed(CameraKey key) const { return m_keySpeeds[key]; }
    void setKeysDisabled(bool disabled) { m_disableKeys = disabled; }

    int getUserId() const { return m_userId; }
    void setUserId(int id) { m_userId = id; }
    const std::wstring& getUserString() const { return m_userString; }
    void setUserString(const std::wstring& text) { m_userString = text; }

    // Shadow helpers. The eight corners of the frustum between near and far, spread by scale
    // about their mean.
    static void computeFrustum(const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt, const D3DXVECTOR3& up, float zNear,
                               float zFar, float fovDegrees, float aspect, float scale, D3DXVECTOR3 corners[8]);
    // ZNEAR plus the largest depth of the box's corners in this camera's look-at view.
    float computeBoxDepth(const AABB& box) const;
    // A light view and projection whose picture holds the corners; farDistance receives the
    // light's far plane.
    // The up vector of a light camera from eye to target: the world's up, unless it looks along it.
    static D3DXVECTOR3 lightUpVector(const D3DXVECTOR3& eye, const D3DXVECTOR3& target);
    static void fitShadowProjection(D3DXMATRIX& view, D3DXMATRIX& projection, const D3DXVECTOR3 corners[8],
                                    const D3DXVECTOR3& lightPosition, const D3DXVECTOR3& lightTarget, float fovDegrees,
                                    float zNear, float zFar, float& farDistance);
    // Fits this light camera (eye and look-at point from getPosition and getLookAt) around the
    // view camera's frustum.
    void updateShadowCamera(const Camera& viewCamera);

    sigslot::signal1<Camera&> projectionChanged;
    sigslot::signal1<Camera&> viewChanged;
    sigslot::signal1<Camera&> cameraChanged;

protected:
    // Builds the perspective projection by the FOV rule; false (projection kept) when the
    // values would divide by zero.
    bool buildPerspective();
    // The free-camera movement of the keys that are down: false when none is.
    bool readMoveKeys(double elapsed, D3DXVECTOR3& move);
    // Slot of the attached object's and attach point's deletion signals.
    void onAttachmentDeleted(NamedObject* object);

    bool m_projectionDirty = true;
    bool m_viewDirty = true;
    D3DInterface* m_d3d;
    double m_zNear = 0.1;
    double m_zFar = 100.0;
    FovRecord m_fov;
    FovRecord m_fovMin;
    FovRecord m_fovMax;
    D3DXMATRIX m_projection;
    D3DXMATRIX m_inverseProjection;
    D3DXMATRIX m_view;
    D3DXMATRIX m_localView;
    D3DXMATRIX m_inverseView;
    D3DXMATRIX m_viewProjection;
    D3DXMATRIX m_inverseViewProjection;
    D3DXMATRIX m_world;
    D3DXPLANE m_frustum[6];
    D3DXVECTOR4 m_cullingWindow{-1.0f, -1.0f, 1.0f, 1.0f};
    AttachPoint* m_attachPoint = nullptr;
    float m_aspect = 1.0f;
    bool m_autoAspect = true;
    bool m_followAttachPoint = true;
    DirectInputInterface* m_input;
    unsigned char m_keyCodes[CAMKEY_COUNT] = {};
    float m_keySpeeds[CAMKEY_COUNT] = {};
    bool m_disableKeys = false;
    RenderObjekt* m_attachedObject = nullptr;
    int m_attachPointIndex = -1;
    float m_focalDistance = 0.0f;
    float m_targetFocalDistance = 0.0f;
    FocalParams m_focal;
    int m_hitCount = 0;
    int m_userId = 0;
    std::wstring m_userString;

    // After a reset the automatic aspect sees the new back buffer.
    void onResetDevice() override;

private:
    AttachPoint* selectAttachPoint(int step);
    // The six planes from the view-projection matrix and the culling window.
    void buildFrustum();
};

} // namespace Ulvo
