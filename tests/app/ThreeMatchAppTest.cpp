// The built game started headless from a copy of its runtime folder: it runs,
// ends in order on SIGTERM, and leaves its configuration and log files.
#include "foundation/XMLNode.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using TestSupport::TempDir;

namespace {

class GameRun {
public:
    GameRun()
    {
        m_runFolder = m_dir / "run";
        m_dataHome = m_dir / "xdg";
        fs::copy(TestSupport::runtimeDir(), m_runFolder, fs::copy_options::recursive);
        fs::remove_all(m_runFolder / "logs");
        fs::create_directories(m_dataHome);
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

    void start(const std::vector<std::pair<std::string, std::string>>& environment = {})
    {
        // Everything is prepared before the fork: the child only changes
        // folder and replaces itself.
        const std::string program = (TestSupport::binDir() / "threematch").string();
        std::vector<std::pair<std::string, std::string>> overrides = {
            {"XDG_DATA_HOME", m_dataHome.string()}, {"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}};
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
        char* argv[] = {programCopy.data(), nullptr};
        const std::string folder = m_runFolder.string();

        m_pid = fork();
        ASSERT_GE(m_pid, 0);
        if (m_pid == 0) {
            if (chdir(folder.c_str()) != 0)
                _exit(126);
            execve(program.c_str(), argv, envp.data());
            _exit(127);
        }
    }

    // True once the main window exists (its log says so).
    bool waitForWindow(std::chrono::seconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (TestSupport::readText(m_runFolder / "logs" / "window.log").find("createWindow succeded!") !=
                std::string::npos)
                return true;
            if (exited())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void terminate() { kill(m_pid, SIGTERM); }

    // The exit code, or -1 when it did not end in time or ended by a signal.
    int waitForExit(std::chrono::seconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (exited())
                return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    const fs::path& runFolder() const { return m_runFolder; }
    fs::path configFile() const { return m_dataHome / "Lumaro" / "config.cfg"; }

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

    TempDir m_dir;
    fs::path m_runFolder;
    fs::path m_dataHome;
    pid_t m_pid = 0;
    int m_status = 0;
};

std::vector<std::wstring> childNames(const Ulvo::XMLNode* node)
{
    std::vector<std::wstring> names;
    if (node) {
        for (const Ulvo::XMLNode* child : node->getNodes())
            names.push_back(child->getName());
    }
    return names;
}

void expectCompleteConfig(const fs::path& file)
{
    ASSERT_TRUE(fs::exists(file));
    const std::vector<uint8_t> bytes = TestSupport::readBytes(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    Ulvo::XMLNode document;
    ASSERT_TRUE(Ulvo::XMLNode::load(&document, file.wstring(), 0));
    EXPECT_EQ(document.getName(), L"MyEngineParams");
    EXPECT_EQ(childNames(&document), (std::vector<std::wstring>{L"API_PARAMS", L"ENGINE_PARAMS"}));
    EXPECT_EQ(childNames(document.getNode(L"ENGINE_PARAMS")),
              (std::vector<std::wstring>{L"D3DINITPARAMS", L"SOUNDINITPARAMS", L"DINPUTINITPARAMS"}));
}

} // namespace

TEST(ThreeMatchApp, EndsWithZeroOnSigtermAndLeavesConfigAndLogs)
{
    GameRun game;
    game.start();
    ASSERT_TRUE(game.waitForWindow(std::chrono::seconds(20)));
    // Let the main loop turn for a moment before asking it to end.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    game.terminate();
    EXPECT_EQ(game.waitForExit(std::chrono::seconds(20)), 0);

    expectCompleteConfig(game.configFile());
    for (const char* log : {"logfile.log", "UlvoEngine.log", "UlvoRenderInterface.log", "window.log", "MyXML.log"})
        EXPECT_TRUE(fs::exists(game.runFolder() / "logs" / log)) << log;
    // The engine went through start-up and shut-down in order.
    const std::string engineLog = TestSupport::readText(game.runFolder() / "logs" / "UlvoEngine.log");
    const std::size_t init = engineLog.find("Ulvo::UlvoEngine::init");
    const std::size_t save = engineLog.find("Ulvo::UlvoEngine::save");
    EXPECT_NE(init, std::string::npos);
    EXPECT_NE(save, std::string::npos);
    EXPECT_LT(init, save);
}

TEST(ThreeMatchApp, FailingDeviceEndsWithMinusOneAndStillWritesConfig)
{
    GameRun game;
    game.start({{"ULVO_TEST_FAIL_DEVICE", "1"}});
    EXPECT_EQ(game.waitForExit(std::chrono::seconds(20)), 255);
    expectCompleteConfig(game.configFile());
}
