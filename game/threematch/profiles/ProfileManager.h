#pragma once
// The player profiles and their file "profile.prf" in the save folder: the list of profiles
// in file order, the active one, and the document behind the file, whose "PROFIL" nodes the
// profiles own one each. It tells the game when the list or the active profile changes.
//
// The file is a player's only save, so it is never lost to a bad read or an interrupted
// write: a file that exists but does not read as a whole profile document is kept as
// "profile.prf.bak" before the game starts without profiles; one that reads but is damaged
// (mismatched tags are mended, numbers that are no numbers) is copied there before the first
// save; an older backup is never replaced; when no backup can be made, or the file is too
// large to be a save, it is not written over at all. The player is told once on screen.
// Every save goes to a temporary file that replaces the old one only once it is completely
// written, and nothing is saved before the file has been read. Profiles read the stone classes and the running level
// through the game's globals, so the last save must run while those still exist: the
// globals save on their way out (saveAtExit) unless the manager's own end came first.
#include "foundation/sigslot.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/profiles/Profil.h"

#include <string>
#include <vector>

namespace ThreeMatch {

class MyGlobals;

class ProfileManager {
public:
    // The game's profiles, built on first use and destroyed at exit.
    static ProfileManager* getInstance();
    // The game's profiles while they exist (null before the first use and after exit).
    static ProfileManager* existingInstance();

    // Tests build their own; the game uses getInstance.
    ProfileManager();
    // Saves when the file was read, then releases every profile.
    ~ProfileManager();
    ProfileManager(const ProfileManager&) = delete;
    ProfileManager& operator=(const ProfileManager&) = delete;

    // The globals whose stone classes, difficulty and running level the profiles use.
    void setGlobals(MyGlobals* globals) { m_globals = globals; }
    MyGlobals* getGlobals() const { return m_globals; }

    // Reads the save folder's "profile.prf" (an unreadable file is kept as ".bak").
    void loadProfiles();
    // Writes it; false when it was not written (the old file then stays as it was).
    bool saveProfiles();
    // The last save, while the globals still hold what the profiles write; afterwards the
    // manager neither saves nor reaches the globals again.
    void saveAtExit();

    // Makes a profile (or none) active: the old one writes its node, the new one is applied.
    void selectProfile(Profil* profil);
    // Adds a profile and takes over the caller's reference; the first one becomes active.
    // False (the caller keeps its reference) when it is listed already, or its name is empty,
    // cannot be written or belongs to a listed profile.
    bool createProfile(Profil* profil);
    // Removes a listed profile and releases it; the active one leaves no profile active.
    bool deleteProfile(Profil* profil);
    // Renames a listed profile; false for a name that createProfile would refuse.
    bool renameProfile(Profil* profil, const std::wstring& name);

    Profil* getActiveProfile() const { return m_active; }
    // Null when index is not below the count.
    Profil* getProfile(int index) const;
    int getProfileCount() const { return static_cast<int>(m_profiles.size()); }
    // Exact, case-sensitive; null when absent.
    Profil* findProfile(const std::wstring& name) const;
    bool isLoaded() const { return m_loaded; }

    // The save folder's "profile.prf".
    static std::wstring profilePath();

    sigslot::signal0<> profilesChanged;
    // (old profile, new profile); either may be null.
    sigslot::signal2<Profil*, Profil*> activeProfileChanged;

private:
    // Why a name cannot be a profile's; empty when it can.
    std::wstring refuseName(const std::wstring& name, const Profil* except) const;
    // Reads the file into the root; false (root empty) when it is missing or unreadable.
    bool readFile(const std::wstring& path);
    // Keeps the file as "profile.prf.bak" (or the next free ".bak2" … ".bak9"), moved or
    // copied; when it cannot, the file is not written over in this run.
    bool keepAside(const std::wstring& path, bool move);
    // Collects a message for the player; showNotice shows what was collected, once.
    void tellPlayer(const std::wstring& text);
    void showNotice();
    void releaseAll();

    static constexpr int kMaxBackups = 9;

public:
    // More profiles than a list on screen can offer: a file with more is not read, and no
    // more can be made.
    static constexpr int kMaxProfiles = 1000;

private:
    std::vector<Profil*> m_profiles; // one reference each
    Profil* m_active = nullptr;
    Ulvo::XMLNode m_root{L"PROFILE"};
    bool m_loaded = false;
    bool m_keepFile = false; // the file could not be read or kept aside: never written over
    bool m_toldSaveFailure = false;
    std::wstring m_notice;
    MyGlobals* m_globals = nullptr;
};

} // namespace ThreeMatch
