#pragma once
// Keeps a second game off a save folder in use. Two games writing one folder would each
// write back their own profiles at exit and throw away the other's progress, so the game
// holds the folder's lock file "lock" exclusively from start to end. The system frees it
// with the process, so a game that crashed or was killed never blocks the next start.
#include <string>

namespace Ulvo {

class SaveFolderLock {
public:
    enum Result {
        TAKEN,        // this process holds the folder now
        IN_USE,       // another running game holds it
        NOT_POSSIBLE, // the lock file cannot be opened (a read-only folder): nothing to protect
    };

    SaveFolderLock() = default;
    // Frees the folder.
    ~SaveFolderLock();
    SaveFolderLock(const SaveFolderLock&) = delete;
    SaveFolderLock& operator=(const SaveFolderLock&) = delete;

    Result take(const std::wstring& saveFolder);
    void release();
    bool isHeld() const { return m_handle != nullptr; }

private:
    void* m_handle = nullptr;
};

} // namespace Ulvo
