#include "foundation/logging/Logger.h"
#include "foundation/logging/LogFolder.h"

#include <array>
#include <atomic>
#include <cwchar>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace Ulvo {

namespace {

// Set once the run has opened its log files; loggers made later open theirs at once.
bool g_filesOpened = false;

const wchar_t* const kModuleFiles[] = {
    L"UlvoEngine.log",
    L"UlvoInputInterface.log",
    L"UlvoRenderInterface.log",
    L"UlvoEffect.log",
    L"UlvoEffectManager.log",
    L"UlvoFile.log",
    L"UlvoGOBFile.log",
    L"UlvoGOBManager.log",
    L"UlvoFileManager.log",
    L"SoundInterface.log",
    L"MyXML.log",
    L"mysocketplayer.log",
    L"mysocket.log",
    L"UlvoTexture2D.log",
    L"UlvoTexture3D.log",
    L"UlvoTextureCube.log",
    L"UlvoTextureManager.log",
    L"UlvoMesh.log",
    L"UlvoMeshManager.log",
    L"UlvoAniMesh.log",
};
static_assert(sizeof(kModuleFiles) / sizeof(kModuleFiles[0]) == static_cast<std::size_t>(LogModule::Count));

constexpr WORD kTypeColours[] = {4, 6, 2, 7};

std::array<FileLogger, static_cast<std::size_t>(LogModule::Count)>& moduleLoggers()
{
    // The main logger is made first so that it outlives the module loggers,
    // which echo into it until the very end.
    mainLogger();
    static std::array<FileLogger, static_cast<std::size_t>(LogModule::Count)> loggers = [] {
        return std::array<FileLogger, static_cast<std::size_t>(LogModule::Count)>{
            FileLogger(kModuleFiles[0]),  FileLogger(kModuleFiles[1]),  FileLogger(kModuleFiles[2]),
            FileLogger(kModuleFiles[3]),  FileLogger(kModuleFiles[4]),  FileLogger(kModuleFiles[5]),
            FileLogger(kModuleFiles[6]),  FileLogger(kModuleFiles[7]),  FileLogger(kModuleFiles[8]),
            FileLogger(kModuleFiles[9]),  FileLogger(kModuleFiles[10]), FileLogger(kModuleFiles[11]),
            FileLogger(kModuleFiles[12]), FileLogger(kModuleFiles[13]), FileLogger(kModuleFiles[14]),
            FileLogger(kModuleFiles[15]), FileLogger(kModuleFiles[16]), FileLogger(kModuleFiles[17]),
            FileLogger(kModuleFiles[18]), FileLogger(kModuleFiles[19]),
        };
    }();
    return loggers;
}

} // namespace

int& logSwitch()
{
    static int value = 1;
    return value;
}

std::wstring& logScratch()
{
    // Kept by the main logger, which outlives everything that logs, even
    // objects that log while the program ends.
    return mainLogger().m_scratch;
}

void appendLogNumber(std::wstring& out, double value)
{
    // As a default wide stream writes it: six significant digits, general form.
    wchar_t buffer[64];
    const int length = std::swprintf(buffer, 64, L"%g", value);
    if (length > 0)
        out.append(buffer, static_cast<std::size_t>(length));
}

// ---------------------------------------------------------------- MyLogger_buff

