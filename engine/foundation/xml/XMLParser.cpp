// The reader: comment removal, the tokenizer and the tree builders.
//
// Documents are read in one pass over the text as stored: single bytes (one
// character each) or wide characters (UTF-16 files, decoded first). The tree
// is built straight from the text (Builder::Reader); values stay ranges of it
// until asked for. The token list (tokenize, and load from the tokens) is the
// plain reading of the format, which the direct one must match exactly.
#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/Utf16.h"
#include "foundation/xml/XMLArena.h"
#include "foundation/xml/XMLNode.h"
#include "foundation/xml/XMLScanner.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

template <class... Parts> void logXML(int priority, int type, const Parts&... parts)
{
    xmlLog().log(priority, type, kLoad, parts..., L'\n');
}

// The first character in [p, end) that is a or b, or end. Sixteen bytes are
// compared at a time: the reader spends most of its time looking for the next
// character that matters.
[[gnu::always_inline]] inline const unsigned char* findEither(const unsigned char* p, const unsigned char* end,
                                                              wchar_t a, wchar_t b)
{
    const auto first = static_cast<unsigned char>(a);
    const auto second = static_cast<unsigned char>(b);
#if defined(__SSE2__)
    const __m128i wantFirst = _mm_set1_epi8(static_cast<char>(first));
    const __m128i wantSecond = _mm_set1_epi8(static_cast<char>(second));
    while (end - p >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, wantFirst), _mm_cmpeq_epi8(chunk, wantSecond)));
        if (mask)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    for (; p < end; ++p) {
        if (*p == first || *p == second)
            return p;
    }
    return end;
}

[[gnu::always_inline]] inline const wchar_t* findEither(const wchar_t* p, const wchar_t* end, wchar_t a, wchar_t b)
{
#if defined(__SSE2__)
    static_assert(sizeof(wchar_t) == 4, "four wide characters to a comparison");
    const __m128i wantFirst = _mm_set1_epi32(static_cast<int>(a));
    const __m128i wantSecond = _mm_set1_epi32(static_cast<int>(b));
    while (end - p >= 4) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi32(chunk, wantFirst), _mm_cmpeq_epi32(chunk, wantSecond)));
        if (mask)
            return p + __builtin_ctz(static_cast<unsigned>(mask)) / 4;
        p += 4;
    }
#endif
    for (; p < end; ++p) {
        if (*p == a || *p == b)
            return p;
    }
    return end;
}

template <class Char> const Char* findChar(const Char* begin, const Char* end, wchar_t c)
{
    return findEither(begin, end, c, c);
}

// Text of either kind as the tree's wide strings.
template <class Char> void assignText(std::wstring& out, const Char* begin, const Char* end)
{
    out.assign(begin, end);
}

// A property's stored text: every run of bars stands for one bar fewer (the
// reader's rule for "||" and for a bar before another character).
template <class Char> void assignValue(std::wstring& out, const Char* begin, const Char* end, bool bars)
{
    if (!bars) {
        assignText(out, begin, end);
        return;
    }
    out.clear();
    out.reserve(static_cast<std::size_t>(end - begin));
    const Char* p = begin;
    while (p < end) {
        const Char* bar = findChar(p, end, L'|');
        out.append(p, bar);
        if (bar == end)
            break;
        const Char* after = bar + 1;
        while (after < end && *after == L'|')
            ++after;
        out.append(static_cast<std::size_t>(after - bar - 1), L'|');
        p = after;
    }
}

// ---------------------------------------------------------------- comments

template <class Char> bool startsComment(const Char* p, const Char* end)
{
    return end - p >= 4 && p[0] == L'<' && p[1] == L'!' && p[2] == L'-' && p[3] == L'-';
}

// The first '!' in [p, end), or end: the C library's search, which covers a
// whole document faster than the reader's own.
inline const unsigned char* findBang(const unsigned char* p, const unsigned char* end)
{
    const void* found = std::memchr(p, '!', static_cast<std::size_t>(end - p));
    return found ? static_cast<const unsigned char*>(found) : end;
}
inline const wchar_t* findBang(const wchar_t* p, const wchar_t* end)
{
    const wchar_t* found = std::wmemchr(p, L'!', static_cast<std::size_t>(end - p));
    return found ? found : end;
}

// The first "<!--" at or after p, or end. Exclamation marks are rare outside
// comments, so the search looks for them.
template <class Char> const Char* findComment(const Char* p, const Char* end)
{
    const Char* bang = p + 1;
    for (;;) {
        if (bang >= end)
            return end;
        bang = findBang(bang, end);
        if (bang == end)
            return end;
        if (startsComment(bang - 1, end))
            return bang - 1;
        ++bang;
    }
}

