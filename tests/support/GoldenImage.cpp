// PNG files and golden-image comparison for the rendering tests.
#include "support/GoldenImage.h"

#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace TestSupport {

bool writePng(const std::string& path, const Image& image)
{
    std::vector<uint8_t> rgba(image.pixels.size() * 4);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        DWORD c = image.pixels[i];
        rgba[i * 4 + 0] = static_cast<uint8_t>(c >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(c >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(c);
        rgba[i * 4 + 3] = static_cast<uint8_t>(c >> 24);
    }
    return stbi_write_png(path.c_str(), static_cast<int>(image.width), static_cast<int>(image.height), 4, rgba.data(),
                          static_cast<int>(image.width * 4)) != 0;
}

bool readPng(const std::string& path, Image& image)
{
    int w = 0, h = 0, channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &channels, 4);
    if (!data)
        return false;
    image.width = static_cast<UINT>(w);
    image.height = static_cast<UINT>(h);
    image.pixels.resize(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const unsigned char* p = data + i * 4;
        image.pixels[i] = (DWORD(p[3]) << 24) | (DWORD(p[0]) << 16) | (DWORD(p[1]) << 8) | DWORD(p[2]);
    }
    stbi_image_free(data);
    return true;
}

bool near(DWORD a, DWORD b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(channel(a, shift) - channel(b, shift)) > tolerance)
            return false;
    }
    return true;
}

std::string hex(DWORD c)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(c));
    return text;
}

::testing::AssertionResult matchesGolden(const Image& image, const std::filesystem::path& goldenFolder,
                                         const std::string& name, int tolerance)
{
    std::filesystem::path expectedPath = goldenFolder / (name + ".png");
    const char* update = std::getenv("ULVO_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::filesystem::create_directories(goldenFolder);
        if (!writePng(expectedPath.string(), image))
            return ::testing::AssertionFailure() << "cannot write " << expectedPath;
        return ::testing::AssertionSuccess() << "wrote " << expectedPath;
    }
    Image expected;
    std::string problem;
    if (!readPng(expectedPath.string(), expected)) {
        problem = "no golden image " + expectedPath.string();
    } else if (expected.width != image.width || expected.height != image.height) {
        problem = "size " + std::to_string(image.width) + "x" + std::to_string(image.height) + " differs from " +
                  std::to_string(expected.width) + "x" + std::to_string(expected.height);
    } else {
        size_t bad = 0;
        for (size_t i = 0; i < image.pixels.size(); ++i) {
            if (!near(image.pixels[i], expected.pixels[i], tolerance)) {
                if (bad == 0)
                    problem = "pixel (" + std::to_string(i % image.width) + ", " + std::to_string(i / image.width) +
                              ") is " + hex(image.pixels[i]) + ", expected " + hex(expected.pixels[i]);
                ++bad;
            }
        }
        if (bad == 0)
            return ::testing::AssertionSuccess();
        problem += " (" + std::to_string(bad) + " pixels differ)";
    }
    std::filesystem::path failures = binDir().parent_path() / "golden-failures";
    std::filesystem::create_directories(failures);
    writePng((failures / (name + ".png")).string(), image);
    std::error_code ec;
    std::filesystem::copy_file(expectedPath, failures / (name + ".expected.png"),
                               std::filesystem::copy_options::overwrite_existing, ec);
    return ::testing::AssertionFailure() << name << ": " << problem << "; actual image in " << failures.string();
}

} // namespace TestSupport
