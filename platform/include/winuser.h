#pragma once
// Windows, the message queue, keyboard and mouse state, cursor, metrics and message boxes,
// on SDL2. Windows and their messages belong to the thread that created them; only
// PostMessageW, PostQuitMessage and IsWindow may be used from other threads. Message
// boxes never block: they report on stderr and return the default answer.
#include <windef.h>

// Error codes of the window calls.
#ifndef ERROR_NOT_SUPPORTED
#define ERROR_NOT_SUPPORTED 50L
#endif
#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#ifndef ERROR_CANNOT_FIND_WND_CLASS
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#endif
#ifndef ERROR_CLASS_ALREADY_EXISTS
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#endif
#ifndef ERROR_CLASS_DOES_NOT_EXIST
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#endif
#ifndef ERROR_CLASS_HAS_WINDOWS
#define ERROR_CLASS_HAS_WINDOWS 1412L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELRESULT(l, h) (static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(l, h))))
// Signed coordinates of mouse messages (client coordinates; screen for WM_MOUSEWHEEL).
#define GET_X_LPARAM(lp) (static_cast<int>(static_cast<SHORT>(LOWORD(lp))))
#define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<SHORT>(HIWORD(lp))))
#define GET_WHEEL_DELTA_WPARAM(wp) (static_cast<SHORT>(HIWORD(wp)))
#define GET_KEYSTATE_WPARAM(wp) (LOWORD(wp))
#define GET_XBUTTON_WPARAM(wp) (HIWORD(wp))
#define WHEEL_DELTA 120

// Resources: programs have no resource section here, so icons and cursors are
// placeholder handles that nothing draws.
#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEW(i)
#define MAKEINTATOM(i) (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IDI_APPLICATION MAKEINTRESOURCEW(32512)
#define IDC_ARROW MAKEINTRESOURCEW(32512)

// Messages.
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ACTIVATEAPP 0x001C
#define WM_DISPLAYCHANGE 0x007E
#define WM_NCDESTROY 0x0082
#define WM_NCMOUSEMOVE 0x00A0
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_KEYLAST 0x0109
#define WM_TIMER 0x0113
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_XBUTTONDOWN 0x020B
#define WM_XBUTTONUP 0x020C
#define WM_XBUTTONDBLCLK 0x020D
#define WM_MOUSELAST 0x020D
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_ACTIVATE
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

// WM_SIZE
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2

// Mouse message key state
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010
#define MK_XBUTTON1 0x0020
#define MK_XBUTTON2 0x0040
#define XBUTTON1 0x0001
#define XBUTTON2 0x0002

// Virtual keys. Key messages report the position on a US keyboard, whatever the layout;
// letters and digits are their upper-case ASCII codes.
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_MBUTTON 0x04
#define VK_XBUTTON1 0x05
#define VK_XBUTTON2 0x06
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_F13 0x7C
#define VK_F14 0x7D
#define VK_F15 0x7E
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE
#define VK_OEM_102 0xE2

// Window styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_APPWINDOW 0x00040000L

// Class styles
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040

// Window data indices
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)
#define GWL_USERDATA (-21)

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define HWND_DESKTOP (static_cast<HWND>(nullptr))
#define HWND_TOP (reinterpret_cast<HWND>(static_cast<intptr_t>(0)))
#define HWND_BOTTOM (reinterpret_cast<HWND>(static_cast<intptr_t>(1)))
#define HWND_TOPMOST (reinterpret_cast<HWND>(static_cast<intptr_t>(-1)))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(static_cast<intptr_t>(-2)))

#define CW_USEDEFAULT (static_cast<int>(0x80000000))

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// Metrics. The frame is fixed: a caption adds SM_CYCAPTION (23) above the client area and
// a frame of SM_CXFRAME/SM_CYFRAME (3) on every side; WS_BORDER alone adds SM_CXBORDER (1);
// WS_POPUP without those bits adds nothing.
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CYCAPTION 4
#define SM_SWAPBUTTON 23 // 0 here: the desktop owns the button order
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CXFIXEDFRAME SM_CXDLGFRAME
#define SM_CYFIXEDFRAME SM_CYDLGFRAME
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXSIZEFRAME SM_CXFRAME
#define SM_CYSIZEFRAME SM_CYFRAME

#define MONITOR_DEFAULTTONULL 0x00000000
#define MONITOR_DEFAULTTOPRIMARY 0x00000001
#define MONITOR_DEFAULTTONEAREST 0x00000002

typedef struct tagWNDCLASSEXW {
    UINT cbSize; // sizeof(WNDCLASSEXW); 48, the size on 32-bit Windows, is accepted too
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra; // extra bytes are not provided
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName; // a name or MAKEINTATOM(atom)
    HICON hIconSm;
} WNDCLASSEXW, *PWNDCLASSEXW, *LPWNDCLASSEXW;
typedef WNDCLASSEXW WNDCLASSEX;

// lParam of WM_CREATE points to this.
typedef struct tagCREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTW, *LPCREATESTRUCTW;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time; // GetTickCount when the message was queued
    POINT pt;   // cursor position (screen) when the message was queued
} MSG, *PMSG, *LPMSG;