// Cuts every comment out of the text, in place; returns where the kept text
// begins (text, unless moved, see below) and ends.
// Cutting a comment can join the text around it into a new "<!--", which must
// be found again as a search from the start would: the kept text is free of
// "<!--", so a new one can only end in the first three characters kept after a
// cut. The kept text never overtakes the text still to read.
template <class Char> std::pair<Char*, Char*> cutComments(Char* text, Char* end, Char* first)
{
    // After the last comment the text kept so far joins the rest: whichever
    // is shorter moves (files mostly open with a comment).
    auto join = [text, end](Char* kept, Char* rest) {
        if (kept - text <= end - rest)
            return std::pair<Char*, Char*>(std::move_backward(text, kept, rest), end);
        return std::pair<Char*, Char*>(text,
                                       std::copy(static_cast<const Char*>(rest), static_cast<const Char*>(end), kept));
    };
    static const wchar_t open[] = L"<!--";
    Char* kept = first + 4; // text up to kept is what stays, ending in "<!--"
    const Char* p = first + 4;
    for (;;) {
        // The comment's own dashes count for its end, so "<!-->" is whole.
        const Char* last; // the comment's final '>'
        if (p < end && *p == L'>') {
            last = p;
        } else if (end - p >= 2 && p[0] == L'-' && p[1] == L'>') {
            last = p + 1;
        } else {
            last = p;
            for (;;) {
                last = findChar(last, static_cast<const Char*>(end), L'>');
                if (last == end || (last - p >= 2 && last[-1] == L'-' && last[-2] == L'-'))
                    break;
                ++last;
            }
        }
        if (xmlLogging()) {
            std::wstring comment(open);
            comment.append(p, last == end ? static_cast<const Char*>(end) : last + 1);
            logXML(10, LOG_TYPE_INFO, L"Comment removed: ", comment);
        }
        kept -= 4;
        if (last == end)
            return {text, kept};
        p = last + 1;
        // A new opening ending in the next one to three characters joins kept
        // ones; the first such end is the one a search from the start finds.
        std::size_t joined = 0;
        for (std::size_t count = 1; count <= 3 && joined == 0; ++count) {
            const std::size_t fromKept = 4 - count;
            if (static_cast<std::size_t>(end - p) < count || static_cast<std::size_t>(kept - text) < fromKept)
                continue;
            bool match = true;
            for (std::size_t k = 0; k < 4 && match; ++k) {
                const Char c = k < fromKept
                                   ? kept[static_cast<std::ptrdiff_t>(k) - static_cast<std::ptrdiff_t>(fromKept)]
                                   : p[k - fromKept];
                match = static_cast<wchar_t>(c) == open[k];
            }
            if (match)
                joined = count;
        }
        if (joined > 0) {
            kept = std::copy(p, p + joined, kept);
            p += joined;
            continue;
        }
        const Char* next = findComment(p, static_cast<const Char*>(end));
        if (next == end)
            return join(kept, text + (p - text));
        kept = std::copy(p, next, kept);
        kept = std::copy(next, next + 4, kept);
        p = next + 4;
    }
}

// ---------------------------------------------------------------- tokens

template <class Char> struct RawToken {
    const Char* begin = nullptr;
    const Char* end = nullptr;
    int kind = XMLToken::TAG;
    // A property whose range still holds bars (see assignValue).
    bool bars = false;
    // An attribute's equals sign, when the tokenizer found it.
    const Char* equals = nullptr;
};

// Cuts comment-free text into tokens, one at a time: the plain reading of
// the format, for the token list and the count the log starts with.
template <class Char> class Tokenizer {
public:
    Tokenizer(const Char* text, const Char* end) : m_p(text), m_end(end) {}

    bool next(RawToken<Char>& token)
    {
        if (m_nextAttribute < m_attributes.size()) {
            const Attribute& attribute = m_attributes[m_nextAttribute++];
            token = RawToken<Char>{attribute.start, attribute.end, XMLToken::ATTRIBUTE, false, attribute.equals};
            return true;
        }
        while (m_p < m_end) {
            // Outside tags and values only these two characters matter.
            m_p = findEither(m_p, m_end, L'<', L'"');
            if (m_p == m_end)
                return false;
            if (*m_p++ == L'<')
                return tag(token);
            // After a quote: a bar opens a value, anything else is consumed.
            if (m_p == m_end || *m_p++ != L'|')
                continue;
            if (value(token))
                return true;
        }
        return false;
    }

private:
    struct Attribute {
        const Char* start;
        const Char* equals;
        const Char* end;
    };

    // The text of a value up to the bar before its closing quote.
    bool value(RawToken<Char>& token)
    {
        const Char* start = m_p;
        bool bars = false;
        for (;;) {
            const Char* bar = findChar(m_p, m_end, L'|');
            const Char* after = bar;
            while (after < m_end && *after == L'|')
                ++after;
            if (after == m_end) {
                m_p = m_end;
                return false; // an unfinished value gives no token
            }
            if (*after == L'"') {
                bars = bars || after - bar > 1;
                token = RawToken<Char>{start, bars ? after : bar, XMLToken::PROPERTY, bars, nullptr};
                m_p = after + 1;
                return true;
            }
            // A run inside the value; the character after it belongs to the value.
            bars = true;
            m_p = after + 1;
        }
    }

    // A tag runs to its first '>'. Its name ends at its first space; after it
    // come name="value" pieces, each starting after the first space before its
    // equals sign. The attributes wait in a list until handed out.
    bool tag(RawToken<Char>& token)
    {
        const Char* start = m_p;
        m_attributes.clear();
        m_nextAttribute = 0;
        const Char* close = findChar(start, m_end, L'>');
        if (close == m_end) {
            m_p = m_end;
            return false; // an unfinished tag gives no token
        }
        const Char* space = findChar(start, close, L' ');
        if (space != close)
            attributes(space, close);
        m_p = close + 1;
        const Char* last = close;
        while (last > start && (last[-1] == L' ' || last[-1] == L'\t'))
            --last;
        const bool empty = last > start && last[-1] == L'/';
        const Char* nameEnd = space;
        if (empty && space == close)
            nameEnd = close - 1;
        token = RawToken<Char>{start, nameEnd, empty ? XMLToken::EMPTY_TAG : XMLToken::TAG, false, nullptr};
        return true;
    }

    // The attributes between the name's space and the tag's '>', which none of
    // them reaches past: a value ends at its second quote.
    void attributes(const Char* rest, const Char* close)
    {
        for (;;) {
            const Char* equals = findChar(rest, close, L'=');
            if (equals == close)
                return;
            const Char* blank = findChar(rest, equals, L' ');
            const Char* begin = blank == equals ? rest : blank + 1;
            const Char* open = findChar(equals + 1, close, L'"');
            if (open == close)
                return;
            const Char* quote = findChar(open + 1, close, L'"');
            if (quote == close)
                return;
            m_attributes.push_back(Attribute{begin, equals, quote + 1});
            rest = quote + 1;
        }
    }

    const Char* m_p;
    const Char* m_end;
    // The attributes of the last tag, handed out after it.
    std::vector<Attribute> m_attributes;
    std::size_t m_nextAttribute = 0;
};

// The tokens of a token list, for the list form of the tree builder.
class ListTokens {
public:
    ListTokens(const std::vector<XMLToken>& tokens, std::size_t index) : m_tokens(tokens), m_index(index) {}

