#pragma once
// The built game started headless from a private copy of its runtime folder,
// with a private XDG_DATA_HOME, watched through its log files and exit status.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

class GameRun {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    GameRun()
    {
        std::filesystem::copy(TestSupport::runtimeDir(), m_runFolder, std::filesystem::copy_options::recursive);
        std::filesystem::remove_all(m_runFolder / "logs");
        std::filesystem::create_directories(m_dataHome);
    }
    ~GameRun()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    const std::filesystem::path& runFolder() const { return m_runFolder; }
    // Where a run without its own writable folder keeps its logs (threematch/logs).
    std::filesystem::path stateHome() const { return m_dir / "state"; }
    std::filesystem::path saveFolder() const { return m_dataHome / "Lumaro"; }
    std::filesystem::path configFile() const { return saveFolder() / "config.cfg"; }
    // Runs on the other run's save folder (set before start).
    void shareSaveFolderOf(const GameRun& other) { m_dataHome = other.m_dataHome; }
    // The program starts from a hard link of its own in a "bin" folder beside the run folder,
    // so the only data beside it is the run folder's ("../run"), and in the working folder given.
    void runAlone(const std::filesystem::path& workingFolder)
    {
        std::filesystem::create_directories(m_dir / "bin");
        m_program = m_dir / "bin" / "threematch";
        std::error_code error;
        std::filesystem::create_hard_link(TestSupport::binDir() / "threematch", m_program, error);
        if (error)
            std::filesystem::copy_file(TestSupport::binDir() / "threematch", m_program);
        m_workingFolder = workingFolder;
    }
    // What the program writes on stderr goes to a file (stderrText) from the next start on.
    void captureStderr() { m_stderrFile = m_dir / "stderr.txt"; }
    std::string stderrText() const { return TestSupport::readText(m_stderrFile); }

    // commandLine is handed over as one argument (none when empty); environment
    // adds to or replaces the variables the run sets itself.
    void start(const std::string& commandLine = "", const Environment& environment = {})
    {
        // Everything is prepared before the fork: the child only changes
        // folder and replaces itself.
        const std::string program = (m_program.empty() ? TestSupport::binDir() / "threematch" : m_program).string();
        Environment overrides = {{"XDG_DATA_HOME", m_dataHome.string()},
                                 {"XDG_STATE_HOME", stateHome().string()},
                                 {"SDL_VIDEODRIVER", "offscreen"},
                                 {"SDL_AUDIODRIVER", "dummy"}};
        overrides.insert(overrides.end(), environment.begin(), environment.end());
        std::vector<std::string> entries;
        for (char** variable = environ; *variable; ++variable) {
            const std::string entry = *variable;
            const std::string name = entry.substr(0, entry.find('='));
            bool replaced = false;
            for (const auto& [overrideName, value] : overrides)
                replaced = replaced || overrideName == name;
            if (!replaced)
                entries.push_back(entry);
        }
        for (const auto& [name, value] : overrides)
            entries.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& entry : entries)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string programCopy = program;
        std::string arguments = commandLine;
        std::vector<char*> argv{programCopy.data()};
        if (!arguments.empty())
            argv.push_back(arguments.data());
        argv.push_back(nullptr);
        const std::string folder = (m_workingFolder.empty() ? m_runFolder : m_workingFolder).string();
        const int errorFile =
            m_stderrFile.empty() ? -1 : open(m_stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

        m_started = std::chrono::steady_clock::now();
        m_pid = fork();
        ASSERT_GE(m_pid, 0);
        if (m_pid == 0) {
            if (chdir(folder.c_str()) != 0)
                _exit(126);
            if (errorFile >= 0)
                dup2(errorFile, STDERR_FILENO);
            execve(program.c_str(), argv.data(), envp.data());
            _exit(127);
        }
        if (errorFile >= 0)
            close(errorFile);
    }

    std::string log(const char* name) const { return TestSupport::readText(m_runFolder / "logs" / name); }

    // True once the log holds the text; false when the program ended or the (load-stretched)
    // time ran out.
    bool waitForLog(const char* name, const std::string& text, std::chrono::milliseconds limit)
    {
        bool found = false;
        TestSupport::waitPatiently(limit, [&] {
            found = std::filesystem::exists(m_runFolder / "logs" / name) && log(name).find(text) != std::string::npos;
            return found || exited();
        });
        return found;
    }

    // True once the main window exists (its log says so).
    bool waitForWindow(std::chrono::milliseconds limit)
    {
        return waitForLog("window.log", "createWindow succeded!", limit);
    }

    void terminate() { signal(SIGTERM); }
    void signal(int number) { kill(m_pid, number); }

    // The exit status byte, or -1 when it did not end in the (load-stretched) time or ended by a
    // signal.
    int waitForExit(std::chrono::milliseconds limit)
    {
        if (!TestSupport::waitPatiently(limit, [&] { return exited(); }))
            return -1;
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }

    double secondsRunning() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    }

private:
    bool exited()
    {
        if (m_pid <= 0)
            return true;
        if (waitpid(m_pid, &m_status, WNOHANG) == m_pid) {
            m_pid = 0;
            return true;
        }
        return false;
    }

    TestSupport::TempDir m_dir;
    std::filesystem::path m_runFolder = m_dir / "run";
    std::filesystem::path m_dataHome = m_dir / "xdg";
    std::filesystem::path m_stderrFile;
    std::filesystem::path m_program;
    std::filesystem::path m_workingFolder;
    pid_t m_pid = 0;
    int m_status = 0;
    std::chrono::steady_clock::time_point m_started;
};
