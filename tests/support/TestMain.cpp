// Test entry: every test binary runs with a private XDG data folder, so no test
// ever touches a real save folder, with SDL's headless drivers, and with a font
// configuration of its own, so text looks the same whatever fonts the machine has.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The faces the tests' text is drawn with (fonts-dejavu-core). Any other name a test asks
// for ("Arial", a face that does not exist) resolves to DejaVu Sans.
const char* const kTestFonts[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf",
                                  "DejaVuSansMono-Bold.ttf"};

fs::path makeTempDir(const char* prefix)
{
    std::string tmpl = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    return mkdtemp(tmpl.data()) ? fs::path(tmpl) : fs::path();
}

// A fontconfig configuration that sees only links to kTestFonts and caches in `dir`;
// programs the tests start inherit it.
void useOwnFontConfiguration(const fs::path& dir)
{
    std::error_code ec;
    fs::create_directories(dir / "fonts", ec);
    for (const char* font : kTestFonts)
        fs::create_symlink(fs::path(ULVO_TEST_FONT_DIR) / font, dir / "fonts" / font, ec);
    const fs::path file = dir / "fonts.conf";
    std::ofstream conf(file);
    conf << "<?xml version=\"1.0\"?>\n"
            "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
            "<fontconfig>\n"
            "  <dir>"
         << (dir / "fonts").string()
         << "</dir>\n"
            "  <cachedir>"
         << (dir / "cache").string()
         << "</cachedir>\n"
            "  <match target=\"pattern\">\n"
            "    <edit name=\"family\" mode=\"append_last\" binding=\"strong\"><string>DejaVu Sans</string></edit>\n"
            "  </match>\n"
            "</fontconfig>\n";
    conf.close();
    if (conf)
        setenv("FONTCONFIG_FILE", file.c_str(), 1);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // Every build draws with the same rasteriser, so the golden images hold in each: softpipe.
    // (llvmpipe registers the exception frames of its JIT code; with fast_unwind_on_malloc=0,
    // which the leak suppressions need, the sanitizer's unwinder then deadlocks inside libgcc
    // while Mesa compiles a shader. softpipe renders without a JIT.) Programs the tests start
    // inherit it.
    setenv("GALLIUM_DRIVER", "softpipe", 0);

    const fs::path xdg = makeTempDir("ulvo-xdg");
    if (!xdg.empty())
        setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    // Translated effects are cached per test, never in the user's cache.
    const fs::path cache = makeTempDir("ulvo-cache");
    if (!cache.empty())
        setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    const fs::path fonts = makeTempDir("ulvo-fonts");
    if (!fonts.empty())
        useOwnFontConfiguration(fonts);

    int result = RUN_ALL_TESTS();

    std::error_code ec;
    for (const fs::path& dir : {xdg, cache, fonts})
        if (!dir.empty())
            fs::remove_all(dir, ec);
    return result;
}
