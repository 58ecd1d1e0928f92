#include "render/scenegraph/RenderObjekt.h"

namespace Ulvo {

TextureCube* RenderObjekt::s_skyMap = nullptr;
TextureCube* RenderObjekt::s_backgroundMap = nullptr;
TextureCube* RenderObjekt::s_environmentMap = nullptr;
const void* RenderObjekt::s_drawStateMarker = nullptr;

RenderObjekt::RenderObjekt(const RenderObjekt& other)
    : NamedObject(other)
    , m_position(other.m_position)
    , m_cameraDistanceSq(other.m_cameraDistanceSq)
    , m_transparent(other.m_transparent)
    , m_alpha(other.m_alpha)
    , m_farDistEnabled(other.m_farDistEnabled)
    , m_effect(other.m_effect)
    , m_moveWithCamera(other.m_moveWithCamera)
    , m_priority(other.m_priority)
{
}

void RenderObjekt::render(Camera*) {}

} // namespace Ulvo
