// The reader: comment removal, the tokenizer and the tree builder.
#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <sstream>
#include <utility>

namespace Ulvo {

namespace {

const wchar_t* const kLoad = L"Ulvo::XMLNode::load";

FileLogger& xmlLog()
{
    return moduleLogger(LogModule::XML);
}

// Module loggers write every priority while the switch is on, so messages
// are worth composing exactly then; large documents log one line per node.
bool xmlLogging()
{
    return logSwitch() > 0;
}

void logXML(int priority, int type, const std::wstring& text)
{
    std::wstring message = kLoad;
    message += text;
    message += L'\n';
    xmlLog().log(priority, type, message);
}

// Turns the text of one tag into its tag token and its attribute tokens.
void finishTag(const std::wstring& tag, std::vector<XMLToken>& tokens)
{
    const std::size_t space = tag.find(L' ');
    std::wstring name = space == std::wstring::npos ? tag : tag.substr(0, space);

    const std::size_t last = tag.find_last_not_of(L" \t");
    const bool empty = last != std::wstring::npos && tag[last] == L'/';
    if (empty && space == std::wstring::npos)
        name.pop_back();
    tokens.push_back(XMLToken{std::move(name), empty ? XMLToken::EMPTY_TAG : XMLToken::TAG});

    if (space == std::wstring::npos)
        return;
    // Attributes: name="value" pieces of the rest, each starting after the
    // first space that precedes its equals sign.
    std::size_t rest = space;
    const std::size_t size = tag.size();
    while (rest < size) {
        const std::size_t equals = tag.find(L'=', rest);
        if (equals == std::wstring::npos)
            return;
        std::size_t start = rest;
        for (std::size_t i = rest; i < equals; ++i) {
            if (tag[i] == L' ') {
                start = i + 1;
                break;
            }
        }
        const std::size_t open = tag.find(L'"', equals + 1);
        if (open == std::wstring::npos)
            return;
        const std::size_t close = tag.find(L'"', open + 1);
        if (close == std::wstring::npos)
            return;
        tokens.push_back(XMLToken{tag.substr(start, close + 1 - start), XMLToken::ATTRIBUTE});
        rest = close + 1;
    }
}

} // namespace

std::wstring XMLNode::removeComments(const std::wstring& text)
{
    // Cutting a comment can join the text around it into a new "<!--", which
    // must be found again as a search from the start would. Everything kept
    // so far is free of "<!--", so any new one ends in the next characters
    // appended: checking the end of the kept text after each character finds
    // the comments in the same order in one pass.
    static const std::wstring open = L"<!--";
    std::size_t first = text.find(open);
    if (first == std::wstring::npos)
        return text;

    std::wstring kept;
    kept.reserve(text.size());
    kept.append(text, 0, first);
    std::size_t i = first;
    const std::size_t size = text.size();
    while (i < size) {
        kept += text[i++];
        const std::size_t length = kept.size();
        if (length < 4 || kept[length - 1] != L'-' || kept.compare(length - 4, 4, open) != 0)
            continue;
        // The comment's own dashes count for its end, so "<!-->" is whole.
        std::size_t end; // index in text of the comment's final '>'
        if (i < size && text[i] == L'>') {
            end = i;
        } else if (i + 1 < size && text[i] == L'-' && text[i + 1] == L'>') {
            end = i + 1;
        } else {
            const std::size_t close = text.find(L"-->", i);
            end = close == std::wstring::npos ? std::wstring::npos : close + 2;
        }
        if (xmlLogging()) {
            std::wstring message = L"Comment removed: ";
            message += open;
            if (end == std::wstring::npos)
                message.append(text, i, std::wstring::npos);
            else
                message.append(text, i, end + 1 - i);
            logXML(10, LOG_TYPE_INFO, message);
        }
        kept.resize(length - 4);
        if (end == std::wstring::npos)
            break;
        i = end + 1;
    }
    return kept;
}

std::vector<XMLToken> XMLNode::tokenize(const std::wstring& source)
{
    const std::wstring text = removeComments(source);
    std::vector<XMLToken> tokens;
    std::wstring buffer;
    int state = 0;
    for (wchar_t ch : text) {
        switch (state) {
        case 0: // outside
            if (ch == L'<')
                state = 1;
            else if (ch == L'"')
                state = 2;
            break;
        case 1: // in a tag
            if (ch == L'>') {
                finishTag(buffer, tokens);
                buffer.clear();
                state = 0;
            } else {
                buffer += ch;
            }
            break;
        case 2: // after a quote
            state = ch == L'|' ? 3 : 0;
            break;
        case 3: // in a value
            if (ch == L'|')
                state = 4;
            else
                buffer += ch;
            break;
        default: // after a bar in a value
            if (ch == L'"') {
                tokens.push_back(XMLToken{std::move(buffer), XMLToken::PROPERTY});
                buffer.clear();
                state = 0;
            } else if (ch == L'|') {
                buffer += L'|';
            } else {
                buffer += ch;
                state = 3;
            }
            break;
        }
    }
    return tokens;
}

bool XMLNode::load(const std::vector<XMLToken>& tokens, std::size_t& index)
{
    if (index >= tokens.size())
        return false;
    if (tokens[index].kind != XMLToken::TAG && tokens[index].kind != XMLToken::EMPTY_TAG)
        return false;

    // The nesting is kept on a stack of its own rather than in recursive
    // calls, so that deeply nested documents cannot exhaust the call stack.
    struct Frame {
        XMLNode* node;
        std::wstring closing;
        bool emptyTag;
        bool result;
    };
    std::vector<Frame> stack;
    FileLogger& log = xmlLog();

    auto open = [&](XMLNode* node) {
        const XMLToken& token = tokens[index];
        node->m_name = token.text;
        stack.push_back(Frame{node, L"/" + token.text, token.kind == XMLToken::EMPTY_TAG, true});
        ++index;
        log.incIndent();
    };
    // Ends the innermost node; returns true when it was the outermost one.
    auto finish = [&](bool& result) {
        const bool nodeResult = stack.back().result;
        stack.pop_back();
        log.decIndent();
        if (stack.empty()) {
            result = nodeResult;
            return true;
        }
        // Back in the parent, which moves on past the child's last token.
        stack.back().result = stack.back().result && nodeResult;
        ++index;
        return false;
    };

    open(this);
    bool result = true;
    for (;;) {
        Frame& frame = stack.back();
        XMLNode* node = frame.node;
        if (index >= tokens.size()) {
            if (xmlLogging())
                logXML(10, LOG_TYPE_ERROR, L"Node: " + node->m_name + L" not closed");
            if (finish(result))
                return result;
            continue;
        }
        const XMLToken& token = tokens[index];
        const bool complete = token.text == frame.closing || (frame.emptyTag && token.kind != XMLToken::ATTRIBUTE);
        if (complete) {
            if (xmlLogging()) {
                std::wostringstream message;
                message << L"Node: " << node->m_name << L" Items found N,P,A: " << node->m_nodes.size() << L' '
                        << node->m_properties.size() << L' ' << node->m_attributes.size();
                logXML(10, LOG_TYPE_INFO, message.str());
            }
            // An empty tag ends at the token after it, which belongs to the parent.
            if (frame.emptyTag)
                --index;
            if (finish(result))
                return result;
            continue;
        }
        switch (token.kind) {
        case XMLToken::TAG:
        case XMLToken::EMPTY_TAG:
            if (!token.text.empty() && token.text[0] != L'/') {
                XMLNode* child = new XMLNode();
                node->m_nodes.push_back(child);
                open(child);
                continue;
            }
            // A closing tag of another name, or a tag without a name.
            break;
        case XMLToken::PROPERTY: {
            XMLProperty* property = new XMLProperty();
            frame.result = property->parseToken(tokens, index) && frame.result;
            node->m_properties.push_back(property);
            break;
        }
        case XMLToken::ATTRIBUTE: {
            XMLAttribute* attribute = new XMLAttribute(std::wstring());
            frame.result = attribute->parseToken(tokens, index) && frame.result;
            node->m_attributes.push_back(attribute);
            break;
        }
        default:
            break;
        }
        ++index;
    }
}

bool XMLNode::load(XMLNode* node, const std::wstring& source, int mode)
{
    if (!node)
        return false;
    FileLogger& log = xmlLog();
    switch (mode) {
    case 0: {
        File file(L"UlvoXMLNode_" + source);
        if (!file.loadFile(source, GOBManager::getInstance()->getGOBOrder(L"DEFAULT"))) {
            logXML(25, LOG_TYPE_ERROR, L" " + source + L" nicht gefunden!");
            return false;
        }
        if (xmlLogging())
            logXML(10, LOG_TYPE_INFO, L" " + source + L" geladen!");
        LogIndent<FileLogger> indent(log);
        return load(node, file.getFILE_DATA(), 1);
    }
    case 1: {
        if (xmlLogging())
            logXML(20, LOG_TYPE_INFO, L" Try parsing XML String: ");
        const std::vector<XMLToken> tokens = tokenize(source);
        if (tokens.empty()) {
            logXML(25, LOG_TYPE_ERROR, L" Tokens found: 0");
            return false;
        }
        if (xmlLogging())
            logXML(10, LOG_TYPE_INFO, L" Tokens found: " + std::to_wstring(tokens.size()));
        std::size_t index = 0;
        return node->load(tokens, index);
    }
    case 2: {
        for (File* file : File::getLoadedFiles()) {
            if (file && file->isOpen() && file->getName() == source) {
                if (xmlLogging())
                    logXML(10, LOG_TYPE_INFO, L" UlvoFile mit Namen: " + source + L" gefunden!");
                LogIndent<FileLogger> indent(log);
                return load(node, file->getFILE_DATA(), 1);
            }
        }
        logXML(25, LOG_TYPE_ERROR, L" UlvoFile mit Namen: " + source + L" nicht gefunden!");
        return false;
    }
    default:
        return false;
    }
}

} // namespace Ulvo
