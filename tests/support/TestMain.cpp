// Test entry: every test binary runs with a private XDG data folder, so no test
// ever touches a real save folder, and with SDL's headless drivers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
#if defined(__SANITIZE_ADDRESS__)
    // llvmpipe registers the exception frames of its JIT code; with
    // fast_unwind_on_malloc=0 (which the leak suppressions need) the sanitizer's
    // unwinder then deadlocks inside libgcc while Mesa compiles a shader.
    // softpipe renders without a JIT. Programs the tests start inherit it.
    setenv("GALLIUM_DRIVER", "softpipe", 0);
#endif

    std::string tmpl = (std::filesystem::temp_directory_path() / "ulvo-xdg-XXXXXX").string();
    char* dir = mkdtemp(tmpl.data());
    if (dir)
        setenv("XDG_DATA_HOME", dir, 1);

    int result = RUN_ALL_TESTS();

    if (dir) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    return result;
}
