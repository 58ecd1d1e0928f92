#pragma once
// The engine's XML-like document: nodes with attributes (named values),
// properties (unnamed values written as "|value|") and child nodes.
#include <windef.h>

#include "foundation/xml/XMLStorage.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

struct D3DXCOLOR;
struct D3DXVECTOR2;
struct D3DXVECTOR3;
struct D3DXVECTOR4;

namespace Ulvo {

struct XMLToken {
    enum Kind { TAG = 0, PROPERTY = 1, ATTRIBUTE = 2, EMPTY_TAG = 5 };
    std::wstring text;
    int kind = TAG;
};

class XMLArena;
class XMLValueList;

class XMLProperty {
public:
    XMLProperty() = default;
    explicit XMLProperty(const std::wstring& value) : m_value(value) {}
    explicit XMLProperty(const wchar_t* value) : m_value(value) {}
    explicit XMLProperty(int value) { setValue(value); }
    explicit XMLProperty(bool value) { setValue(value); }
    explicit XMLProperty(double value) { setValue(value); }
    explicit XMLProperty(float value) { setValue(value); }
    explicit XMLProperty(unsigned int value) { setValue(value); }
    // A copy is an ordinary heap item with its own string.
    XMLProperty(const XMLProperty& other) : m_value(other.m_value) {}
    XMLProperty& operator=(const XMLProperty& other)
    {
        m_value = other.m_value;
        return *this;
    }
    virtual ~XMLProperty() = default;

    // Items of a document read from text live in its arena and give no memory
    // back one by one; the others are heap objects.
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* memory) { ::operator delete(memory); }
    static void operator delete(XMLProperty* item, std::destroying_delete_t);

    // Takes a property token; false when the token is of another kind.
    virtual bool parseToken(const std::vector<XMLToken>& tokens, std::size_t index);
    // Writes the value as it appears in a document.
    virtual bool print(std::wostream& out) const;
    virtual bool writeUTF16(std::string& out) const;
    virtual std::wstring toText() const;
    // Appends the document text of the item (what print writes) to out.
    virtual void appendText(std::wstring& out) const;
    virtual XMLProperty* clone() const { return new XMLProperty(*this); }

    std::wstring& getValue() { return m_value.string(); }
    const std::wstring& getValue() const { return m_value.string(); }
    std::wstring getValueCopy() const { return m_value.string(); }

    void setValue(const std::wstring& value) { m_value.string() = value; }
    void setValue(const wchar_t* value) { m_value.string() = value; }
    void setValue(int value);
    void setValue(unsigned int value);
    void setValue(bool value);
    void setValue(double value);
    void setValue(float value);
    void setHex(int value);

    int getInt() const;
    long getHex() const;
    long getLong(int base = 10) const;
    bool getBool() const;
    // The switches of data and configuration files: true when getInt is above 0,
    // so that unlike getBool -1 reads as off.
    bool getFlag() const { return getInt() > 0; }
    double getDouble() const;
    float getFloat() const;

    XMLValueList getList(wchar_t separator);

protected:
    // The reader fills values in place.
    friend class XMLNode;

    static long parseHex(const wchar_t* text);

    // An item of a document in its arena, its value a range of the document's text.
    XMLProperty(const void* text, uint32_t count, bool wide, bool bars, XMLArena* arena)
        : m_value(text, count, wide, bars, arena)
    {
    }

    // Nothing to free but arena memory: the item can be dropped unvisited.
    bool droppable() const { return m_value.inArena && !m_value.ownsName && m_value.isRange(); }

    // The value, and in it whether the item lies in an arena and whether an
    // attribute's name is its own string rather than its document's.
    mutable XMLText m_value;
};

class XMLAttribute : public XMLProperty {
public:
    explicit XMLAttribute(const std::wstring& name) { setName(name); }
    XMLAttribute(const std::wstring& name, const std::wstring& value) : XMLProperty(value) { setName(name); }
    XMLAttribute(const std::wstring& name, const wchar_t* value) : XMLProperty(value) { setName(name); }
    XMLAttribute(const std::wstring& name, int value) : XMLProperty(value) { setName(name); }
    XMLAttribute(const std::wstring& name, bool value) : XMLProperty(value) { setName(name); }
    XMLAttribute(const std::wstring& name, double value) : XMLProperty(value) { setName(name); }
    XMLAttribute(const std::wstring& name, unsigned int value) : XMLProperty(value) { setName(name); }
    XMLAttribute(const std::wstring& name, float value) : XMLProperty(value) { setName(name); }
    XMLAttribute(const XMLAttribute& other) : XMLProperty(other) { setName(*other.m_name); }
    XMLAttribute& operator=(const XMLAttribute& other)
    {
        XMLProperty::operator=(other);
        setName(*other.m_name);
        return *this;
    }
    ~XMLAttribute() override
    {
        if (m_value.ownsName)
            delete m_name;
    }

    bool parseToken(const std::vector<XMLToken>& tokens, std::size_t index) override;
    bool print(std::wostream& out) const override;
    bool writeUTF16(std::string& out) const override;
    std::wstring toText() const override;
    void appendText(std::wstring& out) const override;
    XMLProperty* clone() const override { return new XMLAttribute(*this); }