    const RawToken<wchar_t>* next()
    {
        if (m_index >= m_tokens.size())
            return nullptr;
        const XMLToken& item = m_tokens[m_index++];
        m_token = RawToken<wchar_t>{item.text.data(), item.text.data() + item.text.size(), item.kind, false, nullptr};
        return &m_token;
    }
    void again() { --m_index; }
    std::size_t index() const { return m_index; }

private:
    const std::vector<XMLToken>& m_tokens;
    std::size_t m_index;
    RawToken<wchar_t> m_token;
};

// Does the token's text read "/" + name? The name is given as the opening
// tag's own text (count characters), which is what the node's name was made of.
template <class Char>
bool closes(const RawToken<Char>& token, const Char* name, std::size_t count, std::wstring& scratch)
{
    const Char* begin = token.begin;
    const Char* end = token.end;
    if (token.bars) {
        assignValue(scratch, begin, end, true);
        if (scratch.size() != count + 1 || scratch[0] != L'/')
            return false;
        for (std::size_t i = 0; i < count; ++i) {
            if (scratch[i + 1] != static_cast<wchar_t>(name[i]))
                return false;
        }
        return true;
    }
    if (static_cast<std::size_t>(end - begin) != count + 1 || *begin != L'/')
        return false;
    // Names are short: a loop costs less than a call.
    for (std::size_t i = 0; i < count; ++i) {
        if (begin[i + 1] != name[i])
            return false;
    }
    return true;
}

} // namespace

// The tree builders of the text and of the token list. Each builds in an
// arena of its own, which the node read into takes over on success.
class XMLNode::Builder {
public:
    // Builds root from the tokens of source; values stay ranges of the text
    // (which the arena keeps) unless copyValues. closed tells whether the root
    // ended at a token of its own (its closing tag or the end of an empty tag).
    template <class Char, class Source>
    static bool build(XMLNode* root, Source& source, std::unique_ptr<XMLArena> arena, bool copyValues, bool& closed);
    // Builds root straight from the text, which arena keeps; values stay ranges of it.
    template <class Char>
    static bool read(XMLNode* root, std::unique_ptr<XMLArena> arena, const Char* begin, const Char* end);

private:
    template <class Char> class Reader;

    struct Frame {
        XMLNode* node;
        std::size_t nodes; // where the node's items start on the scratch stacks
        std::size_t properties;
        std::size_t attributes;
        // The opening tag's name as it stands in the text, for its closing tag.
        const void* name;
        std::size_t nameLength;
        bool emptyTag;
        bool result;
    };

    // Items of unfinished nodes wait on stacks shared by all levels and go
    // into each node's lists, sized once, when the node is complete.
    // A stack of plain items that keeps its room: pushing is a store and a
    // count, on every item of a document.
    template <class T> class Stack {
    public:
        Stack() = default;
        Stack(const Stack&) = delete;
        Stack& operator=(const Stack&) = delete;
        ~Stack() { delete[] m_data; }

        std::size_t size() const { return m_size; }
        T* data() { return m_data; }
        T* begin() { return m_data; }
        T* end() { return m_data + m_size; }
        T& operator[](std::size_t i) { return m_data[i]; }
        T& back() { return m_data[m_size - 1]; }
        [[gnu::always_inline]] void push_back(const T& item)
        {
            if (m_size == m_capacity)
                grow();
            m_data[m_size++] = item;
        }
        [[gnu::always_inline]] T& emplace_back()
        {
            if (m_size == m_capacity)
                grow();
            return m_data[m_size++];
        }
        void pop_back() { --m_size; }
        // Drops the items from size on (never grows).
        void resize(std::size_t size) { m_size = size; }

    private:
        void grow()
        {
            const std::size_t capacity = m_capacity ? m_capacity * 2 : 64;
            T* data = new T[capacity];
            std::copy(m_data, m_data + m_size, data);
            delete[] m_data;
            m_data = data;
            m_capacity = capacity;
        }

        T* m_data = nullptr;
        std::size_t m_size = 0;
        std::size_t m_capacity = 0;
    };

    struct Scratch {
        Stack<XMLNode*> nodes;
        Stack<XMLProperty*> properties;
        Stack<XMLAttribute*> attributes;
        Stack<Frame> frames;
        std::wstring text;

        // Deletes whatever waits from the given marks on (a refused document).
        void discard(std::size_t nodeMark, std::size_t propertyMark, std::size_t attributeMark)
        {
            std::vector<XMLNode*> doomed(nodes.begin() + static_cast<std::ptrdiff_t>(nodeMark), nodes.end());
            nodes.resize(nodeMark);
            XMLNode::destroyNodes(doomed);
            for (std::size_t i = propertyMark; i < properties.size(); ++i)
                delete properties[i];
            properties.resize(propertyMark);
            for (std::size_t i = attributeMark; i < attributes.size(); ++i)
                delete attributes[i];
            attributes.resize(attributeMark);
        }
    };

    static XMLNode* makeNode(XMLArena& arena, const std::wstring* name)
    {
        return ::new (arena.allocate(sizeof(XMLNode))) XMLNode(name, &arena);
    }
    static XMLProperty* makeProperty(XMLArena& arena)
    {
        XMLProperty* property = ::new (arena.allocate(sizeof(XMLProperty))) XMLProperty();
        property->m_value.inArena = true;
        return property;
    }

    // An attribute from its text; equals is its equals sign, or null when not known.
    template <class Char>
    static XMLAttribute* makeAttribute(const Char* begin, const Char* equals, const Char* end, XMLArena& arena,
                                       bool copyValues);

    // Moves the items waiting from mark on into list, in room carved from storage.
    template <class T>
    [[gnu::always_inline]] static void take(XMLItems<T>& list, Stack<T*>& scratch, std::size_t mark, std::size_t count,
                                            void**& storage)
    {
        if (count == 0)
            return;
        list.append(scratch.data() + mark, count, list.empty() ? reinterpret_cast<T**>(storage) : nullptr);
        storage += count;
        scratch.resize(mark);
    }
};

