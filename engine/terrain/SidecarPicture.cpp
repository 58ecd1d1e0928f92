#include "terrain/SidecarPicture.h"

#include "foundation/logging/Logger.h"
#include "graphics/textures/Texture2D.h"
#include "scene/ObjektManager.h"

namespace Ulvo {

bool admitSidecarPicture(ObjektManager* owner, const NamedObject* holder, const Texture2D& picture,
                         const std::wstring& object, const wchar_t* key, uint32_t side, uint32_t alsoSide)
{
    const uint32_t width = picture.getWidth();
    const uint32_t height = picture.getHeight();
    // Kept as four bytes a texel, in the render layer's copy and the driver's.
    if (owner &&
        !owner->getSceneBudget().charge({0, SceneBudget::deviceBytes(uint64_t(width) * height * 4)}, object, holder))
        return false;
    const auto fits = [&](uint32_t s) { return width == s && height == s; };
    if ((side != 0 || alsoSide != 0) && !fits(side) && !fits(alsoSide))
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::", object, L": ", key, L" picture ", picture.getFileName(),
                         L" has ", width, L"x", height, L" texels, the terrain ", side, L"x", side,
                         L"; it is stretched over the terrain\n");
    return true;
}

} // namespace Ulvo
