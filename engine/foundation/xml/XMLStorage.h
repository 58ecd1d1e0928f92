#pragma once
// Storage of the document tree. A document read from a file lives in an arena
// of its own (XMLArena): its nodes, values and lists are carved from a few
// large blocks, and a value stays a range of the document's text until someone
// asks for it as a string. Trees built in code hold ordinary heap objects. The
// accessors of the tree do not tell the two apart.
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <utility>

namespace Ulvo {

class XMLArena;

// A value: a wide string, or the range of document text it was read from.
// The range is turned into the string, in place, when the string is wanted.
class XMLText {
public:
    XMLText() { ::new (static_cast<void*>(&m_string)) std::wstring(); }
    explicit XMLText(const std::wstring& value) { ::new (static_cast<void*>(&m_string)) std::wstring(value); }
    explicit XMLText(const wchar_t* value) { ::new (static_cast<void*>(&m_string)) std::wstring(value); }
    // A range of an arena's text (see setRange), for an item in that arena.
    XMLText(const void* text, uint32_t count, bool wide, bool bars, XMLArena* arena)
        : m_range{text, arena, count, wide, bars}, m_isRange(true), inArena(true)
    {
    }
    // Copies take the value only; the owner's flags stay with the owner. A
    // range is copied as text and stays a range in its own item.
    XMLText(const XMLText& other)
    {
        ::new (static_cast<void*>(&m_string)) std::wstring();
        other.copyTo(m_string);
    }
    XMLText& operator=(const XMLText& other)
    {
        if (this != &other) {
            std::wstring value;
            other.copyTo(value);
            string() = std::move(value);
        }
        return *this;
    }
    ~XMLText()
    {
        if (!m_isRange)
            m_string.~basic_string();
    }

    bool isRange() const { return m_isRange; }
    // The value's characters into out, without making the string.
    void copyTo(std::wstring& out) const;

    std::wstring& string() const
    {
        if (m_isRange)
            materialise();
        return m_string;
    }

    // Stands for count characters of arena's text: bytes (one character each)
    // or wide characters; with bars, each run of bars in the text stands for
    // one bar fewer. Making the string marks the arena as changed.
    void setRange(const void* text, uint32_t count, bool wide, bool bars, XMLArena* arena)
    {
        if (!m_isRange)
            m_string.~basic_string();
        m_range = Range{text, arena, count, wide, bars};
        m_isRange = true;
    }

    // Calls read with the value as a terminated wide text, without making the
    // string when the value is a short range.
    template <class Read> auto withText(Read read) const
    {
        if (m_isRange && m_range.count < kShort) {
            wchar_t buffer[kShort + 1];
            const std::size_t length = copyRange(m_range, buffer);
            buffer[length] = L'\0';
            return read(static_cast<const wchar_t*>(buffer));
        }
        return read(string().c_str());
    }

private:
    static constexpr uint32_t kShort = 63;

    struct Range {
        const void* text;
        XMLArena* arena;
        uint32_t count;
        bool wide;
        bool bars;
    };

    void materialise() const;
    // Writes the characters of the range to out; returns how many.
    static std::size_t copyRange(const Range& range, wchar_t* out);

    union {
        mutable std::wstring m_string;
        Range m_range;
    };
    mutable bool m_isRange = false;

public:
    // Room the owning item keeps two flags of its own in.
    bool inArena = false;
    bool ownsName = false;
};

// An ordered list of owned item pointers. Lists the reader built sit in the
// arena, sized once; changing one moves it to the heap.
template <class T> class XMLItems {
public:
    XMLItems() = default;
    XMLItems(const XMLItems&) = delete;
    XMLItems& operator=(const XMLItems&) = delete;
    ~XMLItems() { release(); }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T* operator[](std::size_t i) const { return m_data[i]; }
    T* const* begin() const { return m_data; }
    T* const* end() const { return m_data + m_size; }
    std::span<T* const> span() const { return std::span<T* const>(m_data, m_size); }
    // The list lies where the reader put it, in its document's arena.
    bool inArena() const { return m_data && m_capacity == 0; }

    void push_back(T* item)
    {
        reserve(m_size + 1);
        m_data[m_size++] = item;
    }
    void insert(std::size_t at, T* item)
    {
        reserve(m_size + 1);
        for (std::size_t i = m_size; i > at; --i)
            m_data[i] = m_data[i - 1];
        m_data[at] = item;
        ++m_size;
    }
    void erase(std::size_t at)
    {
        for (std::size_t i = at + 1; i < m_size; ++i)
            m_data[i - 1] = m_data[i];
        --m_size;
    }
    // Forgets the items (their owner deletes them) and the storage.
    void clear()
    {
        release();
        m_data = nullptr;
        m_size = 0;
        m_capacity = 0;
    }
    void swap(XMLItems& other)
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }
    // Takes count items the caller wrote into storage (arena memory) as the
    // whole of an empty list.
    void adopt(T** storage, std::size_t count)
    {
        m_data = storage;
        m_size = static_cast<uint32_t>(count);
    }
    // Appends count items; into storage the caller provides (arena memory of
    // room for them) when the list is empty, else on the heap.
    void append(T* const* items, std::size_t count, T** storage)
    {
        if (count == 0)
            return;
        if (m_size == 0 && storage) {
            release();
            m_data = storage;
            m_capacity = 0;
        } else {
            reserve(m_size + count);
        }
        for (std::size_t i = 0; i < count; ++i)
            m_data[m_size + i] = items[i];
        m_size += static_cast<uint32_t>(count);
    }

private:
    void reserve(std::size_t wanted)
    {
        if (wanted <= m_capacity)
            return;
        std::size_t capacity = m_capacity ? m_capacity * 2 : 4;
        while (capacity < wanted)
            capacity *= 2;
        T** data = static_cast<T**>(::operator new(capacity * sizeof(T*)));
        for (std::size_t i = 0; i < m_size; ++i)
            data[i] = m_data[i];
        release();
        m_data = data;
        m_capacity = static_cast<uint32_t>(capacity);
    }
    void release()
    {
        // Arena storage (no capacity) belongs to the arena.
        if (m_capacity)
            ::operator delete(m_data);
    }

    T** m_data = nullptr;
    uint32_t m_size = 0;
    uint32_t m_capacity = 0;
};

} // namespace Ulvo