// Splits an attribute token: the name is the text before the first equals
// sign without surrounding spaces; the value is the rest, without one leading
// and then one trailing double quote.
template <class Char>
XMLAttribute* XMLNode::Builder::makeAttribute(const Char* begin, const Char* equals, const Char* end, XMLArena& arena,
                                              bool copyValues)
{
    if (!equals)
        equals = findChar(begin, end, L'=');
    const Char* nameBegin = begin;
    const Char* nameEnd = equals;
    while (nameBegin < nameEnd && *nameBegin == L' ')
        ++nameBegin;
    while (nameEnd > nameBegin && nameEnd[-1] == L' ')
        --nameEnd;
    const Char* valueBegin = end;
    const Char* valueEnd = end;
    if (equals != end) {
        valueBegin = equals + 1;
        if (valueBegin < valueEnd && *valueBegin == L'"')
            ++valueBegin;
        if (valueEnd > valueBegin && valueEnd[-1] == L'"')
            --valueEnd;
    }
    const std::wstring* name = arena.intern(nameBegin, nameEnd);
    void* memory = arena.allocate(sizeof(XMLAttribute));
    if (!copyValues) {
        return ::new (memory)
            XMLAttribute(name, valueBegin, static_cast<uint32_t>(valueEnd - valueBegin), sizeof(Char) > 1, &arena);
    }
    XMLAttribute* attribute = ::new (memory) XMLAttribute(name);
    attribute->m_value.inArena = true;
    assignText(attribute->m_value.string(), valueBegin, valueEnd);
    return attribute;
}

