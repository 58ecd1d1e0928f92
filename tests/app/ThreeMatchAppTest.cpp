// The built game started headless from a copy of its runtime folder: it runs,
// ends in order on SIGTERM, and leaves its configuration and log files.
#include "GameRun.h"
#include "foundation/xml/XMLNode.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

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
    // The signal reaches the main loop, not the intro video.
    fs::remove(game.runFolder() / "intro.wmv");
    game.start();
    ASSERT_TRUE(game.waitForWindow(std::chrono::seconds(120)));
    // Let the main loop turn for a moment before asking it to end.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    game.terminate();
    EXPECT_EQ(game.waitForExit(std::chrono::seconds(120)), 0);

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
    game.captureStderr();
    game.start("", {{"ULVO_TEST_FAIL_DEVICE", "1"}});
    EXPECT_EQ(game.waitForExit(std::chrono::seconds(120)), 255);
    expectCompleteConfig(game.configFile());
    // The player reads why, and what to do about it.
    const std::string message = game.stderrText();
    EXPECT_NE(message.find("CreateDevice() schlug fehl: "), std::string::npos) << message;
    EXPECT_NE(message.find("OpenGL-3.3"), std::string::npos) << message;
    EXPECT_NE(message.find("libgl1-mesa-dri"), std::string::npos) << message;
}
