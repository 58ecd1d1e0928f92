// The camera's shadow helpers: the frustum corners of a view, and a light camera fitted around
// them (used by the shadow passes).
#include "foundation/helpers/BoundingVolumes.h"
#include "render/cameras/AttachPoint.h"
#include "render/cameras/Camera.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace Ulvo {

void Camera::computeFrustum(const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt, const D3DXVECTOR3& up, float zNear,
                            float zFar, float fovDegrees, float aspect, float scale, D3DXVECTOR3 corners[8])
{
    D3DXVECTOR3 forward = lookAt - eye, right, trueUp;
    D3DXVec3Normalize(&forward, &forward);
    D3DXVec3Cross(&right, &up, &forward);
    D3DXVec3Normalize(&right, &right);
    D3DXVec3Cross(&trueUp, &forward, &right);
    const float slope = std::tan(fovDegrees * kDegreesToRadians * 0.5f);
    const float distances[2] = {zNear, zFar};
    for (int plane = 0; plane < 2; ++plane) {
        const D3DXVECTOR3 centre = eye + forward * distances[plane];
        const D3DXVECTOR3 vertical = trueUp * (slope * distances[plane]);
        const D3DXVECTOR3 horizontal = right * (slope * distances[plane] * aspect);
        D3DXVECTOR3* c = corners + plane * 4;
        c[0] = centre + vertical - horizontal;
        c[1] = centre + vertical + horizontal;
        c[2] = centre - vertical - horizontal;
        c[3] = centre - vertical + horizontal;
    }
    D3DXVECTOR3 mean(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 8; ++i)
        mean += corners[i];
    mean /= 8.0f;
    for (int i = 0; i < 8; ++i)
        corners[i] += (corners[i] - mean) * (scale - 1.0f);
}

D3DXVECTOR3 Camera::lightUpVector(const D3DXVECTOR3& eye, const D3DXVECTOR3& target)
{
    // A light straight above (the noon sun) looks along the usual up: its view would be undefined.
    D3DXVECTOR3 direction = target - eye;
    const float length = D3DXVec3Length(&direction);
    if (length > 0.0f && std::fabs(direction.y) > 0.999f * length)
        return D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    return D3DXVECTOR3(0.0f, 1.0f, 0.0f);
}

float Camera::computeBoxDepth(const AABB& box) const
{
    const D3DXVECTOR3 eye = getPosition(), at = getLookAt(), up = getUp();
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXVECTOR3 corners[8];
    box.getCorners(corners);
    float deepest = 0.0f;
    for (const D3DXVECTOR3& corner : corners) {
        D3DXVECTOR3 inView;
        D3DXVec3TransformCoord(&inView, &corner, &view);
        deepest = std::max(deepest, inView.z);
    }
    return static_cast<float>(m_zNear) + deepest;
}

void Camera::fitShadowProjection(D3DXMATRIX& view, D3DXMATRIX& projection, const D3DXVECTOR3 corners[8],
                                 const D3DXVECTOR3& lightPosition, const D3DXVECTOR3& lightTarget, float fovDegrees,
                                 float zNear, float zFar, float& farDistance)
{
    const D3DXVECTOR3 up = lightUpVector(lightPosition, lightTarget);
    const float fov = fovDegrees * kDegreesToRadians;
    D3DXMatrixLookAtLH(&view, &lightPosition, &lightTarget, &up);
    D3DXMatrixPerspectiveFovLH(&projection, fov, 1.0f, zNear, zFar);
    const D3DXMATRIX viewProjection = view * projection;
    float minX = FLT_MAX, minY = FLT_MAX, maxX = -FLT_MAX, maxY = -FLT_MAX, deepest = 0.0f;
    for (int i = 0; i < 8; ++i) {
        D3DXVECTOR4 clip;
        D3DXVec3Transform(&clip, &corners[i], &viewProjection);
        deepest = std::max(deepest, clip.z);
        const float x = clip.x / clip.w, y = clip.y / clip.w;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    minX = std::clamp(minX, -1.0f, 1.0f);
    maxX = std::clamp(maxX, -1.0f, 1.0f);
    minY = std::clamp(minY, -1.0f, 1.0f);
    maxY = std::clamp(maxY, -1.0f, 1.0f);

    farDistance = deepest + zNear + 1.5f;
    D3DXMatrixLookAtLH(&view, &lightPosition, &lightTarget, &up);
    D3DXMatrixPerspectiveFovLH(&projection, fov, 1.0f, zNear, farDistance);
    // Corners that collapse to a line keep the scale of that axis.
    const float scaleX = maxX > minX ? 2.0f / (maxX - minX) : 1.0f;
    const float scaleY = maxY > minY ? 2.0f / (maxY - minY) : 1.0f;
    const D3DXMATRIX crop(scaleX, 0, 0, 0, 0, scaleY, 0, 0, 0, 0, 1, 0, -(maxX + minX) * 0.5f * scaleX,
                          -(maxY + minY) * 0.5f * scaleY, 0, 1);
    projection = projection * crop;
    projection._33 /= farDistance;
    projection._43 /= farDistance;
}

void Camera::updateShadowCamera(const Camera& viewCamera)
{
    D3DXVECTOR3 corners[8];
    computeFrustum(viewCamera.getPosition(), viewCamera.getLookAt(), viewCamera.getUp(),
                   static_cast<float>(viewCamera.m_zNear), static_cast<float>(viewCamera.m_zFar),
                   static_cast<float>(viewCamera.getVerticalFov()), viewCamera.m_aspect, 1.1f, corners);
    float farDistance = 0.0f;
    fitShadowProjection(m_localView, m_projection, corners, getPosition(), getLookAt(),
                        static_cast<float>(getVerticalFov()), static_cast<float>(m_zNear), static_cast<float>(m_zFar),
                        farDistance);
    m_projectionDirty = true;
    m_viewDirty = true;
    updateView();
}

} // namespace Ulvo
