#pragma once
// Pictures read back from the device, PNG files, and comparison with approved golden images.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace TestSupport {

// Pixels as D3DCOLOR (A R G B from the top byte down), row by row from the top.
struct Image {
    UINT width = 0;
    UINT height = 0;
    std::vector<DWORD> pixels;
    DWORD at(UINT x, UINT y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

bool writePng(const std::string& path, const Image& image);
bool readPng(const std::string& path, Image& image);

inline int channel(DWORD c, int shift)
{
    return static_cast<int>((c >> shift) & 0xFF);
}
// True when every channel is within the tolerance.
bool near(DWORD a, DWORD b, int tolerance = 1);
std::string hex(DWORD c);

// Compares with <goldenFolder>/<name>.png (per channel within `tolerance`). On a mismatch the
// image is written as <build>/golden-failures/<name>.png beside a copy of the expected one.
// With ULVO_UPDATE_GOLDEN=1 in the environment the golden file is (re)written instead.
::testing::AssertionResult matchesGolden(const Image& image, const std::filesystem::path& goldenFolder,
                                         const std::string& name, int tolerance = 2);

} // namespace TestSupport
