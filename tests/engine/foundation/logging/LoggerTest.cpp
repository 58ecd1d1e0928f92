#include "foundation/logging/Logger.h"
#include "foundation/logging/LogFolder.h"

#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using Ulvo::LOG_TYPE_ERROR;
using Ulvo::LOG_TYPE_INFO;
using Ulvo::LOG_TYPE_MISC;
using Ulvo::LOG_TYPE_WARNING;

Ulvo::FileLogger& engineLog()
{
    return Ulvo::moduleLogger(Ulvo::LogModule::Engine);
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(Logger, ThresholdsArePerTypeAndModuleFilesIgnoreThem)
{
    LogCapture capture;
    Ulvo::mainLogger().setPriority(10, 4);
    engineLog().log(5, LOG_TYPE_INFO, L"quiet info\n");
    engineLog().log(10, LOG_TYPE_INFO, L"loud info\n");
    engineLog().log(5, LOG_TYPE_MISC, L"quiet misc\n");
    // The info threshold does not hold back warnings and errors.
    engineLog().log(5, LOG_TYPE_WARNING, L"low warning\n");
    engineLog().log(5, LOG_TYPE_ERROR, L"low error\n");

    const std::string module = capture.text("UlvoEngine.log");
    EXPECT_TRUE(contains(module, "quiet info\n"));
    EXPECT_TRUE(contains(module, "quiet misc\n"));
    const std::string main = capture.text();
    EXPECT_FALSE(contains(main, "quiet info"));
    EXPECT_FALSE(contains(main, "quiet misc"));
    EXPECT_TRUE(contains(main, "loud info\n"));
    EXPECT_TRUE(contains(main, "low warning\n"));
    EXPECT_TRUE(contains(main, "ERROR low error\n"));
}

TEST(Logger, SetPriorityMaskSelectsTheThresholds)
{
    LogCapture capture;
    Ulvo::Logger& logger = Ulvo::mainLogger();
    logger.setPriority(30, 1 | 4);
    EXPECT_EQ(logger.getErrorPriority(), 30);
    EXPECT_EQ(logger.getWarningPriority(), 0);
    EXPECT_EQ(logger.getInfoPriority(), 30);
    logger.setPriority(101, 2);
    EXPECT_EQ(logger.getWarningPriority(), 101);

    logger.log(29, LOG_TYPE_ERROR, L"error below\n");
    logger.log(30, LOG_TYPE_ERROR, L"error at\n");
    // Above 100 silences a type: no priority reaches it.
    logger.log(100, LOG_TYPE_WARNING, L"silenced warning\n");
    const std::string main = capture.text();
    EXPECT_FALSE(contains(main, "error below"));
    EXPECT_TRUE(contains(main, "ERROR error at\n"));
    EXPECT_FALSE(contains(main, "silenced warning"));
    EXPECT_FALSE(logger.wants(100, LOG_TYPE_WARNING));
    EXPECT_TRUE(logger.wants(30, LOG_TYPE_MISC));
}

TEST(Logger, ErrorPrefixFollowsTheIndentTabs)
{
    LogCapture capture;
    ASSERT_EQ(Ulvo::mainLogger().getIndent(), 0);
    {
        // The module logger raises the main logger's indent along with its own.
        Ulvo::LogIndent<Ulvo::FileLogger> outer(engineLog());
        Ulvo::LogIndent<Ulvo::FileLogger> inner(engineLog());
        EXPECT_EQ(Ulvo::mainLogger().getIndent(), 2);
        engineLog().log(50, LOG_TYPE_ERROR, L"broken\n");
        engineLog().log(50, LOG_TYPE_INFO, L"flat\n", false);
    }
    EXPECT_EQ(Ulvo::mainLogger().getIndent(), 0);
    EXPECT_EQ(engineLog().getIndent(), 0);
    engineLog().log(50, LOG_TYPE_INFO, L"back\n");

    EXPECT_EQ(capture.text("UlvoEngine.log"), "\t\tERROR broken\nflat\nback\n");
    EXPECT_EQ(capture.text(), "\t\tERROR broken\nflat\nback\n");
}

TEST(Logger, MainLoggerIndentGivesOneTabPerLevel)
{
    LogCapture capture;
    Ulvo::mainLogger().incIndent();
    Ulvo::mainLogger().incIndent();
    Ulvo::mainLogger().log(1, LOG_TYPE_WARNING, L"two\n");
    Ulvo::mainLogger().decIndent();
    Ulvo::mainLogger().decIndent();
    EXPECT_EQ(capture.text(), "\t\ttwo\n");
}

TEST(Logger, SwitchAtZeroSilencesEverythingIncludingModuleFiles)
{
    LogCapture capture;
    Ulvo::logSwitch() = 0;
    engineLog().log(100, LOG_TYPE_ERROR, L"hidden\n");
    Ulvo::mainLogger().log(100, LOG_TYPE_ERROR, L"hidden too\n");
    EXPECT_FALSE(Ulvo::mainLogger().wants(100, LOG_TYPE_ERROR));
    EXPECT_FALSE(contains(capture.text("UlvoEngine.log"), "hidden"));
    EXPECT_FALSE(contains(capture.text(), "hidden"));

    Ulvo::logSwitch() = 1;
    engineLog().log(100, LOG_TYPE_INFO, L"visible\n");
    EXPECT_EQ(capture.text("UlvoEngine.log"), "visible\n");
}

TEST(Logger, EchoReachesTheMainLoggerWhateverTheModuleThreshold)
{
    LogCapture capture;
    engineLog().setThreshold(50);
    engineLog().log(10, LOG_TYPE_INFO, L"echo only\n");
    engineLog().setThreshold(0);
    EXPECT_FALSE(contains(capture.text("UlvoEngine.log"), "echo only"));
    EXPECT_TRUE(contains(capture.text(), "echo only\n"));
}

TEST(Logger, MissingLogsFolderIsCreated)
{
    LogCapture capture;
    ASSERT_FALSE(std::filesystem::exists(capture.folder() / "logs"));
    Ulvo::moduleLogger(Ulvo::LogModule::XML).log(1, LOG_TYPE_INFO, L"first line \u00e9\n");
    EXPECT_TRUE(std::filesystem::is_directory(capture.folder() / "logs"));
    // Files are UTF-8.
    EXPECT_EQ(capture.text("MyXML.log"), "first line \xc3\xa9\n");
    EXPECT_TRUE(contains(capture.text(), "first line"));
}

TEST(Logger, ALinkInTheLogsFolderIsReplacedAndWhatItLedToKept)
{
    LogCapture capture;
    TestSupport::TempDir away;
    TestSupport::writeText(away / "kept.txt", "kept");
    std::filesystem::create_directories(capture.folder() / "logs");
    std::filesystem::create_symlink(away / "kept.txt", capture.folder() / "logs" / "MyXML.log");
    std::filesystem::create_symlink(away / "made.txt", capture.folder() / "logs" / "UlvoEngine.log");
    Ulvo::moduleLogger(Ulvo::LogModule::XML).log(1, LOG_TYPE_INFO, L"xml line\n");
    engineLog().log(1, LOG_TYPE_INFO, L"engine line\n");
    EXPECT_EQ(capture.text("MyXML.log"), "xml line\n");
    EXPECT_TRUE(contains(capture.text("UlvoEngine.log"), "engine line"));
    EXPECT_FALSE(std::filesystem::is_symlink(capture.folder() / "logs" / "MyXML.log"));
    EXPECT_EQ(TestSupport::readText(away / "kept.txt"), "kept");
    EXPECT_FALSE(std::filesystem::exists(away / "made.txt"));
}

TEST(Logger, TheLastRunsFilesAreReplacedAndRemovedEvenAfterTheWorkingFolderChanged)
{
    TestSupport::TempDir elsewhere;
    std::filesystem::path logs;
    {
        LogCapture capture;
        logs = capture.folder() / "logs";
        std::filesystem::create_directories(logs);
        TestSupport::writeText(logs / "MyXML.log", std::string(300000, 'x'));
        TestSupport::writeText(logs / "logfile.log", "last run\n");
        std::filesystem::create_directories(elsewhere / "logs");
        TestSupport::writeText(elsewhere.path() / "logs" / "MyXML.log.old", "not ours");
        Ulvo::openAllLogFiles();
        Ulvo::moduleLogger(Ulvo::LogModule::XML).log(1, LOG_TYPE_INFO, L"this run\n");
        EXPECT_EQ(capture.text("MyXML.log"), "this run\n");
        EXPECT_FALSE(contains(capture.text("logfile.log"), "last run"));
        Ulvo::closeAllLogFiles();
        // The removal may still run while the working folder is another one.
        const TestSupport::ScopedCwd away(elsewhere.path());
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        auto leftOver = [&logs] {
            for (const auto& entry : std::filesystem::directory_iterator(logs))
                if (entry.path().extension() != ".log")
                    return true;
            return false;
        };
        while (leftOver() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_FALSE(leftOver());
        EXPECT_EQ(TestSupport::readText(elsewhere.path() / "logs" / "MyXML.log.old"), "not ours");
    }
}

TEST(Logger, OpenAllLogFilesLeavesEveryFileBehind)
{
    LogCapture capture;
    Ulvo::openAllLogFiles();
    for (const char* name : {"logfile.log", "UlvoEngine.log", "SoundInterface.log", "MyXML.log", "mysocketplayer.log",
                             "UlvoAniMesh.log", "UlvoTextureCube.log"})
        EXPECT_TRUE(std::filesystem::exists(capture.folder() / "logs" / name)) << name;
}

TEST(Logger, AFileStopsAtItsSizeLimitWithANoteAndStartsAfreshNextRun)
{
    LogCapture capture;
    Ulvo::setLogSizeLimit(200);
    Ulvo::FileLogger& log = Ulvo::moduleLogger(Ulvo::LogModule::XML);
    for (int i = 0; i < 50; ++i)
        log.log(1, LOG_TYPE_INFO, L"line " + std::to_wstring(i) + L"\n");
    const std::string full = capture.text("MyXML.log");
    Ulvo::setLogSizeLimit(Ulvo::kDefaultLogSizeLimit);
    EXPECT_TRUE(contains(full, "line 0\n"));
    EXPECT_FALSE(contains(full, "line 49"));
    EXPECT_TRUE(contains(full, "size limit")) << full;
    EXPECT_LE(full.size(), 200u + 100u);

    // The next run's file starts empty and is written again.
    log.file().close();
    log.log(1, LOG_TYPE_INFO, L"next run\n");
    EXPECT_EQ(capture.text("MyXML.log"), "next run\n");
}

} // namespace
