#pragma once
// An orthographic camera looking along a direction from an eye position: the light camera of
// directional shadows. Its picture is 2 x ZOOM x ZFAR wide and high; its far plane lies at twice
// DIST until a distance is set, then at DIST.
#include "render/cameras/Camera.h"

namespace Ulvo {

class DirectionalCamera : public Camera {
public:
    explicit DirectionalCamera(const std::wstring& name);
    DirectionalCamera(const DirectionalCamera& other);

    // The camera-file entries, then TYPE "DIRECT", DIST, ZOOM, POSITION_EYE, LOOKDIR and UP.
    bool save(XMLNode* node) override;
    Camera* clone() const override;
    void update(double elapsed) override;
    void updateProjection() override;
    void rebuildLocalView() override;
    void setEyePosition(const D3DXVECTOR3& eye) override;

    void setDist(double dist);
    void setZoom(double zoom);
    double getDist() const { return m_dist; }
    double getZoom() const { return m_zoom; }
    const D3DXVECTOR3& getLookDir() const { return m_lookDir; }

private:
    D3DXVECTOR3 m_lookDir{0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 m_eye{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_up{0.0f, 1.0f, 0.0f};
    double m_dist = 50.0;
    double m_zoom = 0.1;
    bool m_doubleDepth = true;
};

} // namespace Ulvo
