#pragma once
// What the program registers with the platform layer and asks of it, and the path mapping for
// tools.
#include <windef.h>

#include <functional>
#include <string>
#include <vector>

// The program's version block, as its resource script would describe it.
// GetFileVersionInfoW and VerQueryValueW serve it for the program's own file.
struct PLATFORM_VERSION_STRING {
    const wchar_t* key; // "ProductName", "SavePath", ...
    const wchar_t* value;
};

struct PLATFORM_VERSION_TRANSLATION {
    WORD language; // 0x0409
    WORD codePage; // 0x04b0
    const PLATFORM_VERSION_STRING* strings;
    UINT count;
};

struct PLATFORM_VERSION_RESOURCE {
    WORD productVersion[4]; // major, minor, build, revision
    WORD fileVersion[4];
    const PLATFORM_VERSION_TRANSLATION* translations;
    UINT count;
};

// Copies the table; null removes the version block again.
void PlatformSetVersionResource(const PLATFORM_VERSION_RESOURCE* resource);

// The program's icon resource number id: a PNG picture file (a Windows path, read when LoadIconW
// first asks for it with the program's instance); null removes it again.
void PlatformSetIconResource(WORD id, const wchar_t* pictureFile);

// The Linux path a Windows path refers to ("Data\Menu\X.tex" -> "data/menu/x.tex"):
// separators become '/', "." and ".." are resolved, and each component is matched to an
// existing entry without regard to case; a component that does not exist stays as written.
std::string PlatformMapPath(const std::wstring& windowsPath);

// True once SIGINT, SIGTERM or SIGHUP asked the program to end (the layer turned it into a
// close of the main window): an end asked from outside, not by the user in the window.
bool PlatformTerminationRequested();
// True as soon as such a signal arrived, before the queue has turned it into the close, and on the
// thread that serves the windows while a quit or a window's close waits in its queues: for long
// work between two looks at the queue (a scene loading) to stop early, so the close is served.
bool PlatformTerminationPending();
// Ends the process with the code once C streams are flushed, without tearing down windows, the
// driver or anything else the system takes back itself: for a program that has saved everything
// and was asked from outside to end, whose sender should not wait for that teardown. Builds with
// a leak checker return instead, so that it sees the whole teardown.
void PlatformEndProcess(int code);

// Puts a window that already covers its whole display into the desktop's full screen now, as a
// full-screen Direct3D device created for it later would do; that device then finds it so and
// does not switch. A switch waits up to 100 ms for a window manager's answer, so a program does
// it here while its main thread has nothing else to do (an intro playing). False, with nothing
// changed, for a window that does not cover its display. Call it on the window's thread.
bool PlatformEnterFullScreen(HWND window);

// Starts the video system now and tells whether it has a display to show windows on (an explicit
// offscreen or dummy driver counts as one). Without it the layer would go on with an invisible
// desktop of a fixed size; a program that needs to be seen asks first.
bool PlatformDisplayOpens();

// Reads an image file's bytes again; false when it can no longer be read.
using PlatformImageReader = std::function<bool(std::vector<unsigned char>&)>;
// The next D3DXCreateTextureFromFileInMemoryEx on this thread keeps `reader` instead of a copy of
// the file for a managed texture, and reads the file through it each time it writes the texels
// (at first use and after its storage was given back). That call takes the reader whatever it
// does with it; a texture whose file no longer reads logs a line and stays blank.
void PlatformSetNextImageReader(PlatformImageReader reader);

// Checks every PNG file under `folder` (as the program names it: "data") on worker threads, as
// D3DX checks a managed picture's file at its load, so that the load of the very same bytes later
// finds the verdict made; other bytes are checked at their load as before. For a start whose
// main thread has other work first (window, intro). With `keptFile` the verdicts are kept there
// for the next start, which reads and checks only the files whose length or time of change
// differ (a picture is then inflated once, by its decode at first use). PlatformEndImageChecksAhead
// stops the workers, waits for them and forgets the verdicts; it may be called any number of times.
void PlatformStartImageChecksAhead(const std::wstring& folder, const std::wstring& keptFile = std::wstring());
void PlatformEndImageChecksAhead();

// Opens the video's libraries (many, with their dependencies: tens of milliseconds) on a thread
// of its own, to be held until PlatformLetGoOfVideoLibraries; a clip opened meanwhile uses them.
// PlatformWaitForVideoLibraries waits until they are open: before this thread loads other
// libraries (the GL driver with a window), so that what the clip brought in is told apart.
// Letting go closes them (when no clip holds them) on a thread of its own; the next call to
// PlatformLetGoOfVideoLibraries waits for that, so a program calls it again before it ends.
void PlatformOpenVideoLibrariesAhead();
void PlatformWaitForVideoLibraries();
void PlatformLetGoOfVideoLibraries();
// Readies the drawing of a clip's pictures into the window on a thread of its own, typically
// while the video's libraries open: the driver compiles that drawing at its first use, and the
// clip's first picture would wait for it. The clip's presenter takes the context over (waiting
// for the thread if need be); PlatformLetGoOfVideoLibraries frees one that no clip took.
void PlatformPrepareVideoPictures(HWND window);

// With ULVO_STARTUP_TIMES set, writes "startup <monotonic seconds> <thread cpu ms> <what>" on
// stderr, for finding where a launch spends its time; nothing otherwise. Any thread may call it.
void PlatformStartupMark(const char* what);
