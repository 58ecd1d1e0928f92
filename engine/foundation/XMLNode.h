#pragma once
// The engine's XML-like document: nodes with attributes (named values),
// properties (unnamed values written as "|value|") and child nodes.
#include <iosfwd>
#include <string>
#include <vector>

namespace Ulvo {

struct XMLToken {
    enum Kind { TAG = 0, PROPERTY = 1, ATTRIBUTE = 2, EMPTY_TAG = 5 };
    std::wstring text;
    int kind = TAG;
};

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
    XMLProperty(const XMLProperty&) = default;
    XMLProperty& operator=(const XMLProperty&) = default;
    virtual ~XMLProperty() = default;

    // Takes a property token; false when the token is of another kind.
    virtual bool parseToken(const std::vector<XMLToken>& tokens, std::size_t index);
    // Writes the value as it appears in a document.
    virtual bool print(std::wostream& out) const;
    virtual bool writeUTF16(std::string& out) const;
    virtual std::wstring toText() const;
    // Appends the document text of the item (what print writes) to out.
    virtual void appendText(std::wstring& out) const;
    virtual XMLProperty* clone() const { return new XMLProperty(*this); }

    std::wstring& getValue() { return m_value; }
    const std::wstring& getValue() const { return m_value; }
    std::wstring getValueCopy() const { return m_value; }

    void setValue(const std::wstring& value) { m_value = value; }
    void setValue(const wchar_t* value) { m_value = value; }
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
    double getDouble() const;
    float getFloat() const;

    XMLValueList getList(wchar_t separator);

protected:
    std::wstring m_value;
};

class XMLAttribute : public XMLProperty {
public:
    explicit XMLAttribute(const std::wstring& name) : m_name(name) {}
    XMLAttribute(const std::wstring& name, const std::wstring& value) : XMLProperty(value), m_name(name) {}
    XMLAttribute(const std::wstring& name, const wchar_t* value) : XMLProperty(value), m_name(name) {}
    XMLAttribute(const std::wstring& name, int value) : XMLProperty(value), m_name(name) {}
    XMLAttribute(const std::wstring& name, bool value) : XMLProperty(value), m_name(name) {}
    XMLAttribute(const std::wstring& name, double value) : XMLProperty(value), m_name(name) {}
    XMLAttribute(const std::wstring& name, unsigned int value) : XMLProperty(value), m_name(name) {}
    XMLAttribute(const std::wstring& name, float value) : XMLProperty(value), m_name(name) {}
    XMLAttribute(const XMLAttribute&) = default;
    XMLAttribute& operator=(const XMLAttribute&) = default;
    ~XMLAttribute() override = default;

    bool parseToken(const std::vector<XMLToken>& tokens, std::size_t index) override;
    bool print(std::wostream& out) const override;
    bool writeUTF16(std::string& out) const override;
    std::wstring toText() const override;
    void appendText(std::wstring& out) const override;
    XMLProperty* clone() const override { return new XMLAttribute(*this); }

    const std::wstring& getName() const { return m_name; }
    void setName(const std::wstring& name) { m_name = name; }

private:
    std::wstring m_name;
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

private:
    std::vector<XMLProperty*> m_items;
    wchar_t m_separator;
    std::wstring* m_target;
};

class XMLNode {
public:
    XMLNode() = default;
    explicit XMLNode(const std::wstring& name) : m_name(name) {}
    explicit XMLNode(const wchar_t* name) : m_name(name) {}
    XMLNode(const XMLNode& other);
    XMLNode& operator=(const XMLNode& other);
    ~XMLNode();

    void clear();

    const std::wstring& getName() const { return m_name; }
    void setName(const std::wstring& name) { m_name = name; }

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

    const std::vector<XMLNode*>& getNodes() const { return m_nodes; }
    const std::vector<XMLAttribute*>& getAttributes() const { return m_attributes; }
    const std::vector<XMLProperty*>& getProperties() const { return m_properties; }

    // Reading: mode 0 = file name through the "DEFAULT" search order,
    // 1 = the document text itself, 2 = a registered open file.
    static bool load(XMLNode* node, const std::wstring& source, int mode);
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
    // so that they read back unchanged. save refuses such a tree; this tells
    // whether it would, and describes the first offender in problem.
    bool isWritable(std::wstring* problem = nullptr) const;
    // A property value survives "|value|": no "<!--" and no bar followed by
    // anything but bars (the reader drops such a bar or ends the value on it).
    static bool isWritablePropertyValue(const std::wstring& value);
    // An attribute value survives name="value": no double quote, no '>' and
    // no "<!--".
    static bool isWritableAttributeValue(const std::wstring& value);

private:
    // Appends the layout of the subtree, starting at depth, to out.
    void layout(std::wstring& out, int depth) const;
    // Deletes the nodes and their subtrees without recursion, so that
    // arbitrarily deep trees cannot exhaust the stack.
    static void destroyNodes(std::vector<XMLNode*>& nodes);
    void copyFrom(const XMLNode& other);

    std::wstring m_name;
    std::vector<XMLAttribute*> m_attributes;
    std::vector<XMLProperty*> m_properties;
    std::vector<XMLNode*> m_nodes;
};

// The writer's global Unicode switch; on for the whole run.
bool& xmlUnicodeSwitch();

} // namespace Ulvo
