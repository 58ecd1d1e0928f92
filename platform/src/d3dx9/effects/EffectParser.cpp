// The effect file parser (see EffectParser.h).
#include "d3dx9/effects/EffectParser.h"

#include "d3dx9/effects/EffectStates.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <strings.h>

namespace D3DXEffects {

ValueBlock::~ValueBlock()
{
    for (IDirect3DBaseTexture9* t : textures) {
        if (t)
            t->Release();
    }
}

void finishDescription(Parameter& p)
{
    D3DXPARAMETER_DESC& d = p.desc;
    d.Name = p.name.c_str();
    d.Semantic = p.semantic.empty() ? nullptr : p.semantic.c_str();
    d.Class = p.cls;
    d.Type = p.type;
    d.Rows = p.rows;
    d.Columns = p.columns;
    d.Elements = p.elements;
    d.Annotations = static_cast<UINT>(p.annotations.size());
    d.StructMembers = p.cls == D3DXPC_STRUCT && p.elements == 0 ? static_cast<UINT>(p.members.size()) : 0;
    d.Flags = p.flags;
    d.Bytes = p.isNumeric() ? static_cast<UINT>(p.count * 4) : static_cast<UINT>(p.count * sizeof(void*));
    if (p.cls == D3DXPC_STRUCT && p.elements > 0 && !p.members.empty())
        d.StructMembers = static_cast<UINT>(p.members[0]->members.size());
    for (auto& m : p.members)
        finishDescription(*m);
    for (auto& a : p.annotations)
        finishDescription(*a);
}

namespace {

struct Tok {
    enum Kind { End, Identifier, Number, String, Punct } kind = End;
    std::string text;
    size_t offset = 0; // into the source text
    size_t line = 0;   // output line
    int column = 1;
};

std::vector<Tok> lex(const std::string& text)
{
    std::vector<Tok> tokens;
    size_t i = 0, line = 0, lineStart = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            ++line;
            lineStart = ++i;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (c == '#') { // #pragma lines left by the preprocessor; run() reads pack_matrix
            size_t end = text.find('\n', i);
            i = end == std::string::npos ? text.size() : end;
            continue;
        }
        Tok t;
        t.offset = i;
        t.line = line;
        t.column = static_cast<int>(i - lineStart) + 1;
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
                ++i;
            t.kind = Tok::Identifier;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            while (i < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '.' ||
                    ((text[i] == '+' || text[i] == '-') && (text[i - 1] == 'e' || text[i - 1] == 'E') &&
                     !(text[i - 2] == '0' && (text[i - 1] == 'x' || text[i - 1] == 'X')))))
                ++i;
            t.kind = Tok::Number;
        } else if (c == '"') {
            ++i;
            while (i < text.size() && text[i] != '"' && text[i] != '\n') {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                ++i;
            }
            if (i < text.size() && text[i] == '"')
                ++i;
            t.kind = Tok::String;
        } else {
            ++i;
            t.kind = Tok::Punct;
        }
        t.text = text.substr(t.offset, i - t.offset);
        tokens.push_back(std::move(t));
    }
    Tok end;
    end.offset = text.size();
    end.line = line;
    tokens.push_back(end);
    return tokens;
}

