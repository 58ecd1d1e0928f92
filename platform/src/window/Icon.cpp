// Icons: the program's own icon resource is a PNG picture named at start
// (PlatformSetIconResource); LoadIconW decodes it once and every window of a class registered
// with it shows it (SDL's window icon, which the window manager puts on the title bar and the
// task bar). Other icons (the system's) are placeholders without a picture.
#include <windows.h>
#include <platform_app.h>

#include "win32/PathMapping.h"
#include "win32/Strings.h"
#include "window/WindowInternal.h"
#include "common/Diagnostics.h"

#include <SDL.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace {

struct Icon {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
};

struct Icons {
    std::mutex lock;
    std::map<WORD, std::wstring> files;           // registered resources
    std::map<WORD, std::unique_ptr<Icon>> loaded; // shared, as LoadIcon's icons are
};

Icons& icons()
{
    static Icons table;
    return table;
}

constexpr int kLargestSide = 128;
// ERROR_RESOURCE_NAME_NOT_FOUND, as Windows reports a resource the module does not have.
constexpr DWORD kResourceNameNotFound = 1814;

// The stand-in for icons without a picture (system icons).
char s_placeholder;

// The decoded picture, or null when the file is missing or no PNG.
std::unique_ptr<Icon> decode(const std::wstring& file)
{
    const std::string path = Win32Internal::mapPath(file);
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    int width = 0, height = 0, components = 0;
    stbi_uc* pixels = bytes.empty() ? nullptr
                                    : stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width,
                                                            &height, &components, 4);
    if (!pixels || width <= 0 || height <= 0 || width > 1024 || height > 1024) {
        Diagnostics::warning("LoadIconW", "the icon picture \"%s\" cannot be read", path.c_str());
        stbi_image_free(pixels);
        return nullptr;
    }
    auto icon = std::make_unique<Icon>();
    icon->width = width;
    icon->height = height;
    icon->rgba.assign(pixels, pixels + std::size_t(width) * height * 4);
    stbi_image_free(pixels);
    // X takes a window's icon in one request, which holds no more than about 128 x 128 pixels:
    // larger pictures are halved (each pixel the mean of four) until they fit.
    while (icon->width > kLargestSide || icon->height > kLargestSide) {
        const int w = std::max(1, icon->width / 2), h = std::max(1, icon->height / 2);
        std::vector<unsigned char> half(std::size_t(w) * h * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c) {
                    int sum = 0;
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx) {
                            const int sx = std::min(icon->width - 1, 2 * x + dx);
                            const int sy = std::min(icon->height - 1, 2 * y + dy);
                            sum += icon->rgba[(std::size_t(sy) * icon->width + sx) * 4 + c];
                        }
                    half[(std::size_t(y) * w + x) * 4 + c] = static_cast<unsigned char>((sum + 2) / 4);
                }
        icon->rgba.swap(half);
        icon->width = w;
        icon->height = h;
    }
    return icon;
}

} // namespace

void PlatformSetIconResource(WORD id, const wchar_t* pictureFile)
{
    std::lock_guard<std::mutex> guard(icons().lock);
    icons().loaded.erase(id);
    if (pictureFile)
        icons().files[id] = pictureFile;
    else
        icons().files.erase(id);
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name)
{
    // The program's own resources need its instance; without one Windows gives system icons.
    if (!instance || !IS_INTRESOURCE(name))
        return reinterpret_cast<HICON>(&s_placeholder);
    const WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    std::lock_guard<std::mutex> guard(icons().lock);
    const auto file = icons().files.find(id);
    if (file == icons().files.end()) {
        SetLastError(kResourceNameNotFound);
        return nullptr;
    }
    std::unique_ptr<Icon>& icon = icons().loaded[id];
    if (!icon)
        icon = decode(file->second);
    if (!icon) {
        SetLastError(kResourceNameNotFound);
        return nullptr;
    }
    return reinterpret_cast<HICON>(icon.get());
}

namespace Win32Internal {

void showClassIcon(SDL_Window* window, HICON handle)
{
    if (!window || !handle)
        return;
    const Icon* icon = nullptr;
    {
        std::lock_guard<std::mutex> guard(icons().lock);
        for (const auto& [id, loaded] : icons().loaded) {
            if (reinterpret_cast<HICON>(loaded.get()) == handle)
                icon = loaded.get();
        }
    }
    if (!icon)
        return; // a placeholder: the window manager's own icon stays
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<unsigned char*>(icon->rgba.data()), icon->width, icon->height, 32,
                                           icon->width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface)
        return;
    SDL_SetWindowIcon(window, surface); // SDL copies the pixels
    SDL_FreeSurface(surface);
}

} // namespace Win32Internal
