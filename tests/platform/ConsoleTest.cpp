#include <windows.h>

#include <gtest/gtest.h>

#include <string>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(MessageBox, AnswersWithTheDefaultButtonWithoutBlocking)
{
    CaptureStderr();
    EXPECT_EQ(MessageBoxW(nullptr, L"Datei fehlt: ä", L"Fehler", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(GetCapturedStderr(), "Fehler: Datei fehlt: \xC3\xA4\n");

    CaptureStderr();
    EXPECT_EQ(MessageBoxW(nullptr, L"q", L"c", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxW(nullptr, L"q", L"c", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, L"q", L"c", MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONWARNING), IDCANCEL);
    EXPECT_EQ(MessageBoxW(nullptr, L"q", L"c", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(MessageBoxW(nullptr, L"q", L"c", MB_OKCANCEL | MB_DEFBUTTON3), IDOK); // no third button
    EXPECT_EQ(MessageBoxW(nullptr, L"q", L"c", MB_OK | MB_DEFBUTTON2 | MB_ICONINFORMATION), IDOK);
    GetCapturedStderr();
}

TEST(Console, ExistsOnlyBetweenAllocAndFree)
{
    FreeConsole();
    EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), nullptr);
    EXPECT_EQ(GetConsoleWindow(), nullptr);

    ASSERT_TRUE(AllocConsole());
    EXPECT_FALSE(AllocConsole());
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    ASSERT_NE(out, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    HWND window = GetConsoleWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 100, 100, SWP_FRAMECHANGED | SWP_SHOWWINDOW));
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    EXPECT_GT(GetSystemMetrics(SM_CXFULLSCREEN), 0);

    CaptureStderr();
    DWORD written = 0;
    const wchar_t text[] = L"log \x20AC line\n";
    EXPECT_TRUE(SetConsoleTextAttribute(out, 4)); // no terminal: no escape codes
    EXPECT_TRUE(WriteConsoleW(out, text, 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(GetCapturedStderr(), "log \xE2\x82\xAC");
    EXPECT_TRUE(CloseHandle(out));

    EXPECT_TRUE(FreeConsole());
    EXPECT_FALSE(WriteConsoleW(out, text, 5, &written, nullptr));
    EXPECT_FALSE(SetWindowPos(window, HWND_TOP, 0, 0, 1, 1, 0));
}
