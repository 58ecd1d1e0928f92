// Message boxes that never block: the message goes to stderr and the box's default
// button is the answer, so unattended runs and tests go on. Only a system-modal box, which
// the program keeps for a message it cannot go on after, is also shown and waited for. The
// program names files with backslashes; the text shows them as the system does.
#include <windows.h>

#include "win32/MessageText.h"
#include "win32/Strings.h"
#include "win32/WindowSystem.h"
#include "common/Diagnostics.h"

#include <string>

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type)
{
    // Buttons of each family in order (OK, OK/Cancel, Abort/Retry/Ignore, Yes/No/Cancel,
    // Yes/No, Retry/Cancel, Cancel/Try again/Continue).
    static const int kButtons[7][3] = {
        {IDOK, 0, 0},     {IDOK, IDCANCEL, 0}, {3, 4, 5},          {IDYES, IDNO, IDCANCEL},
        {IDYES, IDNO, 0}, {4, IDCANCEL, 0},    {IDCANCEL, 10, 11},
    };
    static const int kCounts[7] = {1, 2, 3, 3, 2, 2, 3};

    const std::wstring message = Win32Internal::systemPaths(text ? text : L"");
    std::wstring line = caption ? caption : L"Error";
    line += L": ";
    line += message;
    line += L'\n';
    Diagnostics::writeStderr(Win32Internal::wideToUtf8(line));
    if (type & MB_SYSTEMMODAL) {
        if (const Win32Internal::WindowSystem* system = Win32Internal::windowSystem())
            system->showMessage(caption ? caption : L"Error", message.c_str(), (type & 0xF0) == MB_ICONERROR);
    }

    UINT family = type & 0xF;
    if (family >= 7)
        family = 0;
    // A default button beyond the family's buttons means the first, as on Windows.
    UINT button = (type >> 8) & 0xF;
    if (button >= static_cast<UINT>(kCounts[family]))
        button = 0;
    return kButtons[family][button];
}
