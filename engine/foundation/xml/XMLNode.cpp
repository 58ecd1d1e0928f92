// The document tree: nodes, their values, typed access and value lists.
#include "foundation/xml/XMLNode.h"

#include "foundation/text/Utf16.h"
#include "foundation/xml/XMLArena.h"

#include <cerrno>
#include <climits>
#include <cwchar>
#include <cwctype>
#include <locale>
#include <locale.h>
#include <ostream>
#include <sstream>
#include <utility>
#include <wchar.h>

namespace Ulvo {

namespace {

// Number conversions use the "C" rules whatever locale the process runs in,
// so a saved "0.5" never turns into "0,5" or back.
locale_t cLocale()
{
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// A long read as the 32-bit runtime does: out-of-range text gives the limit of its sign.
long clampToInt32(long value)
{
    if (value > static_cast<long>(INT_MAX))
        return INT_MAX;
    if (value < static_cast<long>(INT_MIN))
        return INT_MIN;
    return value;
}

long readLong(const wchar_t* text, int base)
{
    errno = 0;
    return clampToInt32(wcstol_l(text, nullptr, base, cLocale()));
}

template <class Number> std::wstring formatNumber(Number value)
{
    std::wostringstream out;
    out.imbue(std::locale::classic());
    out << value;
    return out.str();
}

} // namespace

// ---------------------------------------------------------------- XMLText

void XMLText::materialise() const
{
    const Range range = m_range;
    ::new (static_cast<void*>(&m_string)) std::wstring();
    m_isRange = false;
    m_string.resize(range.count);
    m_string.resize(copyRange(range, m_string.data()));
    // The item now holds memory of its own: its arena can no longer be dropped unvisited.
    range.arena->changed = true;
}

void XMLText::copyTo(std::wstring& out) const
{
    if (!m_isRange) {
        out = m_string;
        return;
    }
    out.resize(m_range.count);
    out.resize(copyRange(m_range, out.data()));
}

namespace {

// Copies characters, every run of bars one bar shorter when bars is set.
template <class Char> std::size_t copyText(const Char* text, std::size_t count, bool bars, wchar_t* out)
{
    if (!bars) {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = static_cast<wchar_t>(text[i]);
        return count;
    }
    std::size_t written = 0;
    for (std::size_t i = 0; i < count;) {
        if (text[i] != L'|') {
            out[written++] = static_cast<wchar_t>(text[i++]);
            continue;
        }
        std::size_t run = i;
        while (run < count && text[run] == L'|')
            ++run;
        for (std::size_t k = i + 1; k < run; ++k)
            out[written++] = L'|';
        i = run;
    }
    return written;
}

} // namespace

std::size_t XMLText::copyRange(const Range& range, wchar_t* out)
{
    if (range.wide)
        return copyText(static_cast<const wchar_t*>(range.text), range.count, range.bars, out);
    return copyText(static_cast<const unsigned char*>(range.text), range.count, range.bars, out);
}

// ---------------------------------------------------------------- XMLProperty

void XMLProperty::operator delete(XMLProperty* item, std::destroying_delete_t)
{
    const bool inArena = item->m_value.inArena;
    item->~XMLProperty();
    if (!inArena)
        ::operator delete(item);
}

bool XMLProperty::parseToken(const std::vector<XMLToken>& tokens, std::size_t index)
{
    if (index >= tokens.size() || tokens[index].kind != XMLToken::PROPERTY)
        return false;
    m_value.string() = tokens[index].text;
    return true;
}

void XMLProperty::appendText(std::wstring& out) const
{
    out += L"\"|";
    out += m_value.string();
    out += L"|\"";
}

bool XMLProperty::print(std::wostream& out) const
{
    std::wstring text;
    appendText(text);
    out << text;
    return true;
}

bool XMLProperty::writeUTF16(std::string& out) const
{
    std::wstring text;
    appendText(text);
    appendUtf16LE(out, text);
    return true;
}

std::wstring XMLProperty::toText() const
{
    std::wstring text;
    appendText(text);
    return text;
}

void XMLProperty::setValue(int value)
{
    m_value.string() = formatNumber(value);
}

void XMLProperty::setValue(unsigned int value)
{
    m_value.string() = formatNumber(value);
}

void XMLProperty::setValue(bool value)
{
    m_value.string() = value ? L"1" : L"0";
}

void XMLProperty::setValue(double value)
{
    m_value.string() = formatNumber(value);
}

void XMLProperty::setValue(float value)
{
    m_value.string() = formatNumber(static_cast<double>(value));
}

void XMLProperty::setHex(int value)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    uint32_t bits = static_cast<uint32_t>(value);
    wchar_t buffer[8];
    int count = 0;
    do {
        buffer[count++] = digits[bits & 0xF];
        bits >>= 4;
    } while (bits != 0);
    std::wstring& text = m_value.string();
    text.clear();
    while (count > 0)
        text += buffer[--count];
}

int XMLProperty::getInt() const
{
    return m_value.withText([](const wchar_t* text) { return static_cast<int>(readLong(text, 10)); });
}

long XMLProperty::getHex() const
{
    return m_value.withText(parseHex);
}

long XMLProperty::parseHex(const wchar_t* text)
{
    // Read as the 32-bit unsigned conversion does, so colours such as
    // FF336699 keep their bits: the result lies in 0..FFFFFFFF.
    while (*text && iswspace_l(static_cast<wint_t>(*text), cLocale()))
        ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-') {
        negative = *text == L'-';
        ++text;
        // The sign must be followed by the number itself.
        if (*text == L'+' || *text == L'-' || iswspace_l(static_cast<wint_t>(*text), cLocale()))
            return 0;
    }
    errno = 0;
    wchar_t* end = nullptr;
    unsigned long long magnitude = wcstoull_l(text, &end, 16, cLocale());
    if (end == text)
        return 0;
    if (errno == ERANGE || magnitude > 0xFFFFFFFFull)
        return 0xFFFFFFFFL;
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    return static_cast<long>(bits);
}

