#pragma once
// Facts about the running program (folder, file, version block) and the path
// of the save folder, where the configuration and the profiles live.
#include <string>

namespace Ulvo {

class AppInfo {
public:
    // Bases of the save folder.
    enum SavePathKind {
        SAVE_PATH_USER_PROFILE = 0, // %USERPROFILE%
        SAVE_PATH_APP_DATA = 1,     // %APPDATA%
        SAVE_PATH_ALL_USERS = 2,    // %ALLUSERSPROFILE%
        SAVE_PATH_CURRENT = 3,      // the current folder itself
    };

    // The program's instance, built on first use.
    static AppInfo* getInstance();

    // Reads everything afresh; the program uses getInstance, tests build their
    // own after registering a version table.
    AppInfo();

    void getVersion(unsigned& major, unsigned& minor, unsigned& build, unsigned& revision) const;
    void getFileVersion(unsigned& major, unsigned& minor, unsigned& build, unsigned& revision) const;

    const std::wstring& getCurrentFolder() const { return m_currentFolder; }
    const std::wstring& getProgramFileName() const { return m_programFileName; }
    const std::wstring& getProgramPath() const { return m_programPath; }
    const std::wstring& getProductVersionText() const { return m_productVersionText; }
    const std::wstring& getFileVersionText() const { return m_fileVersionText; }
    const std::wstring& getProductName() const { return m_productName; }
    const std::wstring& getFileDescription() const { return m_fileDescription; }
    const std::wstring& getLegalNotice() const { return m_legalNotice; }
    const std::wstring& getInternalName() const { return m_internalName; }
    const std::wstring& getHomepage() const { return m_homepage; }
    const std::wstring& getUpdatePage() const { return m_updatePage; }
    const std::wstring& getSaveFolderName() const { return m_saveFolderName; }
    int getSavePathKind() const { return m_savePathKind; }

    void setSavePathKind(const int& base) { m_savePathKind = base; }
    // The save folder's path; empty for an unknown base.
    std::wstring expandSavePath() const;
    // Creates the save folder with every missing parent; false (and an error
    // line) when a level cannot be created.
    bool createSaveFolder() const;

private:
    void readVersionBlock();
    void applyString(const std::wstring& key, const std::wstring& value);

    std::wstring m_currentFolder;
    std::wstring m_programFileName;
    std::wstring m_programPath;
    unsigned m_productVersion[4] = {0, 0, 0, 0};
    std::wstring m_productVersionText;
    unsigned m_fileVersion[4] = {0, 0, 0, 0};
    std::wstring m_fileVersionText;
    std::wstring m_productName;
    std::wstring m_fileDescription;
    std::wstring m_legalNotice;
    std::wstring m_internalName;
    std::wstring m_homepage;
    std::wstring m_updatePage;
    std::wstring m_saveFolderName;
    int m_savePathKind = SAVE_PATH_CURRENT;
};

} // namespace Ulvo
