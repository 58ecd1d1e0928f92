#pragma once
// Diagnostic output: one main logger (console window and "logs\logfile.log")
// and one file logger per module that echoes to the main logger.
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace Ulvo {

enum LogType {
    LOG_TYPE_ERROR = 0,
    LOG_TYPE_WARNING = 1,
    LOG_TYPE_INFO = 2,
    LOG_TYPE_MISC = 3,
};

// Process-wide log switch: loggers write only while it is above 0.
int& logSwitch();

// Wide stream buffer that collects characters and hands them to the console.
class MyLogger_buff : public std::wstreambuf {
public:
    explicit MyLogger_buff(std::size_t size);
    ~MyLogger_buff() override;
    MyLogger_buff(const MyLogger_buff&) = delete;
    MyLogger_buff& operator=(const MyLogger_buff&) = delete;

    void setConsole(HANDLE console);
    HANDLE getConsole() const { return m_console; }

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    void flushPending();

    HANDLE m_console = nullptr;
    std::vector<wchar_t> m_buffer;
};

// Log file written as UTF-8; opened lazily on the first message (or by
// openAllLogFiles) so that the folder "logs" of the working folder is used.
class LogFile {
public:
    explicit LogFile(std::wstring fileName) : m_fileName(std::move(fileName)) {}
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void write(const std::wstring& text);
    void open();
    void close();
    void flush();
    bool isOpen() const { return m_file != nullptr; }

private:
    std::wstring m_fileName;
    std::FILE* m_file = nullptr;
    bool m_tried = false;
    std::string m_utf8;
};

class Logger {
public:
    Logger();
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    void log(int priority, int type, const std::wstring& message, bool indent = true);
    void log(int priority, int type, const std::wostringstream& message, bool indent = true)
    {
        log(priority, type, message.str(), indent);
    }

    // True when a message of this priority and type would be written, so
    // callers can skip composing it.
    bool wants(int priority, int type) const;

    // Mask bit 1: error threshold, bit 2: warning threshold, bit 4: info threshold.
    void setPriority(int value, int mask);
    int getErrorPriority() const { return m_errorThreshold; }
    int getWarningPriority() const { return m_warningThreshold; }
    int getInfoPriority() const { return m_infoThreshold; }

    void incIndent() { ++m_indent; }
    void decIndent() { --m_indent; }
    int getIndent() const { return m_indent; }

    void createConsole();
    void showConsole(bool show);
    bool hasConsole() const { return m_consoleBuffer.getConsole() != nullptr; }

    LogFile& file() { return m_file; }

private:
    MyLogger_buff m_consoleBuffer;
    std::wostream m_consoleStream;
    LogFile m_file;
    int m_infoThreshold = 0;
    int m_warningThreshold = 0;
    int m_errorThreshold = 0;
    int m_indent = 0;
};

class FileLogger {
public:
    FileLogger(const std::wstring& fileName, bool echo = true);
    ~FileLogger();
    FileLogger(const FileLogger&) = delete;
    FileLogger& operator=(const FileLogger&) = delete;

    void log(int priority, int type, const std::wstring& message, bool indent = true);
    void log(int priority, int type, const std::wostringstream& message, bool indent = true)
    {
        log(priority, type, message.str(), indent);
    }

    void incIndent();
    void decIndent();
    int getIndent() const { return m_indent; }
    void setThreshold(int threshold) { m_threshold = threshold; }
    void setEcho(bool echo) { m_echo = echo; }

    LogFile& file() { return m_file; }

private:
    LogFile m_file;
    bool m_echo;
    int m_threshold = 0;
    int m_indent = 0;
};

// The module loggers that exist for the whole run.
enum class LogModule {
    Engine,
    InputInterface,
    RenderInterface,
    Effect,
    EffectManager,
    File,
    GOBFile,
    GOBManager,
    FileManager,
    Sound,
    XML,
    SocketPlayer,
    Socket,
    Texture2D,
    Texture3D,
    TextureCube,
    TextureManager,
    Mesh,
    MeshManager,
    AniMesh,
    Count
};

Logger& mainLogger();
FileLogger& moduleLogger(LogModule module);

// Opens every log file now (creating "logs" when missing), so a run leaves
// all of them behind even when a module wrote nothing.
void openAllLogFiles();
// Closes every log file; the next message reopens it in the current folder.
void closeAllLogFiles();
void flushAllLogFiles();

// Raises a logger's indent for the lifetime of the guard.
template <class LoggerType> class LogIndent {
public:
    explicit LogIndent(LoggerType& logger) : m_logger(logger) { m_logger.incIndent(); }
    ~LogIndent() { m_logger.decIndent(); }
    LogIndent(const LogIndent&) = delete;
    LogIndent& operator=(const LogIndent&) = delete;

private:
    LoggerType& m_logger;
};

} // namespace Ulvo