    const std::wstring& getName() const { return *m_name; }
    void setName(const std::wstring& name);

private:
    friend class XMLNode;

    // The reader's attributes share their document's copy of the name.
    explicit XMLAttribute(const std::wstring* name) : m_name(name) {}
    XMLAttribute(const std::wstring* name, const void* text, uint32_t count, bool wide, XMLArena* arena)
        : XMLProperty(text, count, wide, false, arena), m_name(name)
    {
    }

    const std::wstring* m_name = nullptr;
};

// Several values in one property, split at a separator; writes the normalised
// list back into the property when it ends.
class XMLValueList {
public:
    XMLValueList(XMLProperty& property, wchar_t separator);
    ~XMLValueList();
    XMLValueList(XMLValueList&& other) noexcept;
    XMLValueList(const XMLValueList&) = delete;
    XMLValueList& operator=(const XMLValueList&) = delete;
    XMLValueList& operator=(XMLValueList&&) = delete;

    unsigned size() const { return static_cast<unsigned>(m_items.size()); }
    XMLProperty* at(unsigned index) const;
    void set(XMLProperty* item, int index);
    std::wstring& join();

    // The pieces a list over value would hold, without touching any property.
    static std::vector<std::wstring> split(const std::wstring& value, wchar_t separator);

private:
    std::vector<XMLProperty*> m_items;
    wchar_t m_separator;
    std::wstring* m_target;
};

class XMLNode {
public:
    XMLNode() = default;
    explicit XMLNode(const std::wstring& name) { setName(name); }
    explicit XMLNode(const wchar_t* name) { setName(name); }
    XMLNode(const XMLNode& other);
    XMLNode& operator=(const XMLNode& other);
    ~XMLNode();

    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* memory) { ::operator delete(memory); }
    static void operator delete(XMLNode* node, std::destroying_delete_t);

    void clear();

    const std::wstring& getName() const { return *m_name; }
    void setName(const std::wstring& name);

    void addNode(XMLNode* node);
    void addProperty(XMLProperty* property);
    void addAttribute(XMLAttribute* attribute);
    bool removeNode(XMLNode* node);
    bool removeAttribute(XMLAttribute* attribute);

    XMLNode* getNode(const std::wstring& name, int index = 0) const;
    unsigned getNodeCount(const std::wstring& name = std::wstring()) const;
    XMLAttribute* getAttribute(const std::wstring& name) const;
    XMLProperty* getProperty(unsigned index) const;
    unsigned getPropertyCount() const { return static_cast<unsigned>(m_properties.size()); }

    // Typed reads of the attribute name, converted by the XMLProperty getter of
    // that type. Each returns false and leaves value as it was when the node has
    // no such attribute, so that a field keeps its value unless the file names it.
    bool readString(const std::wstring& name, std::wstring& value) const;
    // getInt into any integer type; unsigned fields take its bits.
    template <class Integer> bool readInt(const std::wstring& name, Integer& value) const;
    bool readFloat(const std::wstring& name, float& value) const;
    bool readDouble(const std::wstring& name, double& value) const;
    bool readBool(const std::wstring& name, bool& value) const; // getBool: not 0
    bool readFlag(const std::wstring& name, bool& value) const; // getFlag: above 0
    bool readHex(const std::wstring& name, uint32_t& value) const;
    // A hexadecimal colour AARRGGBB, each byte divided by 255.
    bool readColour(const std::wstring& name, D3DXCOLOR& value) const;
    // The attribute's text, or fallback when the node has no such attribute.
    std::wstring getAttributeValue(const std::wstring& name, const std::wstring& fallback = std::wstring()) const;

    // Lists: the attribute holds items separated by blanks (empty items are
    // skipped). The first items are converted into values, one each; elements
    // of values without an item keep theirs. The result is the number of items
    // in the list, 0 without the attribute.
    unsigned readInts(const std::wstring& name, std::span<int> values) const;
    unsigned readFloats(const std::wstring& name, std::span<float> values) const;
    // Pairs: the first two items; a single item sets both.
    unsigned readPair(const std::wstring& name, int& first, int& second) const;
    unsigned readPair(const std::wstring& name, float& first, float& second) const;
    // The items as they stand, in words; false (words unchanged) without the
    // attribute.
    bool readWords(const std::wstring& name, std::vector<std::wstring>& words) const;
    // Vectors: the first two, three or four floats of such a list.
    unsigned readVector(const std::wstring& name, D3DXVECTOR2& value) const;
    unsigned readVector(const std::wstring& name, D3DXVECTOR3& value) const;
    unsigned readVector(const std::wstring& name, D3DXVECTOR4& value) const;
    // Points: the first child node called name, with the float attributes X, Y
    // (Z, W); a component without its attribute keeps its value. False without
    // the child.
    bool readPoint(const std::wstring& name, D3DXVECTOR2& value) const;
    bool readPoint(const std::wstring& name, D3DXVECTOR3& value) const;
    bool readPoint(const std::wstring& name, D3DXVECTOR4& value) const;
    // A rectangle of integers: L and T, then R or else W (the width from L), and
    // B or else H (the height from T); edges the node does not name keep theirs.
    void readRect(RECT& rect) const;
    // Free values: the first free value of the first child node called name
    // (<NAME>"|value|"</NAME>), or null.
    XMLProperty* getFreeValue(const std::wstring& name) const;

    std::span<XMLNode* const> getNodes() const { return m_nodes.span(); }
    std::span<XMLAttribute* const> getAttributes() const { return m_attributes.span(); }
    std::span<XMLProperty* const> getProperties() const { return m_properties.span(); }

    // Reading: mode 0 = file name through the "DEFAULT" search order,
    // 1 = the document text itself, 2 = a registered open file.
    static bool load(XMLNode* node, const std::wstring& source, int mode);
    // Reads a document from a file's text as stored: UTF-16LE code units after
    // the byte-order mark (unicode), or one character per byte.
    static bool loadBytes(XMLNode* node, const unsigned char* bytes, std::size_t size, bool unicode);
    // The same, taking the bytes over; the text starts skip bytes in.
    static bool loadText(XMLNode* node, std::vector<unsigned char>&& bytes, bool unicode, std::size_t skip = 0);
    // The reader refuses documents nested deeper than this (the root is level 1):
    // nothing the game reads comes near, and every level costs log and
    // indentation in proportion to its depth.
    static constexpr std::size_t MAX_DEPTH = 256;
    // Builds this node from the token at index on; leaves index at its last token.
    bool load(const std::vector<XMLToken>& tokens, std::size_t& index);

    // Writing: always UTF-16LE with a byte-order mark while the Unicode switch is on.
    static bool save(XMLNode* node, const std::wstring& fileName, bool unicode);
    // UTF-16LE code units of the subtree, appended to out.
    bool write(std::string& out, int depth) const;
    // The same layout as wide text.
    bool write(std::wostream& out, int depth) const;

    // The whole document as the writer lays it out (no byte-order mark).
    std::wstring toText() const;

    // Splits document text into tokens after removing comments.
    static std::vector<XMLToken> tokenize(const std::wstring& text);
    // The text with every comment cut out, as the reader sees it.
    static std::wstring removeComments(const std::wstring& text);

    // The format has no escapes, so some names and values cannot be written
    // unchanged. The writer changes them alone (save logs each change) and
    // writes the rest as it stands; this tells whether a tree is written
    // exactly as it is, and describes the first offender in problem.
    bool isWritable(std::wstring* problem = nullptr) const;
    // A property value reads back unless a double quote follows a bar (the
    // reader ends the value there).
    static bool isWritablePropertyValue(const std::wstring& value);
    // An attribute value survives name="value": no double quote, no '>' and
    // no "<!--".
    static bool isWritableAttributeValue(const std::wstring& value);