long XMLProperty::getLong(int base) const
{
    return m_value.withText([base](const wchar_t* text) { return readLong(text, base); });
}

bool XMLProperty::getBool() const
{
    return getInt() != 0;
}

double XMLProperty::getDouble() const
{
    return m_value.withText([](const wchar_t* text) { return wcstod_l(text, nullptr, cLocale()); });
}

float XMLProperty::getFloat() const
{
    return static_cast<float>(getDouble());
}

XMLValueList XMLProperty::getList(wchar_t separator)
{
    return XMLValueList(*this, separator);
}

// ---------------------------------------------------------------- XMLAttribute

bool XMLAttribute::parseToken(const std::vector<XMLToken>& tokens, std::size_t index)
{
    if (index >= tokens.size() || tokens[index].kind != XMLToken::ATTRIBUTE)
        return false;
    const std::wstring& text = tokens[index].text;
    const std::size_t equals = text.find(L'=');
    std::wstring name = text.substr(0, equals);
    const std::size_t first = name.find_first_not_of(L' ');
    if (first == std::wstring::npos) {
        name.clear();
    } else {
        name.erase(name.find_last_not_of(L' ') + 1);
        name.erase(0, first);
    }
    setName(name);
    std::wstring& value = m_value.string();
    if (equals == std::wstring::npos) {
        value.clear();
        return true;
    }
    value = text.substr(equals + 1);
    if (!value.empty() && value.front() == L'"')
        value.erase(0, 1);
    if (!value.empty() && value.back() == L'"')
        value.pop_back();
    return true;
}

void XMLAttribute::setName(const std::wstring& name)
{
    // An item of a document that gets a name of its own must be visited when it goes.
    if (m_value.inArena && m_value.isRange())
        m_value.string();
    if (m_value.ownsName) {
        *const_cast<std::wstring*>(m_name) = name;
        return;
    }
    m_name = new std::wstring(name);
    m_value.ownsName = true;
}

void XMLAttribute::appendText(std::wstring& out) const
{
    out += *m_name;
    out += L"=\"";
    out += m_value.string();
    out += L'"';
}

bool XMLAttribute::print(std::wostream& out) const
{
    return XMLProperty::print(out);
}

