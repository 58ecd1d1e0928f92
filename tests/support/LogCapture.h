#pragma once
// Runs a test in a fresh working folder whose "logs" receive the log files,
// with the log switch on and all thresholds and indents at 0; everything is
// restored and the files are closed again before the folder goes.
#include "foundation/logging/Logger.h"
#include "support/TestSupport.h"

#include <string>

class LogCapture {
public:
    LogCapture()
        : m_cwd(m_dir.path())
        , m_switch(Ulvo::logSwitch())
        , m_error(Ulvo::mainLogger().getErrorPriority())
        , m_warning(Ulvo::mainLogger().getWarningPriority())
        , m_info(Ulvo::mainLogger().getInfoPriority())
    {
        Ulvo::closeAllLogFiles();
        Ulvo::logSwitch() = 1;
        Ulvo::mainLogger().setPriority(0, 1 | 2 | 4);
    }

    ~LogCapture()
    {
        Ulvo::closeAllLogFiles();
        Ulvo::logSwitch() = m_switch;
        Ulvo::mainLogger().setPriority(m_error, 1);
        Ulvo::mainLogger().setPriority(m_warning, 2);
        Ulvo::mainLogger().setPriority(m_info, 4);
    }

    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The text of a log file so far ("logfile.log" or a module's file), UTF-8.
    std::string text(const std::string& fileName = "logfile.log") const
    {
        Ulvo::flushAllLogFiles();
        return TestSupport::readText(m_dir.path() / "logs" / fileName);
    }

    const std::filesystem::path& folder() const { return m_dir.path(); }

private:
    TestSupport::TempDir m_dir;
    TestSupport::ScopedCwd m_cwd;
    int m_switch;
    int m_error;
    int m_warning;
    int m_info;
};