private:
    class Builder;
    // A node of a document being read, in the arena home, named by its document.
    XMLNode(const std::wstring* name, XMLArena* home) : m_name(name), m_home(home) {}
    // Mode 1 on text of either width that arena keeps.
    template <class Char> static bool parse(XMLNode* node, std::unique_ptr<XMLArena> arena, Char* begin, Char* end);
    // Appends the layout of the subtree, starting at depth, to out: the form
    // that reads back, with each item that had to change described in changes.
    void layout(std::wstring& out, int depth, std::vector<std::wstring>* changes) const;
    // Deletes the nodes and their subtrees without recursion, so that
    // arbitrarily deep trees cannot exhaust the stack.
    static void destroyNodes(std::vector<XMLNode*>& nodes);
    // Deletes the items of the node's three lists, then the arenas it owns.
    void deleteItems();
    // Notes a change of a node of a document in its arena.
    void changed();
    // A node of a document that has not changed since it was read.
    bool droppable() const;
    void copyFrom(const XMLNode& other);
    // readPoint of as many of X, Y, Z, W as components has.
    bool readPoint(const std::wstring& name, std::span<float> components) const;

    // The name: the node's own string, its document's copy, or the shared empty one.
    const std::wstring* m_name = &emptyName();
    XMLItems<XMLAttribute> m_attributes;
    XMLItems<XMLProperty> m_properties;
    XMLItems<XMLNode> m_nodes;
    // Documents read into this node; their items lie in these arenas.
    XMLArena* m_arenas = nullptr;
    // The arena the node lies in, when it was read from text.
    XMLArena* m_home = nullptr;
    bool m_ownsName = false;

    static const std::wstring& emptyName();
};

template <class Integer> bool XMLNode::readInt(const std::wstring& name, Integer& value) const
{
    static_assert(std::is_integral_v<Integer> && !std::is_same_v<Integer, bool>,
                  "switches are read with readFlag or readBool");
    const XMLAttribute* attribute = getAttribute(name);
    if (!attribute)
        return false;
    value = static_cast<Integer>(attribute->getInt());
    return true;
}

// The writer's global Unicode switch; on for the whole run.
bool& xmlUnicodeSwitch();

} // namespace Ulvo