MyLogger_buff::MyLogger_buff(std::size_t size) : m_buffer(size > 0 ? size : 1)
{
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

MyLogger_buff::~MyLogger_buff()
{
    flushPending();
    if (m_console)
        FreeConsole();
}

void MyLogger_buff::setConsole(HANDLE console)
{
    flushPending();
    m_console = console;
}

void MyLogger_buff::flushPending()
{
    const std::ptrdiff_t pending = pptr() - pbase();
    if (pending > 0 && m_console) {
        DWORD written = 0;
        WriteConsoleW(m_console, pbase(), static_cast<DWORD>(pending), &written, nullptr);
    }
    // Without a console the characters are dropped, as the console is the only sink.
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

MyLogger_buff::int_type MyLogger_buff::overflow(int_type ch)
{
    flushPending();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int MyLogger_buff::sync()
{
    flushPending();
    return 0;
}

// ---------------------------------------------------------------- LogFile

namespace {

std::wstring& logFolderSetting()
{
    static std::wstring folder = L"logs";
    return folder;
}

} // namespace

void setLogFolder(const std::wstring& folder)
{
    logFolderSetting() = folder.empty() ? L"logs" : folder;
}

const std::wstring& logFolder()
{
    return logFolderSetting();
}

LogFile::~LogFile()
{
    close();
}

namespace {

// Removes the last run's log files on a thread of its own. Removing a file frees its blocks at
// once, and on a disk that discards freed blocks that waits for the device: tens of
// milliseconds a start for the larger logs, all of them before the window shows. The remover
// lives to the end of the process (a thread may still be removing while it ends).
class SetAsideRemover {
public:
    void add(std::wstring path)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_paths.push_back(std::move(path));
        if (m_running)
            return;
        try {
            std::thread([this] { run(); }).detach();
            m_running = true;
        } catch (const std::system_error&) {
            // No thread: removed here, as before.
            DeleteFileW(m_paths.back().c_str());
            m_paths.pop_back();
        }
    }

private:
    void run()
    {
        for (;;) {
            std::wstring path;
            {
                std::lock_guard<std::mutex> guard(m_lock);
                if (m_paths.empty()) {
                    m_running = false;
                    return;
                }
                path = std::move(m_paths.back());
                m_paths.pop_back();
            }
            DeleteFileW(path.c_str());
        }
    }

    std::mutex m_lock;
    std::vector<std::wstring> m_paths;
    bool m_running = false;
};

SetAsideRemover& setAsideRemover()
{
    static SetAsideRemover* remover = new SetAsideRemover;
    return *remover;
}

// The folder as a full path, so that a removal still finds the file after the working folder
// changed.
std::wstring fullFolder(const std::wstring& folder)
{
    if (!folder.empty() && (folder[0] == L'\\' || folder[0] == L'/'))
        return folder;
    wchar_t current[4096];
    const DWORD length = GetCurrentDirectoryW(4096, current);
    if (length == 0 || length >= 4096)
        return {};
    return std::wstring(current, length) + L"\\" + folder;
}

} // namespace

void LogFile::open()
{
    if (m_file)
        return;
    m_tried = true;
    // A fresh runtime folder has no "logs" yet.
    const std::wstring& folder = logFolder();
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\" + m_fileName;
    // A new file every start, made where the name is: whatever was there (a link to a file
    // elsewhere, a second name of another file) goes, and is never opened and emptied. It is
    // renamed aside (which frees nothing) and removed beside the start.
    const std::wstring full = fullFolder(folder);
    const std::wstring aside = full.empty() ? std::wstring() : full + L"\\" + m_fileName + L".old";
    if (!aside.empty() && MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING))
        setAsideRemover().add(aside);
    else
        DeleteFileW(path.c_str());
    m_file = _wfopen(path.c_str(), L"wbx");
    if (m_file)
        setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
}

void LogFile::close()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_tried = false;
}

namespace {

std::atomic<std::size_t> g_sizeLimit{kDefaultLogSizeLimit};

} // namespace

void setLogSizeLimit(std::size_t bytes)
{
    g_sizeLimit.store(bytes);
}

std::size_t logSizeLimit()
{
    return g_sizeLimit.load();
}

void LogFile::flush()
{
    if (m_file)
        std::fflush(m_file);
}

void LogFile::release()
{
    if (m_held > 0 && --m_held == 0)
        flush();
}

namespace {

// UTF-8 of wide text; code points that cannot be encoded become U+FFFD.
void appendUtf8(std::string& out, std::wstring_view text)
{
    for (wchar_t ch : text) {
        uint32_t code = static_cast<uint32_t>(ch);
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
            continue;
        }
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            code = 0xFFFD;
        if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        }
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

} // namespace

void LogFile::write(std::wstring_view text)
{
    write(0, std::wstring_view(), text);
}

void LogFile::write(std::size_t tabs, std::wstring_view prefix, std::wstring_view text)
{
    if (!m_file) {
        if (m_tried)
            return;
        open();
        if (!m_file)
            return;
    }
    m_utf8.assign(tabs, '\t');
    appendUtf8(m_utf8, prefix);
    appendUtf8(m_utf8, text);
    const long written = std::ftell(m_file);
    if (written >= 0 && static_cast<std::size_t>(written) + m_utf8.size() > logSizeLimit()) {
        // Full: a note ends it, and the file stays closed (m_tried) until the next start opens
        // it anew, so that a run that logs without end cannot fill the disk.
        static const char kNote[] =
            "[the log has reached its size limit; nothing more is written into it in this run]\n";
        std::fwrite(kNote, 1, sizeof kNote - 1, m_file);
        std::fclose(m_file);
        m_file = nullptr;
        return;
    }
    if (!m_utf8.empty())
        std::fwrite(m_utf8.data(), 1, m_utf8.size(), m_file);
    if (m_held == 0)
        std::fflush(m_file);
}

