// The writer: the tab-indented layout, the check that a tree can be written
// and the save that replaces the old file only once the new one is complete.
//
// The format has no escapes. A property value is written so that it reads
// back: a run of bars before another character gets one bar more (the reader
// takes one away) and an opening comment inside it is broken by a bar. What
// cannot be written at all (a quote after a bar, a quote or '>' in an
// attribute value, a name that would not read back) is left out, alone, and
// save logs each such change; the rest of the document is written as it is.
#include "foundation/files/File.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/Utf16.h"
#include "foundation/xml/XMLNode.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <utility>

namespace Ulvo {

namespace {

// The narrow text of the ANSI form: the code page's characters, CR LF line ends.
bool appendANSI(std::string& out, const std::wstring& text)
{
    std::wstring crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (wchar_t ch : text) {
        if (ch == L'\n')
            crlf += L'\r';
        crlf += ch;
    }
    if (crlf.empty())
        return true;
    if (crlf.size() > 0x3FFFFFFF)
        return false;
    const int length = static_cast<int>(crlf.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, crlf.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return false;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(needed));
    return WideCharToMultiByte(CP_ACP, 0, crlf.data(), length, out.data() + start, needed, nullptr, nullptr) == needed;
}

// Whether text holds any of the characters; find_first_of would look each
// character up in the set with a call of its own.
template <std::size_t N> bool holdsAny(const std::wstring& text, const wchar_t (&set)[N])
{
    for (wchar_t c : text) {
        for (std::size_t k = 0; k + 1 < N; ++k) {
            if (c == set[k])
                return true;
        }
    }
    return false;
}

bool containsComment(const std::wstring& text)
{
    return text.find(L"<!--") != std::wstring::npos;
}

// A tag or attribute name is written bare: it must not be cut at a space, end
// its tag, hold a quote (the value quotes are found by searching for them) or
// an equals sign (attributes are split at the first one), start a comment, or
// make its tags read as a closing tag of another node or as empty tags.
bool isWritableName(const std::wstring& name, bool tagName)
{
    if (name.empty())
        return false;
    if (holdsAny(name, L" >\"="))
        return false;
    if (containsComment(name))
        return false;
    if (!tagName)
        return true;
    if (name.front() == L'/' || name.compare(0, 3, L"!--") == 0)
        return false;
    // The opening and closing tags are empty tags when their last character
    // other than a tab is a slash (the closing one's own slash for a name of tabs).
    const std::size_t last = name.find_last_not_of(L'\t');
    return last != std::wstring::npos && name[last] != L'/';
}

template <class... Parts> void writeLog(int priority, int type, const Parts&... parts)
{
    moduleLogger(LogModule::XML).log(priority, type, L"Ulvo::XMLNode::save", parts..., L'\n');
}

// The text of a property value between its bars, so that the reader gives
// value back; false when value had to change (only a quote after bars does).
bool encodePropertyValue(const std::wstring& value, std::wstring& out)
{
    out.clear();
    bool exact = true;
    const std::size_t size = value.size();
    for (std::size_t i = 0; i < size;) {
        if (value[i] != L'|') {
            out += value[i++];
            continue;
        }
        std::size_t run = i;
        while (run < size && value[run] == L'|')
            ++run;
        // A quote right after bars would end the value: it is left out.
        std::size_t next = run;
        while (next < size && value[next] == L'"')
            ++next;
        exact = exact && next == run;
        out.append(run - i, L'|');
        // Before another character the reader drops one bar of the run.
        if (next < size)
            out += L'|';
        i = next;
    }
    // An opening comment reads back through a bar the reader drops: "<!-|-".
    for (std::size_t at = out.find(L"<!--"); at != std::wstring::npos; at = out.find(L"<!--", at + 5))
        out.insert(at + 3, 1, L'|');
    return exact;
}

// An attribute value ends at its second quote, its tag at the first '>' and
// no comment may open in it: those characters are left out.
bool encodeAttributeValue(const std::wstring& value, std::wstring& out)
{
    out.clear();
    for (wchar_t c : value) {
        if (c != L'"' && c != L'>')
            out += c;
    }
    for (std::size_t at = out.find(L"<!--"); at != std::wstring::npos; at = out.find(L"<!--"))
        out.erase(at, 1);
    return out == value;
}

// Writes the bytes to name + ".tmp" in the same folder and moves that over the
// file, so a failed write never leaves a truncated or half-written document.
bool replaceFile(const std::wstring& fileName, const std::string& bytes)
{
    // A folder that leads out of the game's folders through a link is not written into.
    if (!File::checkWriteTarget(fileName)) {
        writeLog(100, LOG_TYPE_ERROR, L" ", fileName, L" nicht gespeichert: der Ordner liegt au\u00DFerhalb!");
        return false;
    }
    const std::wstring temporary = fileName + L".tmp";
    // One left by an interrupted run goes first; were it a link, writing would go through it.
    DeleteFileW(temporary.c_str());
    FILE* file = _wfopen(temporary.c_str(), L"wb");
    if (!file) {
        writeLog(100, LOG_TYPE_ERROR, L" ", temporary, L" kann nicht erstellt werden!");
        return false;
    }
    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fflush(file) == 0 && written;
    written = !std::ferror(file) && written;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        DeleteFileW(temporary.c_str());
        writeLog(100, LOG_TYPE_ERROR, L" ", temporary, L" konnte nicht geschrieben werden!");
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(temporary.c_str());
        writeLog(100, LOG_TYPE_ERROR, L" ", fileName, L" konnte nicht ersetzt werden!");
        return false;
    }
    return true;
}

} // namespace

