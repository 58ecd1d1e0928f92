#include "win32/MessageText.h"

#include <algorithm>
#include <vector>

namespace Win32Internal {

std::wstring systemPaths(std::wstring text)
{
    std::replace(text.begin(), text.end(), L'\\', L'/');
    return text;
}

namespace {

// Where a line too long is best broken: after its last blank, else after its last '/', else at
// the limit. The index is the first character of the next line.
std::size_t breakAt(const std::wstring& line, std::size_t maxColumns)
{
    const std::wstring head = line.substr(0, maxColumns + 1);
    std::size_t blank = head.find_last_of(L' ');
    if (blank != std::wstring::npos && blank > 0)
        return blank + 1;
    std::size_t slash = head.find_last_of(L'/', maxColumns - 1);
    if (slash != std::wstring::npos && slash > 0)
        return slash + 1;
    return maxColumns;
}

} // namespace

std::wstring wrapMessage(const std::wstring& text, std::size_t maxColumns, std::size_t maxLines)
{
    maxColumns = std::max<std::size_t>(maxColumns, 8);
    maxLines = std::max<std::size_t>(maxLines, 2);
    std::vector<std::wstring> lines;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find(L'\n', begin), text.size());
        std::wstring line = text.substr(begin, end - begin);
        while (line.size() > maxColumns) {
            const std::size_t next = breakAt(line, maxColumns);
            std::wstring head = line.substr(0, next);
            while (!head.empty() && head.back() == L' ')
                head.pop_back();
            lines.push_back(head);
            line.erase(0, next);
        }
        lines.push_back(line);
        begin = end + 1;
    }
    if (lines.size() > maxLines) {
        lines.resize(maxLines - 1);
        lines.push_back(L"[…] (gekürzt; der ganze Text steht auf stderr)");
    }
    std::wstring wrapped;
    for (std::size_t i = 0; i < lines.size(); ++i)
        wrapped += (i ? L"\n" : L"") + lines[i];
    return wrapped;
}

} // namespace Win32Internal
