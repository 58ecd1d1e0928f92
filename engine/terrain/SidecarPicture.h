#pragma once
// The pictures a terrain's ".data" file names (heights, normals, the layer blend). The terrain keeps
// each, so a scene file being loaded pays for its texels from its budget; a hostile file that names
// a picture per terrain stays bounded that way. A picture of another size than the terrain's own is
// stretched over the terrain, which the log says once.
#include <cstdint>
#include <string>

namespace Ulvo {

class NamedObject;
class ObjektManager;
class Texture2D;

// False when the scene being loaded has no room left for the picture (the budget's line says so
// when the file is done): the caller drops it and goes on without. `side` and `alsoSide` are the
// square sizes the terrain takes as its own (both 0: any size).
bool admitSidecarPicture(ObjektManager* owner, const NamedObject* holder, const Texture2D& picture,
                         const std::wstring& object, const wchar_t* key, uint32_t side, uint32_t alsoSide);

} // namespace Ulvo
