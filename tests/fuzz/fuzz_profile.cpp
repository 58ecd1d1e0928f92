// Writes arbitrary bytes as "profile.prf" in the save folder (the working folder here), loads
// it with a few stone classes in the globals, switches through every profile, saves, and reads
// the saved file back. A file that does not read must be kept aside and leave no profile; one
// that reads must save and read back with the same profiles.
#include "FuzzGlobals.h"
#include "foundation/app/AppInfo.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/RohstoffManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace ThreeMatch;

namespace {

const wchar_t* const kStones = LR"(<ROHSTOFFE>
  <ROHSTOFFKLASSE NAME="HOLZ" UNLOCKED="1" TULVR="1" MOXEN="1">
    <ROHSTOFF NAME="EICHE" UNLOCKED="1"/><ROHSTOFF NAME="BIRKE" LADUNGEN="4" TULVR="1"/>
  </ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="ERZ"><ROHSTOFF NAME="GOLD"/></ROHSTOFFKLASSE>
</ROHSTOFFE>)";

MyGlobals& globals()
{
    return fuzzGlobals(kStones);
}

void writeFile(const std::filesystem::path& path, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::AppInfo::getInstance()->setSavePathKind(Ulvo::AppInfo::SAVE_PATH_CURRENT);
    const std::filesystem::path file = std::filesystem::current_path() / "profile.prf";
    const std::filesystem::path backup = std::filesystem::current_path() / "profile.prf.bak";
    std::error_code ec;
    std::filesystem::remove(backup, ec);
    writeFile(file, data, size);

    int count = 0;
    {
        ProfileManager profiles;
        profiles.setGlobals(&globals());
        profiles.loadProfiles();
        count = profiles.getProfileCount();
        if (count == 0 && !std::filesystem::exists(file) && !std::filesystem::exists(backup))
            std::abort(); // the bytes are gone
        for (int i = 0; i < count; ++i)
            profiles.selectProfile(profiles.getProfile(i));
        globals().setSchwierigkeit(7);
        if (Profil* active = profiles.getActiveProfile()) {
            for (int i = 0; i < 4000; ++i)
                active->addPoint();
            active->restoreLevel(&globals());
        }
        profiles.saveProfiles();
    }
    // The manager saved once more on its way out; the file reads back with the same profiles,
    // unless it holds a name or value the format cannot write (then the old file stays).
    ProfileManager again;
    again.setGlobals(&globals());
    again.loadProfiles();
    if (again.getProfileCount() != count && again.getProfileCount() != 0)
        std::abort();
    return 0;
}