// The reader of text as it stands: one pass over the text builds the tree,
// with no token in between. It makes exactly the tree the token-list form
// makes of the same text (and logs the same lines): the usual items take the
// short way (a child's opening tag, the open node's closing tag, an attribute
// or value that cannot close anything), every other token goes through
// dispatch, which does what the token-list builder does with it.
template <class Char> class XMLNode::Builder::Reader {
public:
    Reader(XMLNode* root, XMLArena& arena, const Char* begin, const Char* end)
        : m_root(root)
        , m_arena(arena)
        , m_scan(begin, end)
        , m_begin(begin)
        , m_end(end)
        , m_scratch(perThread())
        , m_log(xmlLog())
        , m_logging(xmlLogging())
    {
    }

    enum Outcome { GO_ON, DONE, REFUSED };

    // Reads the document; the root was read when the result is DONE.
    Outcome read()
    {
        // Where reading goes on, kept in a register: each step waits for it.
        const Char* at = m_begin;
        for (;;) {
            const Char* p = m_scan.template findToEnd<&XMLMarks::openOrQuote>(at);
            if (p == m_end)
                return ended();
            at = p + 1;
            Outcome outcome;
            if (*p == L'<') {
                outcome = tag(at);
            } else {
                // After a quote: a bar opens a value, anything else is consumed.
                if (at == m_end)
                    return ended();
                if (*at++ != L'|')
                    continue;
                outcome = value(at);
            }
            if (outcome != GO_ON)
                return outcome;
        }
    }

    // The marks the scratch stacks had before the document (see unwind).
    std::size_t nodeMark = 0, propertyMark = 0, attributeMark = 0, frameMark = 0;

    Scratch& scratch() { return m_scratch; }
    std::size_t depth() const { return m_depth; }

private:
    static Scratch& perThread()
    {
        // One scratch per thread, kept between documents.
        thread_local Scratch scratch;
        return scratch;
    }

    Frame& top() { return m_scratch.frames.back(); }

    // The value, kept from being loaded together with its neighbours.
    [[gnu::always_inline]] static std::size_t apart(std::size_t value)
    {
#if defined(__GNUC__)
        asm("" : "+r"(value));
#endif
        return value;
    }

    [[gnu::always_inline]] void open(XMLNode* node, const Char* name, std::size_t length, bool emptyTag)
    {
        Frame& frame = m_scratch.frames.emplace_back();
        frame.node = node;
        // Each count on its own: read together in one wide load, the count
        // stored just before stalls it.
        frame.nodes = apart(m_scratch.nodes.size());
        frame.properties = apart(m_scratch.properties.size());
        frame.attributes = apart(m_scratch.attributes.size());
        frame.name = name;
        frame.nameLength = length;
        frame.emptyTag = emptyTag;
        frame.result = true;
        m_emptyOpen = emptyTag;
        ++m_depth;
        if (m_logging)
            m_log.incIndent();
    }

    // A child of the innermost node from its tag's name; refused past MAX_DEPTH.
    [[gnu::always_inline]] bool child(const Char* name, const Char* nameEnd, bool emptyTag)
    {
        if (m_depth >= MAX_DEPTH)
            return false;
        XMLNode* node = makeNode(m_arena, m_arena.intern(name, nameEnd));
        m_scratch.nodes.push_back(node);
        open(node, name, static_cast<std::size_t>(nameEnd - name), emptyTag);
        return true;
    }

    // The innermost node is complete; true when it was the root.
    [[gnu::always_inline]] bool finish(bool closed)
    {
        Frame& frame = top();
        XMLNode* node = frame.node;
        if (m_logging) {
            if (closed) {
                logXML(10, LOG_TYPE_INFO, L"Node: ", *node->m_name, L" Items found N,P,A: ",
                       node->m_nodes.size() + m_scratch.nodes.size() - frame.nodes, L' ',
                       node->m_properties.size() + m_scratch.properties.size() - frame.properties, L' ',
                       node->m_attributes.size() + m_scratch.attributes.size() - frame.attributes);
            } else {
                logXML(10, LOG_TYPE_ERROR, L"Node: ", *node->m_name, L" not closed");
            }
        }
        // The three lists share one piece of the arena.
        const std::size_t nodes = m_scratch.nodes.size() - frame.nodes;
        const std::size_t properties = m_scratch.properties.size() - frame.properties;
        const std::size_t attributes = m_scratch.attributes.size() - frame.attributes;
        if (const std::size_t count = nodes + properties + attributes; count != 0) {
            void** storage = m_arena.allocateArray<void>(count);
            // Only the root can hold items from before.
            if (node != m_root) {
                fill(node->m_nodes, m_scratch.nodes, frame.nodes, nodes, storage);
                fill(node->m_properties, m_scratch.properties, frame.properties, properties, storage);
                fill(node->m_attributes, m_scratch.attributes, frame.attributes, attributes, storage);
            } else {
                take(node->m_nodes, m_scratch.nodes, frame.nodes, nodes, storage);
                take(node->m_properties, m_scratch.properties, frame.properties, properties, storage);
                take(node->m_attributes, m_scratch.attributes, frame.attributes, attributes, storage);
            }
        }
        m_scratch.frames.pop_back();
        // Only the innermost node can be an empty tag's (it ends at the next token).
        m_emptyOpen = false;
        --m_depth;
        if (m_logging)
            m_log.decIndent();
        return m_depth == 0;
    }

    // take for a list that is empty: the items are copied into storage as they are.
    template <class T>
    [[gnu::always_inline]] static void fill(XMLItems<T>& list, Stack<T*>& scratch, std::size_t mark, std::size_t count,
                                            void**& storage)
    {
        if (count == 0)
            return;
        auto** items = reinterpret_cast<T**>(storage);
        // Mostly a few items: a loop costs less than a call.
        for (std::size_t i = 0; i < count; ++i)
            items[i] = scratch[mark + i];
        list.adopt(items, count);
        storage += count;
        scratch.resize(mark);
    }

    // The text ends: every open node is complete without its closing tag.
    Outcome ended()
    {
        if (m_depth == 0)
            return REFUSED;
        while (!finish(false)) {}
        return DONE;
    }

    // A token that is not an attribute completes an empty tag's node first;
    // the parent reads it then.
    [[gnu::always_inline]] bool endEmptyTag()
    {
        return m_emptyOpen && finish(true);
    }

    // What the token-list builder does with a token of the innermost node.
    Outcome dispatch(const RawToken<Char>& token)
    {
        for (;;) {
            Frame& frame = top();
            if (closes(token, static_cast<const Char*>(frame.name), frame.nameLength, m_scratch.text) ||
                (frame.emptyTag && token.kind != XMLToken::ATTRIBUTE)) {
                const bool again = frame.emptyTag;
                if (finish(true))
                    return DONE;
                if (again)
                    continue;
                return GO_ON;
            }
            switch (token.kind) {
            case XMLToken::TAG:
            case XMLToken::EMPTY_TAG:
                // A closing tag of another name, or a tag without a name, is skipped.
                if (token.begin != token.end && *token.begin != L'/' &&
                    !child(token.begin, token.end, token.kind == XMLToken::EMPTY_TAG))
                    return REFUSED;
                break;
            case XMLToken::PROPERTY:
                property(token.begin, token.end, token.bars);
                break;
            default:
                attribute(token.begin, token.equals, token.end);
                break;
            }
            return GO_ON;
        }
    }

    [[gnu::always_inline]] void property(const Char* begin, const Char* end, bool bars)
    {
        m_scratch.properties.push_back(::new (m_arena.allocate(sizeof(XMLProperty))) XMLProperty(
            begin, static_cast<uint32_t>(end - begin), sizeof(Char) > 1, bars, &m_arena));
    }

    void attribute(const Char* begin, const Char* equals, const Char* end)
    {
        m_scratch.attributes.push_back(nullptr);
        m_scratch.attributes.back() = makeAttribute(begin, equals, end, m_arena, false);
    }

    // An attribute as makeAttribute splits it, found in a tag: its value
    // lies between the quotes open and quote, and loses open when that
    // follows the equals sign.
    [[gnu::always_inline]] void plainAttribute(const Char* begin, const Char* equals, const Char* open,
                                               const Char* quote)
    {
        const Char* nameEnd = equals;
        while (begin < nameEnd && *begin == L' ')
            ++begin;
        while (nameEnd > begin && nameEnd[-1] == L' ')
            --nameEnd;
        const Char* value = open == equals + 1 ? open + 1 : equals + 1;
        const std::wstring* name = m_arena.intern(begin, nameEnd);
        m_scratch.attributes.push_back(::new (m_arena.allocate(sizeof(XMLAttribute))) XMLAttribute(
            name, value, static_cast<uint32_t>(quote - value), sizeof(Char) > 1, &m_arena));
    }

    // A tag, from after its '<' to its first '>'. Inlined into the reader's
    // loop: a call per tag costs more than the tag's own work.
    [[gnu::always_inline]] Outcome tag(const Char*& at)
    {
        const Char* start = at;
        const Char* close = m_scan.template findToEnd<&XMLMarks::close>(start);
        if (close == m_end) {
            at = m_end;
            return ended(); // an unfinished tag is no token
        }
        at = close + 1;
        if (endEmptyTag())
            return DONE;
        // The open node's closing tag: "/" + its name + ">", a name that
        // neither ends in '/' or a tab (its tag would read otherwise).
        if (*start == L'/' && m_depth != 0) {
            const Frame& frame = top();
            const std::size_t count = frame.nameLength;
            const auto* name = static_cast<const Char*>(frame.name);
            if (close == start + count + 1 && count != 0 && name[count - 1] != L'/' && name[count - 1] != L'\t' &&
                sameName(start + 1, name, count))
                return finish(true) ? DONE : GO_ON;
        }
        const Char* space = m_scan.template find<&XMLMarks::space>(start, close);
        const Char* last = close;
        while (last > start && (last[-1] == L' ' || last[-1] == L'\t'))
            --last;
        const bool empty = last > start && last[-1] == L'/';
        const Char* nameEnd = empty && space == close ? close - 1 : space;
        if (m_depth == 0) {
            // The first token makes the root, whatever its name. Reading into a
            // node of another document changes that document.
            m_root->changed();
            m_root->m_name = m_arena.intern(start, nameEnd);
            m_root->m_ownsName = false;
            open(m_root, start, static_cast<std::size_t>(nameEnd - start), empty);
        } else if (nameEnd != start && *start != L'/') {
            if (!child(start, nameEnd, empty))
                return REFUSED;
        } else if (const Outcome outcome =
                       dispatch(RawToken<Char>{start, nameEnd, empty ? XMLToken::EMPTY_TAG : XMLToken::TAG});
                   outcome != GO_ON) {
            return outcome;
        }
        return space == close ? GO_ON : attributes(space, close);
    }

    // The attributes between the name's space and the tag's '>', which none
    // of them reaches past: each starts after the first space before its
    // equals sign and ends at the second quote after it.
    [[gnu::always_inline]] Outcome attributes(const Char* rest, const Char* close)
    {
        for (;;) {
            const Char* equals = m_scan.template find<&XMLMarks::equals>(rest, close);
            if (equals == close)
                return GO_ON;
            const Char* blank = *rest == L' ' ? rest : m_scan.template find<&XMLMarks::space>(rest, equals);
            const Char* begin = blank == equals ? rest : blank + 1;
            const Char* open =
                equals[1] == L'"' ? equals + 1 : m_scan.template find<&XMLMarks::quote>(equals + 1, close);
            if (open == close)
                return GO_ON;
            const Char* quote = m_scan.template find<&XMLMarks::quote>(open + 1, close);
            if (quote == close)
                return GO_ON;
            rest = quote + 1;
            // One starting with '/' may close a node; the others belong to the innermost one.
            if (*begin != L'/') {
                plainAttribute(begin, equals, open, quote);
            } else if (const Outcome outcome =
                           dispatch(RawToken<Char>{begin, rest, XMLToken::ATTRIBUTE, false, equals});
                       outcome != GO_ON) {
                return outcome;
            }
        }
    }

    // A value, from after its opening bar to the bar before its closing quote.
    [[gnu::always_inline]] Outcome value(const Char*& at)
    {
        const Char* start = at;
        bool bars = false;
        for (;;) {
            const Char* bar = m_scan.template findToEnd<&XMLMarks::bar>(at);
            // Mostly a single bar before the closing quote.
            if (!bars && m_end - bar >= 2 && bar[1] == L'"') {
                at = bar + 2;
                return item(start, bar, false);
            }
            const Char* after = bar;
            while (after < m_end && *after == L'|')
                ++after;
            if (after == m_end) {
                at = m_end;
                return ended(); // an unfinished value is no token
            }
            if (*after == L'"') {
                bars = bars || after - bar > 1;
                at = after + 1;
                return item(start, bars ? after : bar, bars);
            }
            // A run inside the value; the character after it belongs to the value.
            bars = true;
            at = after + 1;
        }
    }

    // A value found: a property of the innermost node, unless it reads as a closing tag.
    [[gnu::always_inline]] Outcome item(const Char* begin, const Char* end, bool bars)
    {
        if (m_depth == 0)
            return REFUSED; // a document starts with a tag
        if (endEmptyTag())
            return DONE;
        if (bars || (begin != end && *begin == L'/'))
            return dispatch(RawToken<Char>{begin, end, XMLToken::PROPERTY, bars});
        property(begin, end, false);
        return GO_ON;
    }

    [[gnu::always_inline]] bool sameName(const Char* text, const Char* name, std::size_t count) const
    {
        if constexpr (sizeof(Char) == 1) {
            // Both names are read eight bytes at a time where the text allows
            // (the name lies before the text, in the same text).
            if (count <= 8 && m_end - text >= 8) {
                uint64_t a;
                uint64_t b;
                std::memcpy(&a, text, 8);
                std::memcpy(&b, name, 8);
                const uint64_t mask = count == 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * count)) - 1;
                return ((a ^ b) & mask) == 0;
            }
            return std::memcmp(text, name, count) == 0;
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                if (text[i] != name[i])
                    return false;
            }
            return true;
        }
    }

    XMLNode* m_root;
    XMLArena& m_arena;
    XMLScanner<Char> m_scan;
    const Char* m_begin;
    const Char* m_end;
    Scratch& m_scratch;
    FileLogger& m_log;
    const bool m_logging;
    std::size_t m_depth = 0;
    // The innermost node is an empty tag's.
    bool m_emptyOpen = false;
};

