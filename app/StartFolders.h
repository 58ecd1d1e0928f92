#pragma once
// Where the program runs and writes. The engine names its data relative to the working folder,
// so the program moves into the folder that holds the data: the working folder when it has the
// data (a start in the runtime folder), else the installed data beside the program
// (../share/threematch) or the build tree's runtime folder (../run). An installed data folder
// cannot be written: logs, screenshots and compiled effects then go to the user's folders.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace StartFolders {

// The program's name: the installed data folder and the user's folders are named after it.
inline constexpr const char* kProgram = "threematch";

// The loose files the start reads first; a folder without the archive holds the game's data only
// when it has them.
inline constexpr const char* kFirstLooseFiles[] = {"data/font.fnt", "data/texte.lng"};

// True when the folder holds the game's data: the archive "Lumaro.gob" or the loose files the
// start reads first (a "data" folder alone is anybody's).
bool holdsGameData(const std::filesystem::path& folder);

// True when the folder exists but the user may not read it or the game's files in it.
bool unreadable(const std::filesystem::path& folder);

// The message for a start without data: the candidates that exist (the folders really looked
// into), those the user may not read marked, and what to do about it.
std::wstring missingDataText(const std::vector<std::filesystem::path>& candidates);

// The folders searched for the data, in order: the working folder, then beside the program.
std::vector<std::filesystem::path> candidates(const std::filesystem::path& executable,
                                              const std::filesystem::path& workingFolder);

// The first candidate holding the data; empty when none does.
std::filesystem::path findRuntimeFolder(const std::vector<std::filesystem::path>& candidates);

// True for an installed data folder (".../share/threematch"), which a run never writes into.
bool isInstalled(const std::filesystem::path& folder);

// Reads an environment variable; empty when unset.
using Environment = std::function<std::string(const char* name)>;

// Where a run writes; an empty folder means "as in the runtime folder" (the default).
struct WritableFolders {
    std::filesystem::path logs;
    std::filesystem::path screenshots;
    std::filesystem::path effects;
};

// The runtime folder's own places when it can be written; else $XDG_STATE_HOME/threematch/logs,
// the user's pictures folder (or $XDG_DATA_HOME/threematch/screenshots) and
// $XDG_CACHE_HOME/threematch/compiled-effects, with the usual defaults under $HOME.
WritableFolders chooseWritableFolders(bool runtimeFolderWritable, const Environment& environment);

// The user's pictures folder as xdg-user-dir names it (user-dirs.dirs, then the environment);
// empty when it is not set, is the home folder itself or does not exist.
std::filesystem::path picturesFolder(const Environment& environment);

// The process's own environment.
std::string processEnvironment(const char* name);

// The candidates of this process: its working folder and its executable's place.
std::vector<std::filesystem::path> processCandidates();

// Moves into the first candidate holding the data (staying put without one) and points the logs,
// screenshots and compiled effects at the folders chooseWritableFolders gives for it.
void enterRuntimeFolder();

// A Linux path as the user reads it, wide.
std::wstring widen(const std::filesystem::path& path);
// A Linux path as the engine names files: wide, with backslashes.
std::wstring engineName(const std::filesystem::path& path);

} // namespace StartFolders