bool iequals(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

struct TypeInfo {
    D3DXPARAMETER_CLASS cls = D3DXPC_SCALAR;
    D3DXPARAMETER_TYPE type = D3DXPT_FLOAT;
    UINT rows = 1, columns = 1;
    int structIndex = -1;
    bool isVoid = false;
};

struct StructMember {
    TypeInfo type;
    std::string name;
    std::string semantic;
    UINT elements = 0;
};

struct StructDef {
    std::string name;
    std::vector<StructMember> members;
};

struct FunctionParam {
    std::string text;
    std::string name;
    bool uniform = false;
};

struct Function {
    std::string returnType;
    std::string semantic;
    std::vector<FunctionParam> params;
};

class Parser {
public:
    Parser(const PreprocessedSource& source, EffectDescription& out, Messages& messages)
        : m_source(source), m_out(out), m_messages(messages), m_text(source.text)
    {
        m_tokens = lex(m_text);
    }

    bool run();

private:
    const Tok& peek(size_t ahead = 0) const
    {
        size_t i = m_pos + ahead;
        return i < m_tokens.size() ? m_tokens[i] : m_tokens.back();
    }
    const Tok& next()
    {
        const Tok& t = peek();
        if (m_pos < m_tokens.size() - 1)
            ++m_pos;
        return t;
    }
    bool is(const char* s, size_t ahead = 0) const { return peek(ahead).text == s; }
    bool accept(const char* s)
    {
        if (is(s)) {
            next();
            return true;
        }
        return false;
    }
    bool fail(const Tok& at, const std::string& text)
    {
        if (at.kind == Tok::End)
            m_messages.error(m_source.where(at.line, at.column), 3000, "syntax error: unexpected end of file");
        else
            m_messages.error(m_source.where(at.line, at.column), 3000, text);
        return false;
    }
    bool expect(const char* s)
    {
        if (accept(s))
            return true;
        return fail(peek(), std::string("syntax error: unexpected token '") + peek().text + "', expected '" + s + "'");
    }
    void blank(size_t from, size_t to)
    {
        for (size_t i = from; i < to && i < m_blanked.size(); ++i) {
            if (m_blanked[i] != '\n')
                m_blanked[i] = ' ';
        }
    }
    // Skips balanced brackets starting at an opening one; false at the end of the text.
    bool skipBalanced(const char* open, const char* close)
    {
        int depth = 0;
        do {
            if (peek().kind == Tok::End)
                return fail(peek(), "syntax error: unexpected end of file");
            if (is(open))
                ++depth;
            else if (is(close))
                --depth;
            next();
        } while (depth > 0);
        return true;
    }

    bool checkExpressionSize();
    bool parseType(TypeInfo& type);
    bool topLevel();
    bool parseStruct(int& index);
    bool parseFunction(const std::string& name, size_t typeStart);
    bool parseAnnotations(std::vector<std::unique_ptr<Parameter>>& out);
    bool parseInitializer(std::vector<std::string>& values);
    bool parseStateBlock(std::vector<StateAssignment>& states, bool sampler);
    bool parseStateValue(StateAssignment& state);
    bool parseCompile(StateAssignment& state, bool vertex);
    bool parseTechnique();
    std::unique_ptr<Parameter> makeParameter(const TypeInfo& type, const std::string& name, UINT elements, int depth);
    void setInitialValues(Parameter& p, const std::vector<std::string>& values);
    void makeWrappers();

    const PreprocessedSource& m_source;
    EffectDescription& m_out;
    Messages& m_messages;
    const std::string& m_text;
    std::string m_blanked;
    std::vector<Tok> m_tokens;
    size_t m_pos = 0;
    bool m_packRowMajor = false;
    std::vector<StructDef> m_structs;
    std::map<std::string, Function> m_functions;
    std::map<std::string, int> m_shaderVariables; // VertexShader vs = compile ...;
};

bool Parser::parseType(TypeInfo& type)
{
    type = TypeInfo();
    const Tok& t = peek();
    if (t.kind != Tok::Identifier)
        return false;
    std::string s = t.text;
    static const std::pair<const char*, D3DXPARAMETER_TYPE> objects[] = {
        {"texture", D3DXPT_TEXTURE},         {"texture1D", D3DXPT_TEXTURE1D},     {"texture2D", D3DXPT_TEXTURE2D},
        {"texture3D", D3DXPT_TEXTURE3D},     {"textureCUBE", D3DXPT_TEXTURECUBE}, {"sampler", D3DXPT_SAMPLER},
        {"sampler1D", D3DXPT_SAMPLER1D},     {"sampler2D", D3DXPT_SAMPLER2D},     {"sampler3D", D3DXPT_SAMPLER3D},
        {"samplerCUBE", D3DXPT_SAMPLERCUBE}, {"string", D3DXPT_STRING},           {"vertexshader", D3DXPT_VERTEXSHADER},
        {"pixelshader", D3DXPT_PIXELSHADER}};
    for (const auto& [name, kind] : objects) {
        if (iequals(s, name)) {
            next();
            type.cls = D3DXPC_OBJECT;
            type.type = kind;
            return true;
        }
    }
    if (s == "void") {
        next();
        type.isVoid = true;
        type.type = D3DXPT_VOID;
        return true;
    }
    for (size_t i = 0; i < m_structs.size(); ++i) {
        if (m_structs[i].name == s) {
            next();
            type.cls = D3DXPC_STRUCT;
            type.type = D3DXPT_VOID;
            type.structIndex = static_cast<int>(i);
            return true;
        }
    }
    if (s == "vector" || s == "matrix") {
        next();
        type.type = D3DXPT_FLOAT;
        if (s == "vector") {
            type.cls = D3DXPC_VECTOR;
            type.columns = 4;
        } else {
            type.cls = m_packRowMajor ? D3DXPC_MATRIX_ROWS : D3DXPC_MATRIX_COLUMNS;
            type.rows = type.columns = 4;
        }
        if (accept("<")) { // vector<float, 3>, matrix<float, 4, 3>
            TypeInfo base;
            if (!parseType(base))
                return fail(peek(), "syntax error: expected a scalar type");
            type.type = base.type;
            if (s == "vector") {
                if (!expect(","))
                    return false;
                type.columns = static_cast<UINT>(std::atoi(next().text.c_str()));
            } else {
                if (!expect(","))
                    return false;
                type.rows = static_cast<UINT>(std::atoi(next().text.c_str()));
                if (!expect(","))
                    return false;
                type.columns = static_cast<UINT>(std::atoi(next().text.c_str()));
            }
            if (!expect(">"))
                return false;
            if (type.rows < 1 || type.rows > 4 || type.columns < 1 || type.columns > 4)
                return fail(t, "invalid vector or matrix size");
        }
        return true;
    }
    static const std::pair<const char*, D3DXPARAMETER_TYPE> scalars[] = {
        {"float", D3DXPT_FLOAT}, {"half", D3DXPT_FLOAT}, {"double", D3DXPT_FLOAT}, {"int", D3DXPT_INT},
        {"uint", D3DXPT_INT},    {"dword", D3DXPT_INT},  {"bool", D3DXPT_BOOL}};
    for (const auto& [name, kind] : scalars) {
        size_t n = std::strlen(name);
        if (s.compare(0, n, name) != 0)
            continue;
        std::string suffix = s.substr(n);
        if (suffix.empty()) {
            type.type = kind;
        } else if (suffix.size() == 1 && suffix[0] >= '1' && suffix[0] <= '4') {
            type.type = kind;
            type.cls = D3DXPC_VECTOR;
            type.columns = static_cast<UINT>(suffix[0] - '0');
        } else if (suffix.size() == 3 && suffix[0] >= '1' && suffix[0] <= '4' && suffix[1] == 'x' && suffix[2] >= '1' &&
                   suffix[2] <= '4') {
            type.type = kind;
            type.cls = m_packRowMajor ? D3DXPC_MATRIX_ROWS : D3DXPC_MATRIX_COLUMNS;
            type.rows = static_cast<UINT>(suffix[0] - '0');
            type.columns = static_cast<UINT>(suffix[2] - '0');
        } else {
            continue;
        }
        next();
        return true;
    }
    return false;
}

std::unique_ptr<Parameter> Parser::makeParameter(const TypeInfo& type, const std::string& name, UINT elements,
                                                 int depth)
{
    auto p = std::make_unique<Parameter>();
    p->name = name;
    p->cls = type.cls;
    p->type = type.type;
    p->rows = type.cls == D3DXPC_OBJECT || type.cls == D3DXPC_STRUCT ? 0 : type.rows;
    p->columns = type.cls == D3DXPC_OBJECT || type.cls == D3DXPC_STRUCT ? 0 : type.columns;
    if (type.cls == D3DXPC_OBJECT)
        p->rows = p->columns = 1;
    p->elements = elements;
    if (depth > 16)
        return p;
    if (elements > 0) {
        for (UINT e = 0; e < elements; ++e) {
            auto element = makeParameter(type, name, 0, depth + 1);
            element->parent = p.get();
            p->members.push_back(std::move(element));
        }
    } else if (type.cls == D3DXPC_STRUCT && type.structIndex >= 0) {
        const StructDef& def = m_structs[static_cast<size_t>(type.structIndex)];
        for (const StructMember& m : def.members) {
            auto member = makeParameter(m.type, m.name, m.elements, depth + 1);
            member->semantic = m.semantic;
            member->parent = p.get();
            p->members.push_back(std::move(member));
        }
    }
    return p;
}

} // namespace