bool& xmlUnicodeSwitch()
{
    static bool unicode = true;
    return unicode;
}

void XMLNode::layout(std::wstring& out, int depth, std::vector<std::wstring>* changes) const
{
    std::wstring value;
    std::wstring text;
    auto note = [changes](const XMLNode* node, const std::wstring& what) {
        if (changes)
            changes->push_back(L"Node: " + *node->m_name + L" " + what);
    };
    // Indentation stops growing at the deepest level the reader accepts, so
    // the text stays in proportion to the tree however deep it is.
    auto indent = [&out](int level) { out.append(std::min<std::size_t>(level > 0 ? level : 0, MAX_DEPTH), L'\t'); };
    auto writable = [&note](const XMLNode* node, bool tagName) {
        if (isWritableName(*node->m_name, tagName))
            return true;
        note(node, L"name cannot be written: node left out");
        return false;
    };
    // The layout follows what is written: items left out do not count.
    auto writesNodes = [](const XMLNode* node) {
        return std::any_of(node->m_nodes.begin(), node->m_nodes.end(),
                           [](const XMLNode* child) { return isWritableName(*child->m_name, true); });
    };
    auto writesAttributes = [](const XMLNode* node) {
        return std::any_of(node->m_attributes.begin(), node->m_attributes.end(),
                           [](const XMLAttribute* attribute) { return isWritableName(attribute->getName(), false); });
    };
    // Opens a node; false when the node was written whole (empty-tag form).
    auto open = [&](const XMLNode* node, int level) {
        indent(level);
        out += L'<';
        out += *node->m_name;
        for (const XMLAttribute* attribute : node->m_attributes) {
            if (!isWritableName(attribute->getName(), false)) {
                note(node, L"attribute name \"" + attribute->getName() + L"\" cannot be written: attribute left out");
                continue;
            }
            out += L' ';
            out += attribute->getName();
            out += L"=\"";
            // Read as text, so that writing a document leaves its values where they are.
            attribute->m_value.copyTo(value);
            if (!holdsAny(value, L"\"><")) {
                out += value;
            } else {
                if (!encodeAttributeValue(value, text))
                    note(node, L"attribute " + attribute->getName() + L" value: " + value + L" written as: " + text);
                out += text;
            }
            out += L'"';
        }
        const bool hasNodes = writesNodes(node);
        const bool hasProperties = !node->m_properties.empty();
        if (!hasNodes && !hasProperties && writesAttributes(node)) {
            out += L"/>";
            return false;
        }
        out += L'>';
        out += hasNodes ? L'\n' : L' ';
        if (hasProperties && hasNodes && level != 0)
            indent(level);
        for (std::size_t i = 0; i < node->m_properties.size(); ++i) {
            const XMLProperty* property = node->m_properties[i];
            // An attribute among the properties is written as its value.
            if (dynamic_cast<const XMLAttribute*>(property))
                note(node, L"property is an attribute: " + property->toText() + L" written as its value");
            property->m_value.copyTo(value);
            // A value that reads as this node's closing tag would end it.
            const std::wstring& name = *node->m_name;
            if (value.size() == name.size() + 1 && value[0] == L'/' && value.compare(1, name.size(), name) == 0) {
                value.insert(0, 1, L' ');
                note(node, L"property value: " + value.substr(1) + L" written as: " + value);
            }
            out += L"\"|";
            if (!holdsAny(value, L"|<")) {
                out += value;
            } else {
                if (!encodePropertyValue(value, text))
                    note(node, L"property value: " + value + L" loses the quotes after its bars");
                out += text;
            }
            out += L"|\"";
            out += (hasNodes && i + 1 == node->m_properties.size()) ? L'\n' : L' ';
        }
        return true;
    };
    auto close = [&](const XMLNode* node, int level) {
        if (level != 0 && writesNodes(node))
            indent(level);
        out += L"</";
        out += *node->m_name;
        out += L'>';
    };

    // Walked with a stack of its own, as deep as any tree may be.
    struct Frame {
        const XMLNode* node;
        int depth;
        std::size_t next;
    };
    if (!open(this, depth))
        return;
    std::vector<Frame> stack{{this, depth, 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.node->m_nodes.size()) {
            const XMLNode* child = frame.node->m_nodes[frame.next++];
            const int level = frame.depth + 1;
            if (!writable(child, true))
                continue;
            if (open(child, level))
                stack.push_back(Frame{child, level, 0});
            else
                out += L'\n';
            continue;
        }
        close(frame.node, frame.depth);
        stack.pop_back();
        if (!stack.empty())
            out += L'\n';
    }
}

