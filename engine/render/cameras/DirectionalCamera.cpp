#include "render/cameras/DirectionalCamera.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/XMLWrites.h"

namespace Ulvo {

DirectionalCamera::DirectionalCamera(const std::wstring& name) : Camera(name)
{
    m_fov = FovRecord{90.0, 1.0, false};
    DirectionalCamera::updateProjection();
    DirectionalCamera::rebuildLocalView();
}

DirectionalCamera::DirectionalCamera(const DirectionalCamera& other)
    : Camera(other)
    , m_lookDir(other.m_lookDir)
    , m_eye(other.m_eye)
    , m_up(other.m_up)
    , m_dist(other.m_dist)
    , m_zoom(other.m_zoom)
    , m_doubleDepth(other.m_doubleDepth)
{
}

Camera* DirectionalCamera::clone() const
{
    return new DirectionalCamera(*this);
}

bool DirectionalCamera::save(XMLNode* node)
{
    if (!Camera::save(node))
        return false;
    xmlwrite::write(node, L"TYPE", L"DIRECT");
    xmlwrite::write(node, L"DIST", m_dist);
    xmlwrite::write(node, L"ZOOM", m_zoom);
    xmlwrite::writeVector(node, L"POSITION_EYE", m_eye);
    xmlwrite::writeVector(node, L"LOOKDIR", m_lookDir);
    xmlwrite::writeVector(node, L"UP", m_up);
    return true;
}

void DirectionalCamera::update(double) {}

void DirectionalCamera::updateProjection()
{
    const float size = static_cast<float>(2.0 * m_zoom * m_zFar);
    const float zNear = static_cast<float>(m_zNear);
    const float zFar = static_cast<float>(m_doubleDepth ? m_dist * 2.0 : m_dist);
    if (zNear != zFar && size != 0.0f)
        D3DXMatrixOrthoLH(&m_projection, size, size, zNear, zFar);
    else
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::DirectionalCamera::updateProjection: \"" + getName() +
                             L"\" keeps its projection: picture size or depth range empty\n");
    m_projectionDirty = true;
    updateView();
}

void DirectionalCamera::rebuildLocalView()
{
    const D3DXVECTOR3 target = m_eye - m_lookDir * static_cast<float>(m_dist);
    D3DXMatrixLookAtLH(&m_localView, &m_eye, &target, &m_up);
    Camera::rebuildLocalView();
}

void DirectionalCamera::setEyePosition(const D3DXVECTOR3& eye)
{
    m_eye = eye;
    rebuildLocalView();
}

void DirectionalCamera::setDist(double dist)
{
    m_dist = dist;
    m_doubleDepth = false;
    rebuildLocalView();
}

void DirectionalCamera::setZoom(double zoom)
{
    m_zoom = zoom;
}

} // namespace Ulvo
