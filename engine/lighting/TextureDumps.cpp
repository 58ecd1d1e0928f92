#include "lighting/TextureDumps.h"

#include "foundation/files/File.h"
#include "foundation/logging/Logger.h"

#include <windows.h>

namespace Ulvo {

bool saveTextureDumps(const wchar_t* who, const std::wstring& folder, const TextureDump* dumps, std::size_t count)
{
    std::wstring prefix;
    if (!folder.empty()) {
        // Where the folder is made must itself lie in the game's folders.
        if (!File::checkWriteTarget(folder + L"\\dump")) {
            mainLogger().log(50, LOG_TYPE_WARNING,
                             std::wstring(who) + L": folder \"" + folder + L"\" leads out; nothing written\n");
            return false;
        }
        // A folder that is there already is as good as a new one.
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            mainLogger().log(50, LOG_TYPE_WARNING,
                             std::wstring(who) + L": folder \"" + folder + L"\" could not be made; nothing written\n");
            return false;
        }
        prefix = folder + L"\\";
    }
    bool all = true;
    int written = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const TextureDump& dump = dumps[i];
        if (!dump.texture)
            continue;
        const std::wstring file = prefix + dump.name;
        // Through the checked path: a link to a folder or a file outside is never written through.
        const bool saved = File::writeReplacing(file, [&dump](const std::wstring& temporary) {
            return SUCCEEDED(D3DXSaveTextureToFileW(temporary.c_str(), dump.format, dump.texture, nullptr));
        });
        if (!saved) {
            all = false;
            mainLogger().log(50, LOG_TYPE_WARNING, std::wstring(who) + L": \"" + file + L"\" not written\n");
        } else {
            ++written;
        }
    }
    return all && written > 0;
}

} // namespace Ulvo
