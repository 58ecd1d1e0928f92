#include "StartFolders.h"

#include <windows.h>

#include "foundation/logging/LogFolder.h"
#include "graphics/effects/Effect.h"
#include "threematch/controller/ThreeMatchGame.h"

#include <cstdlib>
#include <fstream>
#include <system_error>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace StartFolders {

namespace {

bool isFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool isFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

fs::path withoutTrailingSlash(const std::string& path)
{
    fs::path normal = fs::path(path).lexically_normal();
    return normal.has_filename() || normal == normal.root_path() ? normal : normal.parent_path();
}

// An XDG base folder: the variable when it holds an absolute path, else home + fallback.
fs::path baseFolder(const Environment& environment, const char* variable, const char* underHome)
{
    const std::string value = environment(variable);
    if (!value.empty() && value.front() == '/')
        return value;
    return fs::path(environment("HOME")) / underHome;
}

// The value of XDG_PICTURES_DIR in a user-dirs.dirs file ("$HOME/..." or an absolute path).
std::string picturesEntry(const fs::path& file, const std::string& home)
{
    std::ifstream in(file);
    std::string line;
    std::string found;
    const std::string key = "XDG_PICTURES_DIR=";
    while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        std::string value = line.substr(start + key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        found = value; // the last entry wins, as when the file is sourced
    }
    return found;
}

} // namespace

bool holdsGameData(const fs::path& folder)
{
    if (isFile(folder / "Lumaro.gob"))
        return true;
    // Any folder may hold a "data" folder of its own (a home folder does); only the files the
    // start reads first make it the game's.
    for (const char* file : kFirstLooseFiles) {
        if (!isFile(folder / file))
            return false;
    }
    return true;
}

bool unreadable(const fs::path& folder)
{
    if (!isFolder(folder))
        return false;
    if (access(folder.c_str(), R_OK | X_OK) != 0)
        return true;
    std::vector<fs::path> held{folder / "Lumaro.gob"};
    for (const char* file : kFirstLooseFiles)
        held.push_back(folder / file);
    for (const fs::path& file : held) {
        std::error_code error;
        if (fs::exists(file, error) && access(file.c_str(), R_OK) != 0)
            return true;
    }
    // A "data" folder the start cannot look into.
    return isFolder(folder / "data") && access((folder / "data").c_str(), R_OK | X_OK) != 0;
}

std::wstring missingDataText(const std::vector<fs::path>& candidates)
{
    std::wstring text = L"Keine Spieldaten gefunden:\nweder \"Lumaro.gob\" noch die Dateien des Ordners \"data\" "
                        L"liegen in einem dieser Ordner:\n";
    bool denied = false;
    for (const fs::path& folder : candidates) {
        // Only folders that exist were looked into.
        if (folder.empty() || !isFolder(folder))
            continue;
        text += L"\"" + widen(folder) + L"\"";
        if (unreadable(folder)) {
            text += L" (kein Lesezugriff)";
            denied = true;
        }
        text += L"\n";
    }
    text += denied ? L"Bitte die Zugriffsrechte prüfen: der Benutzer muss die Spieldaten lesen dürfen."
                   : L"Bitte das Spiel neu installieren.";
    return text;
}

std::vector<fs::path> candidates(const fs::path& executable, const fs::path& workingFolder)
{
    std::vector<fs::path> list{workingFolder};
    if (!executable.empty()) {
        const fs::path prefix = executable.parent_path().parent_path();
        list.push_back(prefix / "share" / kProgram);
        list.push_back(prefix / "run");
    }
    return list;
}

bool isInstalled(const fs::path& folder)
{
    const fs::path normal = withoutTrailingSlash(folder.string());
    return normal.filename() == kProgram && normal.parent_path().filename() == "share";
}

fs::path findRuntimeFolder(const std::vector<fs::path>& candidates)
{
    for (const fs::path& folder : candidates) {
        if (!folder.empty() && holdsGameData(folder))
            return folder;
    }
    return {};
}

fs::path picturesFolder(const Environment& environment)
{
    const std::string home = environment("HOME");
    std::string value = picturesEntry(baseFolder(environment, "XDG_CONFIG_HOME", ".config") / "user-dirs.dirs", home);
    if (value.empty())
        value = environment("XDG_PICTURES_DIR");
    if (value.empty() || value.front() != '/')
        return {};
    const fs::path folder = withoutTrailingSlash(value);
    // xdg-user-dir answers the home folder for a folder not set up; pictures do not go there.
    if (!home.empty() && folder == withoutTrailingSlash(home))
        return {};
    return isFolder(folder) ? folder : fs::path();
}

WritableFolders chooseWritableFolders(bool runtimeFolderWritable, const Environment& environment)
{
    WritableFolders folders;
    if (runtimeFolderWritable)
        return folders;
    folders.logs = baseFolder(environment, "XDG_STATE_HOME", ".local/state") / kProgram / "logs";
    folders.screenshots = picturesFolder(environment);
    if (folders.screenshots.empty())
        folders.screenshots = baseFolder(environment, "XDG_DATA_HOME", ".local/share") / kProgram / "screenshots";
    folders.effects = baseFolder(environment, "XDG_CACHE_HOME", ".cache") / kProgram / "compiled-effects";
    return folders;
}

std::string processEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value && *value)
        return value;
    // Without HOME the user's folders are still the account's, never relative to the data folder.
    if (std::string(name) == "HOME") {
        if (const passwd* account = getpwuid(getuid()))
            return account->pw_dir ? account->pw_dir : "";
    }
    return "";
}

std::vector<fs::path> processCandidates()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    const fs::path working = fs::current_path(error);
    return candidates(executable, working);
}

std::wstring widen(const fs::path& path)
{
    const std::string text = path.string();
    std::wstring wide(text.size(), L'\0');
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), int(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return wide;
}

std::wstring engineName(const fs::path& path)
{
    std::wstring wide = widen(path);
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    return wide;
}

void enterRuntimeFolder()
{
    const std::vector<fs::path> list = processCandidates();
    const fs::path found = findRuntimeFolder(list);
    std::error_code error;
    if (!found.empty() && found != list.front())
        fs::current_path(found, error);
    // An installed folder is never written, even by a user who could (root); without data the
    // working folder is someone else's and keeps no logs either.
    const bool ownFolderUsable = !found.empty() && !isInstalled(found) && access(".", W_OK) == 0;
    const WritableFolders folders = chooseWritableFolders(ownFolderUsable, processEnvironment);
    if (!folders.logs.empty()) {
        fs::create_directories(folders.logs, error);
        Ulvo::setLogFolder(engineName(folders.logs));
    }
    if (!folders.screenshots.empty()) {
        fs::create_directories(folders.screenshots, error);
        ThreeMatch::ThreeMatchGame::setScreenshotFolder(engineName(folders.screenshots));
    }
    if (!folders.effects.empty())
        Ulvo::compiledEffectFolder = engineName(folders.effects);
}

} // namespace StartFolders