size_t assignStorage(Parameter& p, const std::shared_ptr<ValueBlock>& block, size_t offset)
{
    p.block = block;
    p.offset = offset;
    if (!p.members.empty()) {
        size_t used = 0;
        for (auto& m : p.members)
            used += assignStorage(*m, block, offset + used);
        p.count = used;
        return used;
    }
    p.count = p.cls == D3DXPC_OBJECT ? 1 : (p.cls == D3DXPC_STRUCT ? 0 : static_cast<size_t>(p.rows) * p.columns);
    return p.count;
}

namespace {

void allocate(Parameter& p)
{
    auto block = std::make_shared<ValueBlock>();
    size_t n = assignStorage(p, block, 0);
    if (p.isNumeric() || (p.cls == D3DXPC_STRUCT))
        block->words.assign(n, 0);
    if (p.isTexture())
        block->textures.assign(n, nullptr);
    if (p.type == D3DXPT_STRING)
        block->strings.assign(n, std::string());
}

void Parser::setInitialValues(Parameter& p, const std::vector<std::string>& values)
{
    if (p.type == D3DXPT_STRING) {
        for (size_t i = 0; i < values.size() && i < p.count; ++i) {
            const std::string& v = values[i];
            if (v.size() >= 2 && v.front() == '"')
                p.block->strings[p.offset + i] = v.substr(1, v.size() - 2);
        }
        return;
    }
    if (!p.isNumeric() && p.cls != D3DXPC_STRUCT)
        return;
    // Struct members take the values in order, each as its own type.
    std::vector<Parameter*> leaves;
    std::vector<Parameter*> stack{&p};
    while (!stack.empty()) {
        Parameter* q = stack.back();
        stack.pop_back();
        if (q->members.empty()) {
            leaves.push_back(q);
            continue;
        }
        for (auto it = q->members.rbegin(); it != q->members.rend(); ++it)
            stack.push_back(it->get());
    }
    size_t v = 0;
    for (Parameter* leaf : leaves) {
        for (size_t i = 0; i < leaf->count && v < values.size(); ++i, ++v) {
            const std::string& text = values[v];
            double number = text == "true" ? 1.0 : text == "false" ? 0.0 : std::strtod(text.c_str(), nullptr);
            if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
                number = static_cast<double>(std::strtoull(text.c_str(), nullptr, 16));
            uint32_t word = 0;
            if (leaf->type == D3DXPT_FLOAT) {
                float f = static_cast<float>(number);
                std::memcpy(&word, &f, 4);
            } else if (leaf->type == D3DXPT_INT) {
                word = static_cast<uint32_t>(static_cast<int32_t>(number));
            } else {
                word = number != 0.0 ? 1u : 0u;
            }
            if (leaf->offset + i < leaf->block->words.size())
                leaf->block->words[leaf->offset + i] = word;
        }
    }
}

namespace {

// Constant initializers: numbers, true/false, strings, braces, constructors such as float4(...)
// and arithmetic (+ - * / and parentheses), flattened to one value per component.
class InitializerEvaluator {
public:
    explicit InitializerEvaluator(const std::vector<Tok>& tokens) : m_tokens(tokens) {}

