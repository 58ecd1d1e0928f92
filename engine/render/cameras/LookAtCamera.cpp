#include "render/cameras/LookAtCamera.h"

#include "devices/input/DirectInputInterface.h"
#include "foundation/xml/XMLNode.h"
#include "render/XMLWrites.h"
#include "render/cameras/AttachPoint.h"

namespace Ulvo {

namespace {

constexpr unsigned char kKeyLeftShift = 0x2A;
constexpr unsigned char kKeyLeftControl = 0x1D;

} // namespace

LookAtCamera::LookAtCamera(const std::wstring& name) : Camera(name)
{
    m_followAttachPoint = false;
    LookAtCamera::rebuildLocalView();
}

LookAtCamera::LookAtCamera(const LookAtCamera& other)
    : Camera(other), m_lookAt(other.m_lookAt), m_eye(other.m_eye), m_up(other.m_up)
{
}

Camera* LookAtCamera::clone() const
{
    return new LookAtCamera(*this);
}

bool LookAtCamera::save(XMLNode* node)
{
    if (!Camera::save(node))
        return false;
    xmlwrite::write(node, L"TYPE", L"LOOKAT");
    xmlwrite::writeVector(node, L"POSITION_EYE", m_eye);
    xmlwrite::writeVector(node, L"POSITION_LOOKAT", m_lookAt);
    xmlwrite::writeVector(node, L"UP", m_up);
    return true;
}

void LookAtCamera::update(double elapsed)
{
    Camera::update(elapsed);
    if (m_attachPoint) {
        m_lookAt = m_attachPoint->getWorldPosition();
        rebuildLocalView();
    }
    D3DXVECTOR3 move;
    if (!readMoveKeys(elapsed, move))
        return;
    const KeyState& keys = m_input->getKeyState();
    const bool shift = keys.isKeyDown(kKeyLeftShift, false);
    const bool control = keys.isKeyDown(kKeyLeftControl, false);
    if (shift) {
        m_lookAt += move;
        rebuildLocalView();
    }
    if (control) {
        m_lookAt += move;
        rebuildLocalView();
    }
    if (control || !shift)
        setEyePosition(m_eye + move);
}

void LookAtCamera::rebuildLocalView()
{
    D3DXMatrixLookAtLH(&m_localView, &m_eye, &m_lookAt, &m_up);
    Camera::rebuildLocalView();
}

void LookAtCamera::setEyePosition(const D3DXVECTOR3& eye)
{
    m_eye = eye;
    rebuildLocalView();
}

void LookAtCamera::setLookAt(const D3DXVECTOR3& lookAt)
{
    m_lookAt = lookAt;
    rebuildLocalView();
}

void LookAtCamera::setUpVector(const D3DXVECTOR3& up)
{
    m_up = up;
    rebuildLocalView();
}

float LookAtCamera::calcFocalDistance()
{
    if (m_focal.calcType != FOCUS_LOOKAT)
        return Camera::calcFocalDistance();
    const D3DXVECTOR3 offset = m_eye - m_lookAt;
    m_targetFocalDistance = D3DXVec3Length(&offset);
    return m_focalDistance;
}

} // namespace Ulvo