template <class Char>
bool XMLNode::Builder::read(XMLNode* root, std::unique_ptr<XMLArena> arena, const Char* begin, const Char* end)
{
    Reader<Char> reader(root, *arena, begin, end);
    Scratch& scratch = reader.scratch();
    reader.nodeMark = scratch.nodes.size();
    reader.propertyMark = scratch.properties.size();
    reader.attributeMark = scratch.attributes.size();
    reader.frameMark = scratch.frames.size();
    const std::wstring* oldName = root->m_name;
    const bool ownedName = root->m_ownsName;
    auto unwind = [&] {
        if (xmlLogging()) {
            for (std::size_t depth = reader.depth(); depth > 0; --depth)
                xmlLog().decIndent();
        }
        scratch.frames.resize(reader.frameMark);
        scratch.discard(reader.nodeMark, reader.propertyMark, reader.attributeMark);
        root->m_name = oldName;
        root->m_ownsName = ownedName;
    };
    try {
        switch (reader.read()) {
        case Reader<Char>::DONE:
            // The root is complete: it keeps the arena and drops a name of its own.
            arena->next = root->m_arenas;
            root->m_arenas = arena.release();
            if (ownedName)
                delete oldName;
            return true;
        case Reader<Char>::REFUSED:
            if (reader.depth() != 0) {
                unwind();
                logXML(25, LOG_TYPE_ERROR, L" nesting deeper than ", MAX_DEPTH, L" levels: document refused");
            }
            return false;
        default:
            return false;
        }
    } catch (...) {
        unwind();
        throw;
    }
}