    bool run(std::vector<std::string>& values)
    {
        list(values, 0);
        return m_ok && m_pos == m_tokens.size();
    }

private:
    const std::string& peek() const
    {
        static const std::string none;
        return m_pos < m_tokens.size() ? m_tokens[m_pos].text : none;
    }
    bool accept(const char* s)
    {
        if (peek() == s) {
            ++m_pos;
            return true;
        }
        return false;
    }
    static std::string number(double v)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.9g", v);
        return buffer;
    }
    void list(std::vector<std::string>& values, int depth)
    {
        if (depth > 64 || !m_ok) {
            m_ok = false;
            return;
        }
        if (accept("{")) {
            while (m_ok && !accept("}")) {
                list(values, depth + 1);
                if (!accept(",") && peek() != "}") {
                    m_ok = false;
                    return;
                }
            }
            return;
        }
        if (m_pos < m_tokens.size() && m_tokens[m_pos].kind == Tok::String) {
            values.push_back(m_tokens[m_pos++].text);
            return;
        }
        expression(values, depth + 1);
    }
    // An expression yields one or more components (constructors yield several).
    void expression(std::vector<std::string>& values, int depth)
    {
        std::vector<double> v = sum(depth);
        for (double d : v)
            values.push_back(number(d));
    }
    static std::vector<double> combine(const std::vector<double>& a, const std::vector<double>& b, char op)
    {
        std::vector<double> r;
        size_t n = std::max(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            double x = a.size() == 1 ? a[0] : (i < a.size() ? a[i] : 0.0);
            double y = b.size() == 1 ? b[0] : (i < b.size() ? b[i] : 0.0);
            r.push_back(op == '+' ? x + y : op == '-' ? x - y : op == '*' ? x * y : (y != 0.0 ? x / y : 0.0));
        }
        return r;
    }
    std::vector<double> sum(int depth)
    {
        std::vector<double> left = product(depth);
        while (m_ok && (peek() == "+" || peek() == "-")) {
            char op = m_tokens[m_pos++].text[0];
            left = combine(left, product(depth), op);
        }
        return left;
    }
    std::vector<double> product(int depth)
    {
        std::vector<double> left = unary(depth);
        while (m_ok && (peek() == "*" || peek() == "/")) {
            char op = m_tokens[m_pos++].text[0];
            left = combine(left, unary(depth), op);
        }
        return left;
    }
    std::vector<double> unary(int depth)
    {
        if (depth > 64 || m_pos >= m_tokens.size()) {
            m_ok = false;
            return {0.0};
        }
        if (accept("-")) {
            std::vector<double> v = unary(depth + 1);
            for (double& d : v)
                d = -d;
            return v;
        }
        if (accept("+"))
            return unary(depth + 1);
        if (accept("(")) {
            std::vector<double> v = sum(depth + 1);
            if (!accept(")"))
                m_ok = false;
            return v;
        }
        const Tok& t = m_tokens[m_pos++];
        if (t.kind == Tok::Number) {
            std::string text = t.text;
            bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
            return {hex ? static_cast<double>(std::strtoull(text.c_str(), nullptr, 16))
                        : std::strtod(text.c_str(), nullptr)};
        }
        if (t.text == "true" || t.text == "false")
            return {t.text == "true" ? 1.0 : 0.0};
        if (t.kind == Tok::Identifier && peek() == "(") { // a constructor: float4(1, 2, 3, 4)
            ++m_pos;
            std::vector<double> all;
            while (m_ok && !accept(")")) {
                std::vector<double> part = sum(depth + 1);
                all.insert(all.end(), part.begin(), part.end());
                if (!accept(",") && peek() != ")") {
                    m_ok = false;
                    break;
                }
            }
            return all.empty() ? std::vector<double>{0.0} : all;
        }
        m_ok = false;
        return {0.0};
    }

