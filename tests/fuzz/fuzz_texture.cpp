// Reads arbitrary bytes as an image file through the D3DX readers, without a device: the header,
// level 0 decoded to RGBA (PNG, JPEG, BMP, TGA or DDS), and every face and level of a DDS file,
// which is then written again and must read back to the same levels.
#include "d3dx9/ImageData.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace D3DXImage;

namespace {

// Every level lies inside the input and has the size its format and dimensions give.
void checkLevels(const DdsFaces& faces, const uint8_t* data, size_t size)
{
    for (const std::vector<RawLevel>& face : faces.faces)
        for (const RawLevel& level : face) {
            if (level.data < data || level.size > size || size_t(level.data - data) > size - level.size)
                std::abort();
            if (level.size != levelBytes(faces.info.Format, level.width, level.height))
                std::abort();
        }
}

bool sameLevels(const DdsFaces& a, const DdsFaces& b)
{
    if (a.info.Format != b.info.Format || a.info.Width != b.info.Width || a.info.Height != b.info.Height ||
        a.info.ResourceType != b.info.ResourceType)
        return false;
    for (int face = 0; face < 6; ++face) {
        if (a.faces[face].size() != b.faces[face].size())
            return false;
        for (size_t level = 0; level < a.faces[face].size(); ++level) {
            const RawLevel& x = a.faces[face][level];
            const RawLevel& y = b.faces[face][level];
            if (x.size != y.size || std::memcmp(x.data, y.data, x.size) != 0)
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    D3DXIMAGE_INFO info{};
    if (FAILED(readInfo(data, size, info)))
        return 0;
    DecodedImage image;
    if (SUCCEEDED(decode(data, size, image)) &&
        image.top.texels.size() != size_t(image.top.width) * image.top.height * 4)
        std::abort();
    if (info.ImageFileFormat != D3DXIFF_DDS)
        return 0;
    DdsFaces faces;
    if (FAILED(readDdsFaces(data, size, faces)))
        return 0;
    checkLevels(faces, data, size);
    // Written again (2D files and complete cubes), the file reads back to the same levels.
    const std::vector<uint8_t> written = encodeDds(faces);
    if (written.empty())
        return 0;
    DdsFaces again;
    if (FAILED(readDdsFaces(written.data(), written.size(), again)) || !sameLevels(faces, again))
        std::abort();
    return 0;
}
