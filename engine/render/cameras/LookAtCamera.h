#pragma once
// A camera looking from an eye point at a look-at point. Attached to an attach point it keeps
// its eye and looks at the attach point; the free-camera keys move the eye around the look-at
// point (Shift moves only the look-at point, Control both).
#include "render/cameras/Camera.h"

namespace Ulvo {

class LookAtCamera : public Camera {
public:
    explicit LookAtCamera(const std::wstring& name);
    LookAtCamera(const LookAtCamera& other);

    // The camera-file entries, then TYPE "LOOKAT", POSITION_EYE, POSITION_LOOKAT and UP.
    bool save(XMLNode* node) override;
    Camera* clone() const override;
    void update(double elapsed) override;
    void rebuildLocalView() override;
    void setEyePosition(const D3DXVECTOR3& eye) override;
    D3DXVECTOR3 getLookAt() const override { return m_lookAt; }
    D3DXVECTOR3 getPosition() const override { return m_eye; }
    D3DXVECTOR3 getUp() const override { return m_up; }
    // CALC_TYPE 3 focuses on the look-at point.
    float calcFocalDistance() override;

    void setLookAt(const D3DXVECTOR3& lookAt);
    void setUpVector(const D3DXVECTOR3& up);

private:
    D3DXVECTOR3 m_lookAt{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_eye{0.0f, 0.0f, -1.0f};
    D3DXVECTOR3 m_up{0.0f, 1.0f, 0.0f};
};

} // namespace Ulvo