template <class Char, class Source>
bool XMLNode::Builder::build(XMLNode* root, Source& source, std::unique_ptr<XMLArena> arena, bool copyValues,
                             bool& closed)
{
    closed = false;
    const RawToken<Char>* first = source.next();
    if (!first || (first->kind != XMLToken::TAG && first->kind != XMLToken::EMPTY_TAG))
        return false;

    FileLogger& log = xmlLog();
    const bool logging = xmlLogging();
    // One scratch per thread, kept between documents.
    thread_local Scratch perThread;
    Scratch& scratch = perThread;
    const std::size_t nodeMark = scratch.nodes.size();
    const std::size_t propertyMark = scratch.properties.size();
    const std::size_t attributeMark = scratch.attributes.size();
    const std::size_t frameMark = scratch.frames.size();
    // Copied values are strings of their own: the items must be visited when they go.
    if (copyValues)
        arena->changed = true;
    const std::wstring* oldName = root->m_name;
    const bool ownedName = root->m_ownsName;
    // Reading into a node of another document changes that document.
    root->changed();

    std::size_t depth = 0;
    auto open = [&](XMLNode* node, const RawToken<Char>& tag) {
        // Filled in place: a frame built aside and copied in stalls on every node.
        Frame& frame = scratch.frames.emplace_back();
        frame.node = node;
        frame.nodes = scratch.nodes.size();
        frame.properties = scratch.properties.size();
        frame.attributes = scratch.attributes.size();
        frame.name = tag.begin;
        frame.nameLength = static_cast<std::size_t>(tag.end - tag.begin);
        frame.emptyTag = tag.kind == XMLToken::EMPTY_TAG;
        frame.result = true;
        ++depth;
        // The indent shows only in what is logged.
        if (logging)
            log.incIndent();
    };
    // Ends the innermost node; true when it was the root.
    auto finish = [&](bool& result) {
        Frame& frame = scratch.frames.back();
        XMLNode* node = frame.node;
        // The three lists share one piece of the arena.
        const std::size_t nodes = scratch.nodes.size() - frame.nodes;
        const std::size_t properties = scratch.properties.size() - frame.properties;
        const std::size_t attributes = scratch.attributes.size() - frame.attributes;
        if (const std::size_t count = nodes + properties + attributes; count != 0) {
            void** storage = arena->allocateArray<void>(count);
            take(node->m_nodes, scratch.nodes, frame.nodes, nodes, storage);
            take(node->m_properties, scratch.properties, frame.properties, properties, storage);
            take(node->m_attributes, scratch.attributes, frame.attributes, attributes, storage);
        }
        const bool nodeResult = frame.result;
        scratch.frames.pop_back();
        --depth;
        if (logging)
            log.decIndent();
        if (depth == 0) {
            result = nodeResult;
            return true;
        }
        scratch.frames.back().result = scratch.frames.back().result && nodeResult;
        return false;
    };
    // The root is complete: it keeps the arena and drops a name of its own.
    auto adopt = [&] {
        arena->next = root->m_arenas;
        root->m_arenas = arena.release();
        if (ownedName)
            delete oldName;
    };
    auto unwind = [&] {
        for (; depth > 0; --depth) {
            if (logging)
                log.decIndent();
        }
        scratch.frames.resize(frameMark);
        scratch.discard(nodeMark, propertyMark, attributeMark);
        root->m_name = oldName;
        root->m_ownsName = ownedName;
    };

    try {
        root->m_name = arena->intern(first->begin, first->end);
        root->m_ownsName = false;
        open(root, *first);
        bool result = true;
        for (;;) {
            Frame& frame = scratch.frames.back();
            XMLNode* node = frame.node;
            const RawToken<Char>* next = source.next();
            if (!next) {
                if (logging)
                    logXML(10, LOG_TYPE_ERROR, L"Node: ", *node->m_name, L" not closed");
                if (finish(result)) {
                    adopt();
                    return result;
                }
                continue;
            }
            const RawToken<Char>& token = *next;
            if (closes(token, static_cast<const Char*>(frame.name), frame.nameLength, scratch.text) ||
                (frame.emptyTag && token.kind != XMLToken::ATTRIBUTE)) {
                if (logging) {
                    logXML(10, LOG_TYPE_INFO, L"Node: ", *node->m_name, L" Items found N,P,A: ",
                           node->m_nodes.size() + scratch.nodes.size() - frame.nodes, L' ',
                           node->m_properties.size() + scratch.properties.size() - frame.properties, L' ',
                           node->m_attributes.size() + scratch.attributes.size() - frame.attributes);
                }
                // An empty tag ends at the token after it, which belongs to the parent.
                if (frame.emptyTag)
                    source.again();
                if (finish(result)) {
                    closed = true;
                    adopt();
                    return result;
                }
                continue;
            }
            switch (token.kind) {
            case XMLToken::TAG:
            case XMLToken::EMPTY_TAG:
                // A closing tag of another name, or a tag without a name, is skipped.
                if (token.begin != token.end && *token.begin != L'/') {
                    if (depth >= MAX_DEPTH) {
                        unwind();
                        logXML(25, LOG_TYPE_ERROR, L" nesting deeper than ", MAX_DEPTH, L" levels: document refused");
                        return false;
                    }
                    XMLNode* child = makeNode(*arena, arena->intern(token.begin, token.end));
                    scratch.nodes.push_back(child);
                    open(child, token);
                }
                break;
            case XMLToken::PROPERTY:
                if (copyValues) {
                    XMLProperty* property = makeProperty(*arena);
                    scratch.properties.push_back(property);
                    assignValue(property->m_value.string(), token.begin, token.end, token.bars);
                } else {
                    scratch.properties.push_back(::new (arena->allocate(sizeof(XMLProperty))) XMLProperty(
                        token.begin, static_cast<uint32_t>(token.end - token.begin), sizeof(Char) > 1, token.bars,
                        arena.get()));
                }
                break;
            case XMLToken::ATTRIBUTE:
                scratch.attributes.push_back(nullptr);
                scratch.attributes.back() = makeAttribute(token.begin, token.equals, token.end, *arena, copyValues);
                break;
            default:
                break;
            }
        }
    } catch (...) {
        unwind();
        throw;
    }
}

std::wstring XMLNode::removeComments(const std::wstring& source)
{
    std::wstring text = source;
    wchar_t* begin = text.data();
    wchar_t* end = begin + text.size();
    const wchar_t* first = findComment(static_cast<const wchar_t*>(begin), static_cast<const wchar_t*>(end));
    if (first != end) {
        const auto [keptBegin, keptEnd] = cutComments(begin, end, begin + (first - begin));
        text = std::wstring(keptBegin, keptEnd);
    }
    return text;
}

