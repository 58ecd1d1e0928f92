// The program's icon resource: LoadIconW gives its decoded picture, once for all callers, and
// nothing for a picture that cannot be read; system icons stay placeholders.
#include <windows.h>
#include <platform_app.h>

#include "support/GoldenImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(WindowIcon, TheRegisteredPictureIsTheProgramsIconAndAnUnreadableOneIsNone)
{
    TestSupport::TempDir dir;
    TestSupport::Image picture;
    picture.width = 256;
    picture.height = 256;
    picture.pixels.assign(256 * 256, 0xFF2C3F55);
    ASSERT_TRUE(TestSupport::writePng((dir / "icon.png").string(), picture));
    const HINSTANCE instance = GetModuleHandleW(nullptr);

    PlatformSetIconResource(101, (dir / "icon.png").wstring().c_str());
    const HICON icon = LoadIconW(instance, MAKEINTRESOURCE(101));
    const HICON system = LoadIconW(nullptr, IDI_APPLICATION);
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(icon, system);
    EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCE(101)), icon);
    // A window of a class with the icon is made with it (SDL takes the halved picture).
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hIcon = icon;
    windowClass.lpszClassName = L"IconTestClass";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    const HWND window = CreateWindowExW(0, L"IconTestClass", L"Icon", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr,
                                        nullptr, instance, nullptr);
    EXPECT_NE(window, nullptr);
    DestroyWindow(window);
    UnregisterClassW(L"IconTestClass", instance);

    PlatformSetIconResource(101, (dir / "missing.png").wstring().c_str());
    EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCE(101)), nullptr);
    PlatformSetIconResource(101, nullptr);
    EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCE(102)), nullptr);
}