// Window classes and windows. Every window is an SDL window (with OpenGL, so the device
// can draw into it), hidden unless WS_VISIBLE. Child windows and menus do not exist.
// The first window created installs SIGINT/SIGTERM handlers: either signal becomes
// WM_CLOSE to the oldest window still alive (WM_QUIT(0) when none is), delivered by the
// message calls; a second signal before the first was delivered ends the process.
ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
// Sends WM_CREATE before it returns; -1 from the procedure destroys the window and fails.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Sends WM_DESTROY and WM_NCDESTROY, drops the window's queued messages and timers. An
// active window stops being active without WM_ACTIVATE: at exit its listeners may be gone.
BOOL DestroyWindow(HWND window); // the console's placeholder window: TRUE, nothing happens
// WM_CLOSE destroys the window, WM_PAINT validates it; every other message gives 0.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
int GetWindowTextW(HWND window, LPWSTR buffer, int bufferLength);
// GWL_STYLE (a change of WS_CAPTION adds or removes the frame at once, the outer
// rectangle staying; WS_VISIBLE follows ShowWindow only) and GWL_EXSTYLE.
LONG GetWindowLongW(HWND window, int index);
LONG SetWindowLongW(HWND window, int index, LONG value);
// The long indices above plus GWLP_USERDATA, GWLP_WNDPROC and GWLP_HINSTANCE.
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
// Places the outer rectangle (client area = outer size minus the frame) and sends WM_MOVE
// and WM_SIZE when the client area moved or changed size. The Z order is not kept.
// On the console's placeholder window (GetConsoleWindow) it does nothing and succeeds.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
// Returns whether the window was visible before. Showing activates the window (WM_ACTIVATEAPP,
// WM_ACTIVATE, WM_SETFOCUS are sent) except for SW_SHOWNA/SW_SHOWNOACTIVATE/SW_SHOWMINNOACTIVE;
// hiding the active window deactivates it. On the console's placeholder window: TRUE.
BOOL ShowWindow(HWND window, int command);
// Sends WM_PAINT when the visible window has an invalid region. Regions are whole windows:
// any InvalidateRect invalidates, any ValidateRect validates the whole client area.
BOOL UpdateWindow(HWND window);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu);                  // menu is ignored
BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle); // so is exStyle
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL GetClientRect(HWND window, LPRECT rect);
BOOL ClientToScreen(HWND window, LPPOINT point);
BOOL ScreenToClient(HWND window, LPPOINT point);
// A pseudo window whose rectangle is the desktop: display 0, or 1024x768 without a display.
HWND GetDesktopWindow();
HMONITOR MonitorFromWindow(HWND window, DWORD flags);
// Works without any window (SDL starts on first use); 1024x768 when SDL has no display.
int GetSystemMetrics(int index);
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND window);
HWND GetFocus();
HWND SetFocus(HWND window);

// Messages. SDL's events are turned into messages for the window they concern when the
// thread that started SDL calls PeekMessageW or GetMessageW. Key messages carry the US
// position's VK code and, in lParam, repeat count 1, the scan code, the extended-key,
// context (Alt) and previous-state bits. WM_CHAR comes from SDL's text input (one message
// per character) and from Backspace, Tab, Return and Escape, not from TranslateMessage.
BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for a message: 1, 0 for WM_QUIT, -1 on a bad argument.
BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax);
// Characters come straight from SDL's text input, so nothing is left to translate:
// TRUE for key messages (as on Windows), FALSE otherwise, without any effect.
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure; messages without a window are not dispatched (WM_TIMER
// with a timer procedure calls it).
LRESULT DispatchMessageW(const MSG* msg);
// A null window posts to the calling thread's queue.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure at once, on the calling thread.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_QUIT(exitCode) is returned once the calling thread's queue holds nothing else.
void PostQuitMessage(int exitCode);
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC timerProc);
BOOL KillTimer(HWND window, UINT_PTR id);

// Keyboard and mouse. The state follows every SDL event as it arrives (injected ones too).
// Bit 15 is set while the key is down; the "pressed since the last call" bit is not kept.
SHORT GetAsyncKeyState(int virtualKey);
// The system's keyboard layout; its low word is the layout's language. Told from the letters
// and signs the keys give on the screen's keymap (German, English (US)), else from the XKB
// layout named in XKB_DEFAULT_LAYOUT ("de", "us"); LANG_NEUTRAL when it cannot be told. The
// thread is not looked at.
HKL GetKeyboardLayout(DWORD thread);
// The display counter: the cursor is shown while it is 0 or more. Returns the new count.
int ShowCursor(BOOL show);
BOOL SetCursorPos(int x, int y); // screen coordinates
BOOL GetCursorPos(LPPOINT point);
BOOL ClipCursor(const RECT* rect); // screen rectangle inside one of our windows, or null

HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
// The program's own module (any non-null value); other names are not loaded modules.
HMODULE GetModuleHandleW(LPCWSTR moduleName);

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_ICONERROR 0x00000010L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
// Boxes write their message to stderr and answer with the default button at once; a
// system-modal one (a fatal message) is also shown on the screen, when there is one, and waits.
#define MB_SYSTEMMODAL 0x00001000L
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// DrawText format flags.
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
