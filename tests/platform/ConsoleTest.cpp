#include <windows.h>

#include "win32/MessageText.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(MessageBox, ShowsPathsAsTheSystemDoesAndWrapsToTheScreen)
{
    CaptureStderr();
    MessageBoxW(nullptr, L"Der Spielstand \"\\home\\anna\\profile.prf\" war beschädigt", L"Spielstand", MB_OK);
    EXPECT_EQ(GetCapturedStderr(), "Spielstand: Der Spielstand \"/home/anna/profile.prf\" war besch\xC3\xA4"
                                   "digt\n");

    using Win32Internal::wrapMessage;
    // Broken at blanks, a long path after a '/', a word without either where the line is full.
    EXPECT_EQ(wrapMessage(L"eins zwei drei vier", 10, 10), L"eins zwei\ndrei vier");
    EXPECT_EQ(wrapMessage(L"\"/home/anna/.local/share/Lumaro/profile.prf.bak\"", 20, 10),
              L"\"/home/anna/.local/\nshare/Lumaro/\nprofile.prf.bak\"");
    EXPECT_EQ(wrapMessage(L"abcdefghijklmnopqrstuvwxyz", 10, 10), L"abcdefghij\nklmnopqrst\nuvwxyz");
    // Lines already short stay as they are, empty ones included.
    EXPECT_EQ(wrapMessage(L"a\n\nb", 10, 10), L"a\n\nb");
    // Too many lines for the screen: the last one that fits says the text goes on.
    const std::wstring cut = wrapMessage(L"1\n2\n3\n4\n5\n6", 40, 4);
    EXPECT_EQ(cut.substr(0, 6), L"1\n2\n3\n");
    EXPECT_NE(cut.find(L"stderr"), std::wstring::npos);
    EXPECT_EQ(std::count(cut.begin(), cut.end(), L'\n'), 3);
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