bool XMLAttribute::writeUTF16(std::string& out) const
{
    return XMLProperty::writeUTF16(out);
}

std::wstring XMLAttribute::toText() const
{
    return XMLProperty::toText();
}

// ---------------------------------------------------------------- XMLValueList

XMLValueList::XMLValueList(XMLProperty& property, wchar_t separator)
    : m_separator(separator), m_target(&property.getValue())
{
    for (std::wstring& piece : split(*m_target, separator))
        m_items.push_back(new XMLProperty(std::move(piece)));
}

std::vector<std::wstring> XMLValueList::split(const std::wstring& value, wchar_t separator)
{
    std::vector<std::wstring> pieces;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(separator, start);
        if (end == std::wstring::npos)
            end = value.size();
        if (end > start)
            pieces.push_back(value.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

XMLValueList::XMLValueList(XMLValueList&& other) noexcept
    : m_items(std::move(other.m_items)), m_separator(other.m_separator), m_target(other.m_target)
{
    other.m_items.clear();
    other.m_target = nullptr;
}

XMLValueList::~XMLValueList()
{
    if (m_target)
        join();
    for (XMLProperty* item : m_items)
        delete item;
}

XMLProperty* XMLValueList::at(unsigned index) const
{
    return index < m_items.size() ? m_items[index] : nullptr;
}

void XMLValueList::set(XMLProperty* item, int index)
{
    if (!item)
        return;
    const unsigned position = static_cast<unsigned>(index);
    if (position < m_items.size())
        m_items.insert(m_items.begin() + position, item);
    else
        m_items.push_back(item);
}

std::wstring& XMLValueList::join()
{
    if (!m_target) {
        // A list that was moved away from has nothing to write to.
        static thread_local std::wstring nothing;
        nothing.clear();
        return nothing;
    }
    std::wstring joined;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (i > 0)
            joined += m_separator;
        joined += m_items[i]->getValue();
    }
    *m_target = std::move(joined);
    return *m_target;
}

// ---------------------------------------------------------------- XMLNode

const std::wstring& XMLNode::emptyName()
{
    static const std::wstring empty;
    return empty;
}

void XMLNode::operator delete(XMLNode* node, std::destroying_delete_t)
{
    const bool inArena = node->m_home != nullptr;
    node->~XMLNode();
    if (!inArena)
        ::operator delete(node);
}

void XMLNode::changed()
{
    if (m_home)
        m_home->changed = true;
}

bool XMLNode::droppable() const
{
    return m_home && !m_home->changed;
}

void XMLNode::setName(const std::wstring& name)
{
    changed();
    if (m_ownsName) {
        *const_cast<std::wstring*>(m_name) = name;
        return;
    }
    m_name = new std::wstring(name);
    m_ownsName = true;
}

XMLNode::XMLNode(const XMLNode& other)
{
    copyFrom(other);
}

XMLNode& XMLNode::operator=(const XMLNode& other)
{
    changed();
    // Copy first: other may be this node or lie inside its subtree.
    XMLNode copy(other);
    clear();
    std::swap(m_name, copy.m_name);
    std::swap(m_ownsName, copy.m_ownsName);
    m_attributes.swap(copy.m_attributes);
    m_properties.swap(copy.m_properties);
    m_nodes.swap(copy.m_nodes);
    return *this;
}

XMLNode::~XMLNode()
{
    deleteItems();
    if (m_ownsName)
        delete m_name;
}

void XMLNode::destroyNodes(std::vector<XMLNode*>& nodes)
{
    std::vector<XMLNode*> pending;
    pending.swap(nodes);
    while (!pending.empty()) {
        XMLNode* node = pending.back();
        pending.pop_back();
        // A node of an unchanged document holds only its document's items,
        // none with memory of its own: the arena goes with all of them.
        if (node->droppable())
            continue;
        pending.insert(pending.end(), node->m_nodes.begin(), node->m_nodes.end());
        node->m_nodes.clear();
        delete node;
    }
}

void XMLNode::deleteItems()
{
    // Children listed in a document's arena are that document's, read into
    // this node: while it is unchanged they go with its arena, unvisited.
    if (!m_nodes.empty() && !(m_nodes.inArena() && m_nodes[0]->droppable())) {
        std::vector<XMLNode*> nodes(m_nodes.begin(), m_nodes.end());
        m_nodes.clear();
        destroyNodes(nodes);
    }
    m_nodes.clear();
    if (!droppable()) {
        for (XMLProperty* property : m_properties) {
            if (!property->droppable())
                delete property;
        }
        for (XMLAttribute* attribute : m_attributes) {
            if (!attribute->droppable())
                delete attribute;
        }
    }
    m_properties.clear();
    m_attributes.clear();
    // Everything that lay in the arenas is gone now.
    while (m_arenas) {
        XMLArena* next = m_arenas->next;
        delete m_arenas;
        m_arenas = next;
    }
}

void XMLNode::copyFrom(const XMLNode& other)
{
    std::vector<std::pair<const XMLNode*, XMLNode*>> pending{{&other, this}};
    while (!pending.empty()) {
        auto [source, target] = pending.back();
        pending.pop_back();
        target->setName(*source->m_name);
        for (const XMLAttribute* attribute : source->m_attributes)
            target->m_attributes.push_back(new XMLAttribute(*attribute));
        for (const XMLProperty* property : source->m_properties)
            target->m_properties.push_back(property->clone());
        for (const XMLNode* child : source->m_nodes) {
            XMLNode* copy = new XMLNode();
            target->m_nodes.push_back(copy);
            pending.emplace_back(child, copy);
        }
    }
}

void XMLNode::clear()
{
    changed();
    deleteItems();
    if (m_ownsName)
        delete m_name;
    m_name = &emptyName();
    m_ownsName = false;
}

void XMLNode::addNode(XMLNode* node)
{
    if (!node)
        return;
    changed();
    m_nodes.push_back(node);
}

void XMLNode::addProperty(XMLProperty* property)
{
    if (!property)
        return;
    changed();
    m_properties.push_back(property);
}

void XMLNode::addAttribute(XMLAttribute* attribute)
{
    if (!attribute)
        return;
    changed();
    m_attributes.push_back(attribute);
}

namespace {

template <class T> bool removeAll(XMLItems<T>& list, T* item)
{
    bool removed = false;
    for (std::size_t i = list.size(); i > 0; --i) {
        if (list[i - 1] == item) {
            list.erase(i - 1);
            removed = true;
        }
    }
    return removed && item != nullptr;
}

} // namespace

bool XMLNode::removeNode(XMLNode* node)
{
    changed();
    if (!removeAll(m_nodes, node))
        return false;
    std::vector<XMLNode*> doomed{node};
    destroyNodes(doomed);
    return true;
}

bool XMLNode::removeAttribute(XMLAttribute* attribute)
{
    changed();
    if (!removeAll(m_attributes, attribute))
        return false;
    delete attribute;
    return true;
}

XMLNode* XMLNode::getNode(const std::wstring& name, int index) const
{
    const std::size_t wanted = index > 0 ? static_cast<std::size_t>(index) : 0;
    if (name.empty())
        return wanted < m_nodes.size() ? m_nodes[wanted] : nullptr;
    std::size_t seen = 0;
    for (XMLNode* node : m_nodes) {
        if (*node->m_name == name) {
            if (seen == wanted)
                return node;
            ++seen;
        }
    }
    return nullptr;
}

unsigned XMLNode::getNodeCount(const std::wstring& name) const
{
    if (name.empty())
        return static_cast<unsigned>(m_nodes.size());
    unsigned count = 0;
    for (const XMLNode* node : m_nodes) {
        if (*node->m_name == name)
            ++count;
    }
    return count;
}

XMLAttribute* XMLNode::getAttribute(const std::wstring& name) const
{
    for (XMLAttribute* attribute : m_attributes) {
        if (attribute->getName() == name)
            return attribute;
    }
    return nullptr;
}

XMLProperty* XMLNode::getProperty(unsigned index) const
{
    return index < m_properties.size() ? m_properties[index] : nullptr;
}

} // namespace Ulvo