bool XMLNode::write(std::string& out, int depth) const
{
    std::wstring text;
    layout(text, depth, nullptr);
    appendUtf16LE(out, text);
    return true;
}

bool XMLNode::write(std::wostream& out, int depth) const
{
    std::wstring text;
    layout(text, depth, nullptr);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return true;
}

std::wstring XMLNode::toText() const
{
    std::wstring text;
    layout(text, 0, nullptr);
    return text;
}

bool XMLNode::isWritablePropertyValue(const std::wstring& value)
{
    std::wstring text;
    return encodePropertyValue(value, text);
}

bool XMLNode::isWritableAttributeValue(const std::wstring& value)
{
    return !holdsAny(value, L"\">") && !containsComment(value);
}

bool XMLNode::isWritable(std::wstring* problem) const
{
    auto fail = [problem](const XMLNode* node, const std::wstring& what) {
        if (problem)
            *problem = L"Node: " + *node->m_name + L" " + what;
        return false;
    };
    std::vector<const XMLNode*> pending{this};
    while (!pending.empty()) {
        const XMLNode* node = pending.back();
        pending.pop_back();
        if (!isWritableName(*node->m_name, true))
            return fail(node, L"name cannot be written");
        for (const XMLAttribute* attribute : node->m_attributes) {
            if (!isWritableName(attribute->getName(), false))
                return fail(node, L"attribute name: \"" + attribute->getName() + L"\"");
            if (!isWritableAttributeValue(attribute->getValue()))
                return fail(node, L"attribute " + attribute->getName() + L" value: " + attribute->getValue());
        }
        for (const XMLProperty* property : node->m_properties) {
            // An attribute among the properties would be written as name="value".
            if (dynamic_cast<const XMLAttribute*>(property))
                return fail(node, L"property is an attribute: " + property->toText());
            // A property that reads as this node's closing tag would end it.
            if (!isWritablePropertyValue(property->getValue()) || property->getValue() == L"/" + *node->m_name)
                return fail(node, L"property value: " + property->getValue());
        }
        for (const XMLNode* child : node->m_nodes)
            pending.push_back(child);
    }
    return true;
}

bool XMLNode::save(XMLNode* node, const std::wstring& fileName, bool unicode)
{
    const bool asUnicode = xmlUnicodeSwitch() || unicode;
    if (!unicode) {
        mainLogger().log(100, LOG_TYPE_WARNING, L"Ulvo::XMLNode::loadUNICODE ist aktiviert!\"", fileName,
                         asUnicode ? L"\" wird automatisch als UNICODE Datei gespeichert!\n"
                                   : L"\" wird trotzdem als ANSI Datei gespeichert!\n");
    }
    if (!node) {
        writeLog(100, LOG_TYPE_ERROR, L" ", fileName, L": kein Knoten!");
        return false;
    }
    // Without a root that reads back there is no document; the old file stays.
    if (!isWritableName(*node->m_name, true)) {
        writeLog(100, LOG_TYPE_ERROR, L" ", fileName, L" nicht gespeichert, Node: ", *node->m_name,
                 L" name cannot be written");
        return false;
    }

    std::wstring text;
    std::vector<std::wstring> changes;
    node->layout(text, 0, &changes);
    for (const std::wstring& change : changes)
        writeLog(100, LOG_TYPE_WARNING, L" ", fileName, L" ge\u00E4ndert: ", change);
    std::string bytes;
    if (asUnicode) {
        bytes = "\xFF\xFE";
        appendUtf16LE(bytes, text);
    } else if (!appendANSI(bytes, text)) {
        writeLog(100, LOG_TYPE_ERROR, L" ", fileName, L" konnte nicht umgewandelt werden!");
        return false;
    }
    return replaceFile(fileName, bytes);
}

} // namespace Ulvo