std::vector<XMLToken> XMLNode::tokenize(const std::wstring& source)
{
    const std::wstring text = removeComments(source);
    std::vector<XMLToken> tokens;
    Tokenizer<wchar_t> tokenizer(text.data(), text.data() + text.size());
    RawToken<wchar_t> token;
    while (tokenizer.next(token)) {
        XMLToken& item = tokens.emplace_back();
        item.kind = token.kind;
        if (token.kind == XMLToken::PROPERTY)
            assignValue(item.text, token.begin, token.end, token.bars);
        else
            item.text.assign(token.begin, token.end);
    }
    return tokens;
}

bool XMLNode::load(const std::vector<XMLToken>& tokens, std::size_t& index)
{
    ListTokens source(tokens, index);
    bool closed = false;
    // The tokens' texts belong to the caller: values are copied.
    const bool result = Builder::build<wchar_t>(this, source, std::make_unique<XMLArena>(0), true, closed);
    // index stays at the node's last token; an unclosed node leaves it past the end.
    if (source.index() > index)
        index = closed ? source.index() - 1 : source.index();
    return result;
}

template <class Char> bool XMLNode::parse(XMLNode* node, std::unique_ptr<XMLArena> arena, Char* begin, Char* end)
{
    if (xmlLogging())
        logXML(20, LOG_TYPE_INFO, L" Try parsing XML String: ");
    // The text belongs to the arena, so the comments are cut out in place.
    if (const Char* first = findComment(static_cast<const Char*>(begin), static_cast<const Char*>(end)); first != end)
        std::tie(begin, end) = cutComments(begin, end, begin + (first - begin));
    if (static_cast<uint64_t>(end - begin) > 0xFFFFFFFFull) {
        logXML(25, LOG_TYPE_ERROR, L" text too long: document refused");
        return false;
    }
    if (xmlLogging()) {
        // The count comes first in the log, so the tokens are counted in a pass of their own.
        Tokenizer<Char> counter(begin, end);
        RawToken<Char> token;
        std::size_t count = 0;
        while (counter.next(token))
            ++count;
        if (count == 0) {
            logXML(25, LOG_TYPE_ERROR, L" Tokens found: 0");
            return false;
        }
        logXML(10, LOG_TYPE_INFO, L" Tokens found: ", count);
    }
    return Builder::read<Char>(node, std::move(arena), begin, end);
}

namespace {

// A document stored as UTF-16LE code units into the arena's wide text.
std::unique_ptr<XMLArena> wideArena(const unsigned char* bytes, std::size_t size)
{
    auto arena = std::make_unique<XMLArena>(size * 2);
    decodeUtf16LE(bytes, size / 2, arena->wide());
    return arena;
}

} // namespace

bool XMLNode::loadBytes(XMLNode* node, const unsigned char* bytes, std::size_t size, bool unicode)
{
    if (!node)
        return false;
    if (unicode) {
        auto arena = wideArena(bytes, size);
        wchar_t* begin = arena->wide().data();
        wchar_t* end = begin + arena->wide().size();
        return parse(node, std::move(arena), begin, end);
    }
    auto arena = std::make_unique<XMLArena>(size * 4);
    unsigned char* begin = arena->makeBytes(size);
    if (size)
        std::memcpy(begin, bytes, size);
    return parse(node, std::move(arena), begin, begin + size);
}

bool XMLNode::loadText(XMLNode* node, std::vector<unsigned char>&& bytes, bool unicode, std::size_t skip)
{
    if (!node)
        return false;
    skip = std::min(skip, bytes.size());
    std::vector<unsigned char> text = std::move(bytes);
    return loadBytes(node, text.data() + skip, text.size() - skip, unicode);
}

bool XMLNode::load(XMLNode* node, const std::wstring& source, int mode)
{
    if (!node)
        return false;
    FileLogger& log = xmlLog();
    // The document's lines (one per node) reach the file together.
    LogHold<FileLogger> hold(log);
    switch (mode) {
    case 0: {
        File file(L"UlvoXMLNode_" + source);
        if (!file.loadFile(source, GOBManager::getInstance()->getGOBOrder(L"DEFAULT"))) {
            logXML(25, LOG_TYPE_ERROR, L" ", source, L" nicht gefunden!");
            return false;
        }
        logXML(10, LOG_TYPE_INFO, L" ", source, L" geladen!");
        LogIndent<FileLogger> indent(log);
        // Read straight into the memory the document keeps.
        const std::size_t room = file.storedSize();
        std::unique_ptr<unsigned char[]> bytes(new unsigned char[room]);
        std::size_t size = 0;
        bool unicode = false;
        file.getTextBytes(bytes.get(), size, unicode);
        if (unicode) {
            // The text follows the byte-order mark.
            const std::size_t skip = std::min<std::size_t>(2, size);
            auto arena = wideArena(bytes.get() + skip, size - skip);
            bytes.reset();
            wchar_t* begin = arena->wide().data();
            wchar_t* end = begin + arena->wide().size();
            return parse(node, std::move(arena), begin, end);
        }
        auto arena = std::make_unique<XMLArena>(size * 4);
        unsigned char* text = bytes.get();
        arena->adoptBytes(std::move(bytes), room);
        return parse(node, std::move(arena), text, text + size);
    }
    case 1: {
        // The caller's text may go once this returns: the arena keeps a copy.
        auto arena = std::make_unique<XMLArena>(source.size() * 4);
        arena->wide() = source;
        wchar_t* begin = arena->wide().data();
        return parse(node, std::move(arena), begin, begin + source.size());
    }
    case 2: {
        for (File* file : File::getLoadedFiles()) {
            if (file && file->isOpen() && file->getName() == source) {
                logXML(10, LOG_TYPE_INFO, L" UlvoFile mit Namen: ", source, L" gefunden!");
                LogIndent<FileLogger> indent(log);
                return load(node, file->getFILE_DATA(), 1);
            }
        }
        logXML(25, LOG_TYPE_ERROR, L" UlvoFile mit Namen: ", source, L" nicht gefunden!");
        return false;
    }
    default:
        return false;
    }
}

} // namespace Ulvo