    const std::vector<Tok>& m_tokens;
    size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace

bool Parser::parseInitializer(std::vector<std::string>& values)
{
    const Tok& first = peek();
    std::vector<Tok> tokens;
    int depth = 0;
    for (;;) {
        const Tok& t = peek();
        if (t.kind == Tok::End)
            return fail(t, "syntax error: unexpected end of file");
        if (depth == 0 && (t.text == ";" || t.text == "," || t.text == "<" || t.text == ">"))
            break;
        if (t.text == "{" || t.text == "(")
            ++depth;
        else if ((t.text == "}" || t.text == ")") && --depth < 0)
            return fail(t, "syntax error: unexpected '" + t.text + "'");
        if (tokens.size() > 100000)
            return fail(t, "initializer too long");
        tokens.push_back(t);
        next();
    }
    if (tokens.empty())
        return fail(first, "syntax error: missing initializer");
    // Values that are not constant (static initializers calling functions) are left to the
    // HLSL compiler; the parameter then starts at zero.
    InitializerEvaluator evaluator(tokens);
    if (!evaluator.run(values))
        values.clear();
    return true;
}

bool Parser::parseAnnotations(std::vector<std::unique_ptr<Parameter>>& out)
{
    // < type name = value; ... >
    if (!expect("<"))
        return false;
    while (!is(">")) {
        const Tok& start = peek();
        TypeInfo type;
        if (!parseType(type))
            return fail(start, "syntax error: unexpected token '" + start.text + "' in annotation");
        if (peek().kind != Tok::Identifier)
            return fail(peek(), "syntax error: expected an annotation name");
        std::string name = next().text;
        UINT elements = 0;
        if (accept("[")) {
            elements = static_cast<UINT>(std::atoi(next().text.c_str()));
            if (elements > 4096 || !expect("]"))
                return fail(start, "invalid annotation array");
        }
        std::vector<std::string> values;
        if (accept("=") && !parseInitializer(values))
            return false;
        if (!expect(";"))
            return false;
        auto p = makeParameter(type, name, elements, 0);
        p->flags |= D3DX_PARAMETER_ANNOTATION;
        allocate(*p);
        setInitialValues(*p, values);
        out.push_back(std::move(p));
    }
    return expect(">");
}

bool Parser::parseCompile(StateAssignment& state, bool vertex)
{
    // compile <profile> <entry>(<args>)
    const Tok& at = next(); // "compile"
    ShaderEntry entry;
    entry.vertex = vertex;
    entry.line = at.line;
    if (peek().kind != Tok::Identifier)
        return fail(peek(), "syntax error: expected a shader profile after 'compile'");
    entry.profile = next().text;
    if (peek().kind != Tok::Identifier)
        return fail(peek(), "syntax error: expected an entry point");
    entry.entry = next().text;
    if (!expect("("))
        return false;
    int depth = 1;
    std::string arg;
    while (depth > 0) {
        const Tok& t = next();
        if (t.kind == Tok::End)
            return fail(t, "syntax error: unexpected end of file");
        if (t.text == "(")
            ++depth;
        if (t.text == ")" && --depth == 0)
            break;
        if (t.text == "," && depth == 1) {
            entry.args.push_back(arg);
            arg.clear();
            continue;
        }
        arg += (arg.empty() ? "" : " ") + t.text;
    }
    if (!arg.empty() || !entry.args.empty())
        entry.args.push_back(arg);
    // One entry per (entry, profile, args): the runtime compiles each once.
    for (size_t i = 0; i < m_out.shaders.size(); ++i) {
        const ShaderEntry& s = m_out.shaders[i];
        if (s.vertex == entry.vertex && s.profile == entry.profile && s.entry == entry.entry && s.args == entry.args) {
            state.shader = static_cast<int>(i);
            return true;
        }
    }
    if (!m_functions.count(entry.entry)) {
        m_messages.error(m_source.where(at.line, at.column), 3004, "undeclared identifier '" + entry.entry + "'");
        return false;
    }
    state.shader = static_cast<int>(m_out.shaders.size());
    m_out.shaders.push_back(std::move(entry));
    return true;
}

bool Parser::parseStateValue(StateAssignment& state)
{
    if (state.kind == StateKind::VertexShader || state.kind == StateKind::PixelShader) {
        bool vertex = state.kind == StateKind::VertexShader;
        if (is("compile"))
            return parseCompile(state, vertex) && expect(";");
        if (iequals(peek().text, "NULL")) {
            next();
            state.shader = -1;
            return expect(";");
        }
        bool angle = accept("<"), paren = !angle && accept("(");
        const Tok& name = next();
        auto it = m_shaderVariables.find(name.text);
        if (it == m_shaderVariables.end())
            return fail(name, "undeclared identifier '" + name.text + "'");
        state.shader = it->second;
        if ((angle && !expect(">")) || (paren && !expect(")")))
            return false;
        return expect(";");
    }
    if (is("asm"))
        return fail(peek(), "asm shaders are not supported");
    // <name> and (name) refer to parameters; other values are expressions of words and numbers.
    size_t guard = 0;
    while (!is(";")) {
        if (peek().kind == Tok::End || is("}") || ++guard > 1000)
            return fail(peek(), "syntax error: expected ';' after a state value");
        const Tok& t = next();
        if (t.text == "<" || t.text == ">")
            continue;
        state.value.push_back(t.text);
    }
    if (state.value.empty())
        return fail(peek(), "syntax error: missing state value");
    return expect(";");
}

bool Parser::parseStateBlock(std::vector<StateAssignment>& states, bool sampler)
{
    if (!expect("{"))
        return false;
    while (!accept("}")) {
        const Tok& name = next();
        if (name.kind != Tok::Identifier)
            return fail(name, "syntax error: unexpected token '" + name.text + "'");
        StateName found{};
        if (!(sampler ? findSamplerState(name.text, found) : findPassState(name.text, found)))
            return fail(name, "unknown state '" + name.text + "'");
        StateAssignment state;
        state.kind = found.kind;
        state.state = found.state;
        state.isFloat = found.isFloat;
        state.words = found.words;
        state.line = name.line;
        if (accept("[")) {
            const Tok& index = next();
            state.index = static_cast<DWORD>(std::strtoul(index.text.c_str(), nullptr, 0));
            if (index.kind != Tok::Number || state.index > 15 || !expect("]"))
                return fail(index, "invalid state index");
        }
        if (!expect("=") || !parseStateValue(state))
            return false;
        states.push_back(std::move(state));
    }
    return true;
}

bool Parser::parseTechnique()
{
    size_t start = peek().offset;
    next(); // technique
    auto technique = std::make_unique<Technique>();
    if (peek().kind == Tok::Identifier)
        technique->name = next().text;
    if (is("<") && !parseAnnotations(technique->annotations))
        return false;
    if (!expect("{"))
        return false;
    while (!accept("}")) {
        if (!iequals(peek().text, "pass"))
            return fail(peek(), "syntax error: unexpected token '" + peek().text + "', expected 'pass'");
        next();
        auto pass = std::make_unique<Pass>();
        if (peek().kind == Tok::Identifier)
            pass->name = next().text;
        if (is("<") && !parseAnnotations(pass->annotations))
            return false;
        if (!parseStateBlock(pass->states, false))
            return false;
        for (const StateAssignment& s : pass->states) {
            if (s.kind == StateKind::VertexShader)
                pass->vertexShader = s.shader;
            if (s.kind == StateKind::PixelShader)
                pass->pixelShader = s.shader;
        }
        technique->passes.push_back(std::move(pass));
    }
    accept(";");
    blank(start, peek().offset);
    m_out.techniques.push_back(std::move(technique));
    return true;
}

bool Parser::parseStruct(int& index)
{
    next(); // struct
    StructDef def;
    if (peek().kind == Tok::Identifier)
        def.name = next().text;
    if (!expect("{"))
        return false;
    while (!accept("}")) {
        static const char* const modifiers[] = {"linear",        "centroid", "nointerpolation",
                                                "noperspective", "sample",   "row_major",
                                                "column_major",  "const",    "uniform"};
        bool modifier = true;
        while (modifier) {
            modifier = false;
            for (const char* m : modifiers) {
                if (accept(m))
                    modifier = true;
            }
        }
        StructMember member;
        const Tok& at = peek();
        if (!parseType(member.type))
            return fail(at, "syntax error: unexpected token '" + at.text + "' in struct");
        do {
            if (peek().kind != Tok::Identifier)
                return fail(peek(), "syntax error: expected a member name");
            StructMember m = member;
            m.name = next().text;
            if (accept("[")) {
                m.elements = static_cast<UINT>(std::atoi(next().text.c_str()));
                if (m.elements == 0 || m.elements > 4096 || !expect("]"))
                    return fail(at, "invalid array size");
            }
            if (accept(":")) {
                if (peek().kind != Tok::Identifier)
                    return fail(peek(), "syntax error: expected a semantic");
                m.semantic = next().text;
            }
            def.members.push_back(std::move(m));
        } while (accept(","));
        if (!expect(";"))
            return false;
    }
    m_structs.push_back(std::move(def));
    index = static_cast<int>(m_structs.size() - 1);
    return true;
}

bool Parser::parseFunction(const std::string& name, size_t typeStart)
{
    Function f;
    f.returnType = m_text.substr(typeStart, m_tokens[m_pos - 1].offset - typeStart);
    next(); // (
    int depth = 1;
    FunctionParam param;
    size_t paramStart = peek().offset;
    auto finishParam = [&](size_t end) {
        param.text = m_text.substr(paramStart, end - paramStart);
        if (!param.name.empty())
            f.params.push_back(param);
        param = FunctionParam();
    };
    bool afterColon = false, afterAssign = false;
    while (depth > 0) {
        const Tok& t = next();
        if (t.kind == Tok::End)
            return fail(t, "syntax error: unexpected end of file");
        if (t.text == "(")
            ++depth;
        else if (t.text == ")" && --depth == 0) {
            finishParam(t.offset);
            break;
        } else if (t.text == "," && depth == 1) {
            finishParam(t.offset);
            paramStart = peek().offset;
            afterColon = afterAssign = false;
            continue;
        }
        if (depth != 1)
            continue;
        if (t.text == "uniform")
            param.uniform = true;
        else if (t.text == ":")
            afterColon = true;
        else if (t.text == "=")
            afterAssign = true;
        else if (t.kind == Tok::Identifier && !afterColon && !afterAssign)
            param.name = t.text;
    }
    size_t semanticStart = peek().offset;
    if (accept(":")) {
        next();
        f.semantic = m_text.substr(semanticStart, peek().offset - semanticStart);
    }
    if (accept(";")) { // a prototype
        m_functions.emplace(name, std::move(f));
        return true;
    }
    if (!is("{"))
        return fail(peek(), "syntax error: unexpected token '" + peek().text + "'");
    if (!skipBalanced("{", "}"))
        return false;
    m_functions[name] = std::move(f);
    return true;
}

bool Parser::topLevel()
{
    const Tok& first = peek();
    if (accept(";"))
        return true;
    if (iequals(first.text, "technique") || iequals(first.text, "technique9"))
        return parseTechnique();
    if (first.text == "typedef") {
        while (!is(";") && peek().kind != Tok::End)
            next();
        return expect(";");
    }
    size_t start = first.offset;
    bool isStatic = false, isShared = false, rowMajor = false, columnMajor = false;
    for (;;) {
        const std::string& s = peek().text;
        if (s == "static")
            isStatic = true;
        else if (s == "shared")
            isShared = true;
        else if (s == "row_major")
            rowMajor = true;
        else if (s == "column_major")
            columnMajor = true;
        else if (s != "uniform" && s != "extern" && s != "const" && s != "volatile" && s != "inline" && s != "precise")
            break;
        next();
    }
    TypeInfo type;
    size_t typeStart = peek().offset;
    if (is("struct")) {
        int index = -1;
        if (!parseStruct(index))
            return false;
        if (accept(";"))
            return true;
        type.cls = D3DXPC_STRUCT;
        type.type = D3DXPT_VOID;
        type.structIndex = index;
    } else if (!parseType(type)) {
        return fail(first, "syntax error: unexpected token '" + first.text + "'");
    }
    if (type.cls == D3DXPC_MATRIX_COLUMNS && rowMajor)
        type.cls = D3DXPC_MATRIX_ROWS;
    if (type.cls == D3DXPC_MATRIX_ROWS && columnMajor)
        type.cls = D3DXPC_MATRIX_COLUMNS;
    if (peek().kind != Tok::Identifier)
        return fail(peek(), "syntax error: unexpected token '" + peek().text + "'");
    if (is("(", 1)) {
        std::string name = next().text;
        return parseFunction(name, typeStart);
    }
    bool blankAll = type.isVoid ||
                    (type.cls == D3DXPC_OBJECT &&
                     (type.type == D3DXPT_STRING || (type.type >= D3DXPT_TEXTURE && type.type <= D3DXPT_TEXTURECUBE) ||
                      type.type == D3DXPT_VERTEXSHADER || type.type == D3DXPT_PIXELSHADER));
    do {
        const Tok& nameTok = next();
        if (nameTok.kind != Tok::Identifier)
            return fail(nameTok, "syntax error: expected a name");
        UINT elements = 0;
        if (accept("[")) {
            const Tok& size = next();
            elements = static_cast<UINT>(std::strtoul(size.text.c_str(), nullptr, 0));
            if (size.kind != Tok::Number || elements == 0 || elements > 65536 || !expect("]"))
                return fail(size, "invalid array size");
        }
        std::string semantic;
        int samplerRegister = -1;
        while (accept(":")) {
            if (is("register")) {
                next();
                if (!expect("("))
                    return false;
                const std::string& r = next().text;
                if (r.size() > 1 && (r[0] == 's' || r[0] == 'S'))
                    samplerRegister = std::atoi(r.c_str() + 1);
                if (!expect(")"))
                    return false;
            } else if (peek().kind == Tok::Identifier) {
                semantic = next().text;
            } else {
                return fail(peek(), "syntax error: expected a semantic");
            }
        }
        std::vector<std::unique_ptr<Parameter>> annotations;
        size_t annotationStart = peek().offset;
        if (is("<")) {
            if (!parseAnnotations(annotations))
                return false;
            blank(annotationStart, peek().offset);
        }
        std::vector<std::string> values;
        std::vector<StateAssignment> samplerStates;
        int shader = -1;
        if (is("=")) {
            size_t initStart = peek().offset;
            next();
            if (is("sampler_state")) {
                next();
                if (!parseStateBlock(samplerStates, true))
                    return false;
                blank(initStart, peek().offset);
            } else if (is("compile") && (type.type == D3DXPT_VERTEXSHADER || type.type == D3DXPT_PIXELSHADER)) {
                StateAssignment s;
                if (!parseCompile(s, type.type == D3DXPT_VERTEXSHADER))
                    return false;
                shader = s.shader;
            } else if (!parseInitializer(values)) {
                return false;
            }
        }
        if (type.type == D3DXPT_VERTEXSHADER || type.type == D3DXPT_PIXELSHADER) {
            m_shaderVariables[nameTok.text] = shader;
            continue;
        }
        if (isStatic || type.isVoid)
            continue;
        auto p = makeParameter(type, nameTok.text, elements, 0);
        p->semantic = semantic;
        p->annotations = std::move(annotations);
        p->samplerStates = std::move(samplerStates);
        p->samplerRegister = samplerRegister;
        if (isShared)
            p->flags |= D3DX_PARAMETER_SHARED;
        allocate(*p);
        setInitialValues(*p, values);
        m_out.parameters.push_back(std::move(p));
    } while (accept(","));
    if (!expect(";"))
        return false;
    if (blankAll)
        blank(start, peek().offset);
    return true;
}

void Parser::makeWrappers()
{
    // Literal arguments of `compile` fill the entry's uniform parameters: a wrapper passes them.
    for (size_t i = 0; i < m_out.shaders.size(); ++i) {
        ShaderEntry& s = m_out.shaders[i];
        s.glslangEntry = s.entry;
        if (s.args.empty())
            continue;
        auto it = m_functions.find(s.entry);
        if (it == m_functions.end())
            continue;
        const Function& f = it->second;
        std::string name = "ulvo_entry" + std::to_string(i);
        std::string params, call;
        size_t arg = 0;
        for (const FunctionParam& p : f.params) {
            if (!call.empty())
                call += ", ";
            if (p.uniform && arg < s.args.size()) {
                call += "(" + s.args[arg++] + ")";
                continue;
            }
            call += p.name;
            if (!params.empty())
                params += ", ";
            params += p.text;
        }
        bool isVoid = f.returnType.find("void") != std::string::npos;
        m_out.shaderSource += "\n" + f.returnType + " " + name + "(" + params + ")" + f.semantic + " { " +
                              (isVoid ? "" : "return ") + s.entry + "(" + call + "); }\n";
        s.glslangEntry = name;
    }
}

// The HLSL compiler parses and walks expressions recursively, so nesting and operator chains
// deep enough to exhaust its stack are refused here, with the line they reach that depth on.
bool Parser::checkExpressionSize()
{
    constexpr int kMaxNesting = 256;
    constexpr int kMaxOperators = 4096; // in one run between ',' ';' '{' and '}'
    int depth = 0;
    int prefixRun = 0;
    int operators = 0;
    for (const Tok& t : m_tokens) {
        if (t.kind != Tok::Punct) {
            prefixRun = 0;
            continue;
        }
        const char c = t.text[0];
        if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            depth = depth > 0 ? depth - 1 : 0;
        }
        if (c == ',' || c == ';' || c == '{' || c == '}')
            operators = 0;
        else if (c != '(' && c != ')' && c != '[' && c != ']')
            ++operators;
        // A run of prefix operators nests like brackets ("- - !x").
        prefixRun = (c == '+' || c == '-' || c == '!' || c == '~') ? prefixRun + 1 : 0;
        if (depth + prefixRun > kMaxNesting)
            return fail(t, "expression nested deeper than " + std::to_string(kMaxNesting) + " levels");
        if (operators > kMaxOperators)
            return fail(t, "expression with more than " + std::to_string(kMaxOperators) + " operators");
    }
    return true;
}

bool Parser::run()
{
    m_blanked = m_text;
    if (!checkExpressionSize())
        return false;
    size_t scanned = 0;
    while (peek().kind != Tok::End) {
        // #pragma pack_matrix applies to the declarations after it.
        size_t here = peek().offset;
        size_t p = m_text.find("#pragma", scanned);
        while (p != std::string::npos && p < here) {
            size_t eol = m_text.find('\n', p);
            std::string directive = m_text.substr(p, eol == std::string::npos ? std::string::npos : eol - p);
            if (directive.find("pack_matrix") != std::string::npos)
                m_packRowMajor = directive.find("row_major") != std::string::npos;
            p = m_text.find("#pragma", p + 1);
        }
        scanned = here;
        if (!topLevel())
            return false;
    }
    m_out.shaderSource = m_blanked;
    makeWrappers();
    for (auto& p : m_out.parameters)
        finishDescription(*p);
    for (auto& t : m_out.techniques) {
        for (auto& a : t->annotations)
            finishDescription(*a);
        for (auto& pass : t->passes) {
            for (auto& a : pass->annotations)
                finishDescription(*a);
        }
    }
    return true;
}

} // namespace

bool parseEffect(const PreprocessedSource& source, EffectDescription& out, Messages& messages)
{
    out = EffectDescription();
    Parser parser(source, out, messages);
    return parser.run() && !messages.hasErrors();
}

} // namespace D3DXEffects