// ---------------------------------------------------------------- Logger

Logger::Logger() : m_consoleBuffer(100), m_consoleStream(&m_consoleBuffer), m_file(L"logfile.log")
{
    if (g_filesOpened)
        m_file.open();
}

Logger::~Logger()
{
    m_consoleStream.flush();
    m_file.close();
}

bool Logger::wants(int priority, int type) const
{
    if (logSwitch() <= 0)
        return false;
    int threshold = type == LOG_TYPE_ERROR     ? m_errorThreshold
                    : type == LOG_TYPE_WARNING ? m_warningThreshold
                                               : m_infoThreshold;
    return priority >= threshold;
}

void Logger::log(int priority, int type, const std::wstring& message, bool indent)
{
    if (!wants(priority, type))
        return;
    if (type >= 0 && type <= 3)
        SetConsoleTextAttribute(m_consoleBuffer.getConsole(), kTypeColours[type]);

    const std::size_t tabs = indent && m_indent > 0 ? static_cast<std::size_t>(m_indent) : 0;
    const std::wstring_view prefix = type == LOG_TYPE_ERROR ? L"ERROR " : L"";
    // Nothing reaches a console that does not exist.
    if (hasConsole()) {
        for (std::size_t i = 0; i < tabs; ++i)
            m_consoleStream << L"  ";
        m_consoleStream << prefix << message;
        m_consoleStream.flush();
    }
    m_file.write(tabs, prefix, message);
}

void Logger::setPriority(int value, int mask)
{
    if (mask & 1)
        m_errorThreshold = value;
    if (mask & 2)
        m_warningThreshold = value;
    if (mask & 4)
        m_infoThreshold = value;
}

void Logger::createConsole()
{
    if (!AllocConsole()) {
        FreeConsole();
        AllocConsole();
    }
    m_consoleBuffer.setConsole(GetStdHandle(STD_OUTPUT_HANDLE));

    // Lower right of the screen, not topmost.
    const int width = 2 * GetSystemMetrics(SM_CXFRAME) + 660;
    const int height = GetSystemMetrics(SM_CYFRAME) + 430;
    const int left = GetSystemMetrics(SM_CXFULLSCREEN) - width;
    const int top = GetSystemMetrics(SM_CYFULLSCREEN) - 410;
    SetWindowPos(GetConsoleWindow(), HWND_NOTOPMOST, left, top, width, height, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    SetConsoleTextAttribute(m_consoleBuffer.getConsole(), 4);
}

void Logger::showConsole(bool show)
{
    if (!hasConsole() && show)
        createConsole();
    if (hasConsole())
        ShowWindow(GetConsoleWindow(), show ? 5 : 0);
}

// ---------------------------------------------------------------- FileLogger

FileLogger::FileLogger(const std::wstring& fileName, bool echo) : m_file(fileName), m_echo(echo)
{
    if (g_filesOpened)
        m_file.open();
}

FileLogger::~FileLogger() = default;

bool FileLogger::wants(int priority, int type) const
{
    if (logSwitch() <= 0)
        return false;
    return priority >= m_threshold || (m_echo && mainLogger().wants(priority, type));
}

void FileLogger::log(int priority, int type, const std::wstring& message, bool indent)
{
    if (logSwitch() <= 0)
        return;
    if (priority >= m_threshold) {
        const std::size_t tabs = indent && m_indent > 0 ? static_cast<std::size_t>(m_indent) : 0;
        m_file.write(tabs, type == LOG_TYPE_ERROR ? L"ERROR " : L"", message);
    }
    if (m_echo)
        mainLogger().log(priority, type, message, indent);
}

void FileLogger::incIndent()
{
    ++m_indent;
    if (m_echo)
        mainLogger().incIndent();
}

void FileLogger::decIndent()
{
    --m_indent;
    if (m_echo)
        mainLogger().decIndent();
}

// ---------------------------------------------------------------- globals

Logger& mainLogger()
{
    static Logger logger;
    return logger;
}

FileLogger& moduleLogger(LogModule module)
{
    return moduleLoggers()[static_cast<std::size_t>(module)];
}

void openAllLogFiles()
{
    g_filesOpened = true;
    mainLogger().file().open();
    for (FileLogger& logger : moduleLoggers())
        logger.file().open();
}

void closeAllLogFiles()
{
    mainLogger().file().close();
    for (FileLogger& logger : moduleLoggers())
        logger.file().close();
}

void flushAllLogFiles()
{
    mainLogger().file().flush();
    for (FileLogger& logger : moduleLoggers())
        logger.file().flush();
}

} // namespace Ulvo
