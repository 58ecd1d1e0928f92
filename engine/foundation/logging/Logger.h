#pragma once
// Diagnostic output: one main logger (console window and "logs\logfile.log")
// and one file logger per module that echoes to the main logger.
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <type_traits>
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

// Messages composed from parts (texts, characters, numbers) are put together
// only when a logger will write them; the text goes into a buffer of the main
// logger, so logging allocates nothing once the buffer has grown.
std::wstring& logScratch();
void appendLogNumber(std::wstring& out, double value);

template <class Part> void appendLogPart(std::wstring& out, const Part& part)
{
    if constexpr (std::is_same_v<Part, wchar_t>)
        out += part;
    else if constexpr (std::is_integral_v<Part>)
        out += std::to_wstring(part);
    else if constexpr (std::is_floating_point_v<Part>)
        appendLogNumber(out, static_cast<double>(part));
    else
        out += std::wstring_view(part);
}

// Switches are no message parts: a trailing bool is the indent argument.
template <class... Parts>
concept LogParts = sizeof...(Parts) > 0 && (!std::is_same_v<Parts, bool> && ...);

// The parts joined in the reused buffer.
template <class... Parts> const std::wstring& composeLogText(const Parts&... parts)
{
    std::wstring& text = logScratch();
    text.clear();
    (appendLogPart(text, parts), ...);
    return text;
}

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
// Each line reaches the file at once, so that the logs show what happened
// even when the program is killed, except while the file is held: loading a
// document writes a line per node, and a system call per line would cost more
// than the loading, so those lines go out together when the hold ends.
class LogFile {
public:
    explicit LogFile(std::wstring fileName) : m_fileName(std::move(fileName)) {}
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void write(std::wstring_view text);
    // One message: tabs, then prefix, then text, converted and handed on in one piece.
    void write(std::size_t tabs, std::wstring_view prefix, std::wstring_view text);
    void open();
    void close();
    void flush();
    bool isOpen() const { return m_file != nullptr; }
    // Holds lines back until the last hold is released (holds nest).
    void hold() { ++m_held; }
    void release();

private:
    std::wstring m_fileName;
    std::FILE* m_file = nullptr;
    bool m_tried = false;
    int m_held = 0;
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
    // The parts joined, with indent; composed only when the message is written.
    template <class... Parts>
    requires LogParts<Parts...>
    void log(int priority, int type, const Parts&... parts)
    {
        if (wants(priority, type))
            log(priority, type, composeLogText(parts...), true);
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
    friend std::wstring& logScratch();

    MyLogger_buff m_consoleBuffer;
    std::wostream m_consoleStream;
    LogFile m_file;
    int m_infoThreshold = 0;
    int m_warningThreshold = 0;
    int m_errorThreshold = 0;
    int m_indent = 0;
    std::wstring m_scratch;
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
    // The parts joined, with indent; composed only when the message is written.
    template <class... Parts>
    requires LogParts<Parts...>
    void log(int priority, int type, const Parts&... parts)
    {
        if (wants(priority, type))
            log(priority, type, composeLogText(parts...), true);
    }

    // True when the module file or, through the echo, the main logger would
    // write a message of this priority and type.
    bool wants(int priority, int type) const;

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

// Holds a logger's file lines back for the lifetime of the guard.
template <class LoggerType> class LogHold {
public:
    explicit LogHold(LoggerType& logger) : m_file(logger.file()) { m_file.hold(); }
    ~LogHold() { m_file.release(); }
    LogHold(const LogHold&) = delete;
    LogHold& operator=(const LogHold&) = delete;

private:
    LogFile& m_file;
};

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
