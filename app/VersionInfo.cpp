// The program's resources: the version block (product name, save folder and versions) and the
// icon the main window loads as resource 101.
#include "VersionInfo.h"

#include <platform_app.h>

namespace {

const PLATFORM_VERSION_STRING kStrings[] = {
    {L"FileDescription", L"Lumaro"},
    {L"ProductName", L"Lumaro"},
    {L"LegalCopyright", L"Copyright (C) 2026 Lumaro team"},
    {L"InternalName", L"threematch"},
    {L"SavePath", L"Lumaro"},
};

const PLATFORM_VERSION_TRANSLATION kTranslations[] = {
    {0x0407, 0x04b0, kStrings, static_cast<UINT>(sizeof(kStrings) / sizeof(kStrings[0]))},
};

const PLATFORM_VERSION_RESOURCE kResource = {
    {THREEMATCH_VERSION_MAJOR, THREEMATCH_VERSION_MINOR, THREEMATCH_VERSION_PATCH, 0},
    {THREEMATCH_VERSION_MAJOR, THREEMATCH_VERSION_MINOR, THREEMATCH_VERSION_PATCH, 0},
    kTranslations,
    1,
};

} // namespace

void registerVersionInfo()
{
    PlatformSetVersionResource(&kResource);
    // Read relative to the runtime folder, which the program has entered when the window is made.
    PlatformSetIconResource(101, L"threematch.png");
}
