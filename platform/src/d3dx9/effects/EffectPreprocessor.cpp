// The effect preprocessor (see EffectPreprocessor.h).
#include "d3dx9/effects/EffectPreprocessor.h"

#include <cctype>
#include <cstring>
#include <climits>
#include <cstdlib>
#include <map>
#include <set>

namespace D3DXEffects {

std::string PreprocessedSource::where(size_t outputLine, int column) const
{
    std::string file = "memory";
    int line = static_cast<int>(outputLine) + 1;
    if (outputLine < lines.size()) {
        const SourceLine& l = lines[outputLine];
        if (l.file >= 0 && static_cast<size_t>(l.file) < files.size())
            file = files[static_cast<size_t>(l.file)];
        line = l.line;
    }
    return file + "(" + std::to_string(line) + "," + std::to_string(column < 1 ? 1 : column) + ")";
}

void Messages::error(const std::string& where, int code, const std::string& text)
{
    m_text += where + ": error X" + std::to_string(code) + ": " + text + "\n";
    ++m_errors;
}

void Messages::warning(const std::string& where, int code, const std::string& text)
{
    m_text += where + ": warning X" + std::to_string(code) + ": " + text + "\n";
}

void Messages::append(const std::string& line)
{
    m_text += line;
    if (line.empty() || line.back() != '\n')
        m_text += "\n";
}

namespace {

constexpr int kMaxIncludeDepth = 32;
constexpr size_t kMaxOutput = 16u << 20; // a runaway expansion stops here
constexpr size_t kMaxLineTokens = 1u << 16;

struct Token {
    enum Kind { Identifier, Number, String, Punct } kind = Punct;
    std::string text;
    bool spaceBefore = false;
};

struct Macro {
    bool function = false;
    bool variadic = false;
    std::vector<std::string> params;
    std::vector<Token> body;
};

bool identStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool identChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::vector<Token> tokenize(const std::string& line)
{
    std::vector<Token> tokens;
    size_t i = 0;
    bool space = false;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            space = true;
            ++i;
            continue;
        }
        Token t;
        t.spaceBefore = space;
        space = false;
        size_t start = i;
        if (identStart(c)) {
            while (i < line.size() && identChar(line[i]))
                ++i;
            t.kind = Token::Identifier;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < line.size() && std::isdigit(static_cast<unsigned char>(line[i + 1])))) {
            while (i < line.size() &&
                   (identChar(line[i]) || line[i] == '.' ||
                    ((line[i] == '+' || line[i] == '-') && (line[i - 1] == 'e' || line[i - 1] == 'E'))))
                ++i;
            t.kind = Token::Number;
        } else if (c == '"' || c == '\'') {
            ++i;
            while (i < line.size() && line[i] != c) {
                if (line[i] == '\\' && i + 1 < line.size())
                    ++i;
                ++i;
            }
            if (i < line.size())
                ++i;
            t.kind = Token::String;
        } else {
            static const char* const pairs[] = {"##", "&&", "||", "==", "!=", "<=", ">=", "<<", ">>",
                                                "++", "--", "+=", "-=", "*=", "/=", "::", "->"};
            i += 1;
            for (const char* p : pairs) {
                if (line.compare(start, 2, p) == 0) {
                    i = start + 2;
                    break;
                }
            }
            t.kind = Token::Punct;
        }
        t.text = line.substr(start, i - start);
        tokens.push_back(std::move(t));
    }
    return tokens;
}

std::string join(const std::vector<Token>& tokens)
{
    std::string out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0 && tokens[i].spaceBefore)
            out += ' ';
        else if (i > 0 && tokens[i - 1].kind != Token::Punct && tokens[i].kind != Token::Punct)
            out += ' '; // keep pasted-apart words apart
        out += tokens[i].text;
    }
    return out;
}

// Comments become blanks; newlines inside block comments are kept so lines still match.
std::string stripComments(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            out += ' ';
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            i += 2;
            out += ' ';
            while (i < text.size() && !(text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/')) {
                if (text[i] == '\n')
                    out += '\n';
                ++i;
            }
            i = i < text.size() ? i + 2 : i;
        } else if (c == '"') {
            out += c;
            ++i;
            while (i < text.size() && text[i] != '"' && text[i] != '\n') {
                if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n')
                    out += text[i++];
                out += text[i++];
            }
            if (i < text.size() && text[i] == '"')
                out += text[i++];
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

class Preprocessor {
public:
    Preprocessor(ID3DXInclude* include, PreprocessedSource& out, Messages& messages)
        : m_include(include), m_out(out), m_messages(messages)
    {
    }

    void define(const std::string& name, const std::string& value)
    {
        Macro m;
        m.body = tokenize(value);
        m_macros[name] = std::move(m);
    }

    bool run(const std::string& text, int file, int depth);

private:
    struct Conditional {
        bool active;       // this branch is emitted
        bool taken;        // some branch of the group was taken
        bool parentActive; // the enclosing region is emitted
        bool sawElse;
    };

    std::string where(int file, int line, int column = 1) const
    {
        return m_out.files[static_cast<size_t>(file)] + "(" + std::to_string(line) + "," + std::to_string(column) + ")";
    }
    void emit(const std::string& text, int file, int line)
    {
        if (m_out.text.size() > kMaxOutput) {
            if (!m_tooLarge)
                m_messages.error(where(file, line), 1000, "preprocessed text too large");
            m_tooLarge = true;
            return;
        }
        m_out.text += text;
        m_out.text += '\n';
        m_out.lines.push_back({file, line});
    }
    bool directive(const std::string& line, int file, int number, int depth, std::vector<Conditional>& stack);
    std::vector<Token> expand(const std::vector<Token>& tokens, std::set<std::string>& disabled, int level);
    bool evaluate(std::vector<Token> tokens, long long& value, int file, int line);

    ID3DXInclude* m_include;
    PreprocessedSource& m_out;
    Messages& m_messages;
    std::map<std::string, Macro> m_macros;
    bool m_tooLarge = false;
    bool m_expansionError = false;
    bool m_expandedAny = false;
    size_t m_work = 0; // tokens produced for the current line, over every level
};

std::vector<Token> Preprocessor::expand(const std::vector<Token>& tokens, std::set<std::string>& disabled, int level)
{
    std::vector<Token> out;
    if (level > 64) {
        m_expansionError = true;
        return tokens;
    }
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (out.size() > kMaxLineTokens || ++m_work > kMaxLineTokens) {
            m_expansionError = true;
            return out;
        }
        auto it = t.kind == Token::Identifier ? m_macros.find(t.text) : m_macros.end();
        if (it == m_macros.end() || disabled.count(t.text)) {
            out.push_back(t);
            continue;
        }
        const Macro macro = it->second; // copy: an expansion may not change it, but keep it safe
        m_expandedAny = true;
        std::vector<std::vector<Token>> args;
        size_t next = i + 1;
        if (macro.function) {
            if (next >= tokens.size() || tokens[next].text != "(") {
                out.push_back(t); // a function-like macro name without arguments stays
                continue;
            }
            int depth = 0;
            std::vector<Token> arg;
            size_t j = next;
            bool closed = false;
            for (; j < tokens.size(); ++j) {
                const std::string& s = tokens[j].text;
                if (s == "(" && depth++ == 0)
                    continue;
                if (s == ")" && --depth == 0) {
                    closed = true;
                    break;
                }
                if (s == "," && depth == 1 && !(macro.variadic && args.size() + 1 >= macro.params.size())) {
                    args.push_back(std::move(arg));
                    arg.clear();
                    continue;
                }
                arg.push_back(tokens[j]);
            }
            if (!closed) {
                m_expansionError = true;
                out.push_back(t);
                continue;
            }
            if (!arg.empty() || !args.empty() || !macro.params.empty())
                args.push_back(std::move(arg));
            if (args.size() != macro.params.size()) {
                m_expansionError = true;
                out.push_back(t);
                continue;
            }
            next = j + 1;
        }
        // Substitute parameters (# stringizes, ## pastes, others are expanded first).
        std::vector<Token> body;
        auto paramIndex = [&](const std::string& name) -> int {
            for (size_t p = 0; p < macro.params.size(); ++p) {
                if (macro.params[p] == name)
                    return static_cast<int>(p);
            }
            return -1;
        };
        for (size_t b = 0; b < macro.body.size(); ++b) {
            const Token& bt = macro.body[b];
            if (macro.function && bt.text == "#" && b + 1 < macro.body.size()) {
                int p = paramIndex(macro.body[b + 1].text);
                if (p >= 0) {
                    std::string s = "\"";
                    for (char c : join(args[static_cast<size_t>(p)])) {
                        if (c == '"' || c == '\\')
                            s += '\\';
                        s += c;
                    }
                    Token st{Token::String, s + "\"", bt.spaceBefore};
                    body.push_back(st);
                    ++b;
                    continue;
                }
            }
            int p = macro.function && bt.kind == Token::Identifier ? paramIndex(bt.text) : -1;
            if (p >= 0) {
                bool pasted = (b + 1 < macro.body.size() && macro.body[b + 1].text == "##") ||
                              (b > 0 && macro.body[b - 1].text == "##");
                std::vector<Token> value = args[static_cast<size_t>(p)];
                if (!pasted)
                    value = expand(value, disabled, level + 1);
                for (size_t v = 0; v < value.size(); ++v) {
                    Token vt = value[v];
                    if (v == 0)
                        vt.spaceBefore = bt.spaceBefore;
                    body.push_back(vt);
                }
                continue;
            }
            body.push_back(bt);
        }
        // Token pasting.
        std::vector<Token> pasted;
        for (size_t b = 0; b < body.size(); ++b) {
            if (body[b].text == "##" && !pasted.empty() && b + 1 < body.size()) {
                Token joined = pasted.back();
                joined.text += body[b + 1].text;
                std::vector<Token> re = tokenize(joined.text);
                pasted.pop_back();
                for (size_t r = 0; r < re.size(); ++r) {
                    if (r == 0)
                        re[r].spaceBefore = joined.spaceBefore;
                    pasted.push_back(re[r]);
                }
                ++b;
                continue;
            }
            pasted.push_back(body[b]);
        }
        if (!pasted.empty())
            pasted[0].spaceBefore = t.spaceBefore;
        disabled.insert(t.text);
        std::vector<Token> result = expand(pasted, disabled, level + 1);
        disabled.erase(t.text);
        out.insert(out.end(), result.begin(), result.end());
        i = next - 1;
    }
    return out;
}

// Integer expressions of #if and #elif.
class ExpressionEvaluator {
public:
    explicit ExpressionEvaluator(const std::vector<Token>& tokens) : m_tokens(tokens) {}
    bool run(long long& value)
    {
        value = conditional(0);
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
    long long conditional(int depth)
    {
        if (depth > 200) {
            m_ok = false;
            return 0;
        }
        long long c = binary(0, depth);
        if (accept("?")) {
            long long a = conditional(depth + 1);
            if (!accept(":"))
                m_ok = false;
            long long b = conditional(depth + 1);
            return c ? a : b;
        }
        return c;
    }
    static int precedence(const std::string& op)
    {
        static const std::pair<const char*, int> table[] = {
            {"||", 1}, {"&&", 2}, {"|", 3},  {"^", 4},  {"&", 5}, {"==", 6}, {"!=", 6}, {"<", 7},  {">", 7},
            {"<=", 7}, {">=", 7}, {"<<", 8}, {">>", 8}, {"+", 9}, {"-", 9},  {"*", 10}, {"/", 10}, {"%", 10}};
        for (const auto& [name, level] : table) {
            if (op == name)
                return level;
        }
        return 0;
    }
    long long binary(int minLevel, int depth)
    {
        long long left = unary(depth);
        for (;;) {
            std::string op = peek();
            int level = precedence(op);
            if (level == 0 || level <= minLevel)
                return left;
            ++m_pos;
            long long right = binary(level, depth + 1);
            left = apply(op, left, right);
        }
    }
    long long apply(const std::string& op, long long a, long long b)
    {
        unsigned long long ua = static_cast<unsigned long long>(a), ub = static_cast<unsigned long long>(b);
        if (op == "||")
            return a || b;
        if (op == "&&")
            return a && b;
        if (op == "|")
            return a | b;
        if (op == "^")
            return a ^ b;
        if (op == "&")
            return a & b;
        if (op == "==")
            return a == b;
        if (op == "!=")
            return a != b;
        if (op == "<")
            return a < b;
        if (op == ">")
            return a > b;
        if (op == "<=")
            return a <= b;
        if (op == ">=")
            return a >= b;
        if (op == "<<")
            return static_cast<long long>(ua << (ub & 63));
        if (op == ">>")
            return a >> (ub & 63);
        if (op == "+")
            return static_cast<long long>(ua + ub);
        if (op == "-")
            return static_cast<long long>(ua - ub);
        if (op == "*")
            return static_cast<long long>(ua * ub);
        if (b == 0 || (a == LLONG_MIN && b == -1)) {
            m_ok = false;
            return 0;
        }
        return op == "/" ? a / b : a % b;
    }
    long long unary(int depth)
    {
        if (depth > 200) {
            m_ok = false;
            return 0;
        }
        if (accept("-"))
            return static_cast<long long>(0ull - static_cast<unsigned long long>(unary(depth + 1)));
        if (accept("+"))
            return unary(depth + 1);
        if (accept("!"))
            return !unary(depth + 1);
        if (accept("~"))
            return ~unary(depth + 1);
        if (accept("(")) {
            long long v = conditional(depth + 1);
            if (!accept(")"))
                m_ok = false;
            return v;
        }
        if (m_pos >= m_tokens.size()) {
            m_ok = false;
            return 0;
        }
        const Token& t = m_tokens[m_pos++];
        if (t.kind == Token::Identifier)
            return t.text == "true" ? 1 : 0; // undefined names are 0
        if (t.kind == Token::Number) {
            const char* s = t.text.c_str();
            char* end = nullptr;
            unsigned long long v = std::strtoull(s, &end, 0);
            return static_cast<long long>(v);
        }
        m_ok = false;
        return 0;
    }

    const std::vector<Token>& m_tokens;
    size_t m_pos = 0;
    bool m_ok = true;
};

bool Preprocessor::evaluate(std::vector<Token> tokens, long long& value, int file, int line)
{
    // `defined X` and `defined(X)` are resolved before expansion.
    std::vector<Token> resolved;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].text == "defined") {
            size_t j = i + 1;
            bool paren = j < tokens.size() && tokens[j].text == "(";
            if (paren)
                ++j;
            if (j >= tokens.size() || tokens[j].kind != Token::Identifier) {
                m_messages.error(where(file, line), 1507, "invalid 'defined' in #if");
                return false;
            }
            bool known = m_macros.count(tokens[j].text) > 0;
            if (paren) {
                ++j;
                if (j >= tokens.size() || tokens[j].text != ")") {
                    m_messages.error(where(file, line), 1507, "missing ')' after 'defined'");
                    return false;
                }
            }
            resolved.push_back({Token::Number, known ? "1" : "0", true});
            i = j;
            continue;
        }
        resolved.push_back(tokens[i]);
    }
    std::set<std::string> disabled;
    m_work = 0;
    std::vector<Token> expanded = expand(resolved, disabled, 0);
    ExpressionEvaluator evaluator(expanded);
    if (expanded.empty() || !evaluator.run(value)) {
        m_messages.error(where(file, line), 1507, "invalid expression in #if");
        return false;
    }
    return true;
}

bool Preprocessor::directive(const std::string& line, int file, int number, int depth, std::vector<Conditional>& stack)
{
    std::vector<Token> tokens = tokenize(line);
    // tokens[0] is "#".
    std::string name = tokens.size() > 1 ? tokens[1].text : "";
    std::vector<Token> rest(tokens.size() > 2 ? tokens.begin() + 2 : tokens.end(), tokens.end());
    bool active = stack.empty() || stack.back().active;

    if (name == "if" || name == "ifdef" || name == "ifndef") {
        Conditional c{false, false, active, false};
        if (active) {
            long long value = 0;
            if (name == "if") {
                if (!evaluate(rest, value, file, number))
                    return false;
            } else {
                if (rest.empty() || rest[0].kind != Token::Identifier) {
                    m_messages.error(where(file, number), 1507, "#" + name + " needs a macro name");
                    return false;
                }
                value = (m_macros.count(rest[0].text) > 0) == (name == "ifdef");
            }
            c.active = value != 0;
            c.taken = c.active;
        }
        stack.push_back(c);
        return true;
    }
    if (name == "elif" || name == "else") {
        if (stack.empty() || stack.back().sawElse) {
            m_messages.error(where(file, number), 1507, "unexpected #" + name);
            return false;
        }
        Conditional& c = stack.back();
        if (name == "else") {
            c.sawElse = true;
            c.active = c.parentActive && !c.taken;
            c.taken = c.taken || c.active;
            return true;
        }
        if (!c.parentActive || c.taken) {
            c.active = false;
            return true;
        }
        long long value = 0;
        if (!evaluate(rest, value, file, number))
            return false;
        c.active = value != 0;
        c.taken = c.active;
        return true;
    }
    if (name == "endif") {
        if (stack.empty()) {
            m_messages.error(where(file, number), 1507, "unexpected #endif");
            return false;
        }
        stack.pop_back();
        return true;
    }
    if (!active)
        return true;
    if (name == "define") {
        if (rest.empty() || rest[0].kind != Token::Identifier) {
            m_messages.error(where(file, number), 1507, "#define needs a macro name");
            return false;
        }
        Macro m;
        size_t i = 1;
        if (rest.size() > 1 && rest[1].text == "(" && !rest[1].spaceBefore) {
            m.function = true;
            i = 2;
            bool closed = false;
            while (i < rest.size()) {
                const Token& p = rest[i++];
                if (p.text == ")") {
                    closed = true;
                    break;
                }
                if (p.text == ",")
                    continue;
                if (p.text == "..." || (p.text == "." && i + 1 < rest.size())) {
                    m.variadic = true;
                    m.params.push_back("__VA_ARGS__");
                    while (i < rest.size() && rest[i].text == ".")
                        ++i;
                    continue;
                }
                if (p.kind != Token::Identifier) {
                    m_messages.error(where(file, number), 1507, "invalid macro parameter list");
                    return false;
                }
                m.params.push_back(p.text);
            }
            if (!closed) {
                m_messages.error(where(file, number), 1507, "missing ')' in macro parameter list");
                return false;
            }
        }
        m.body.assign(rest.begin() + static_cast<long>(i), rest.end());
        m_macros[rest[0].text] = std::move(m);
        return true;
    }
    if (name == "undef") {
        if (!rest.empty())
            m_macros.erase(rest[0].text);
        return true;
    }
    if (name == "include") {
        std::string fileName;
        D3DXINCLUDE_TYPE type = D3DXINC_LOCAL;
        if (!rest.empty() && rest[0].kind == Token::String && rest[0].text.size() >= 2 && rest[0].text[0] == '"') {
            fileName = rest[0].text.substr(1, rest[0].text.size() - 2);
        } else if (!rest.empty() && rest[0].text == "<") {
            size_t open = line.find('<'), close = line.find('>', open + 1);
            if (close != std::string::npos)
                fileName = line.substr(open + 1, close - open - 1);
            type = D3DXINC_SYSTEM;
        }
        if (fileName.empty()) {
            m_messages.error(where(file, number), 1507, "#include needs a file name");
            return false;
        }
        if (depth >= kMaxIncludeDepth) {
            m_messages.error(where(file, number), 1507, "#include nested too deeply: '" + fileName + "'");
            return false;
        }
        LPCVOID data = nullptr;
        UINT bytes = 0;
        if (!m_include || FAILED(m_include->Open(type, fileName.c_str(), nullptr, &data, &bytes)) || !data) {
            m_messages.error(where(file, number), 1507, "failed to open source file: '" + fileName + "'");
            return false;
        }
        const char* chars = static_cast<const char*>(data);
        size_t length = strnlen(chars, bytes);
        std::string text(chars, length);
        m_include->Close(data);
        m_out.files.push_back(fileName);
        int index = static_cast<int>(m_out.files.size() - 1);
        // The directive's own line stays in the output as a blank line.
        emit("", file, number);
        return run(text, index, depth + 1);
    }
    if (name == "pragma") {
        emit(line, file, number);
        return true;
    }
    if (name == "error") {
        m_messages.error(where(file, number), 1503, "#error: " + join(rest));
        return false;
    }
    if (name == "line" || name.empty())
        return true;
    m_messages.error(where(file, number), 1507, "invalid preprocessor command '" + name + "'");
    return false;
}

bool Preprocessor::run(const std::string& source, int file, int depth)
{
    std::string text = stripComments(source);
    std::vector<Conditional> stack;
    size_t pos = 0;
    int number = 0;
    bool ok = true;
    while (pos <= text.size() && ok && !m_tooLarge) {
        if (pos == text.size())
            break;
        // A logical line: physical lines joined by backslash-newline.
        int first = number + 1;
        std::string line;
        int physical = 0;
        for (;;) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos)
                end = text.size();
            std::string part = text.substr(pos, end - pos);
            if (!part.empty() && part.back() == '\r')
                part.pop_back();
            pos = end < text.size() ? end + 1 : end;
            ++physical;
            if (!part.empty() && part.back() == '\\' && pos < text.size()) {
                part.pop_back();
                line += part;
                continue;
            }
            line += part;
            break;
        }
        number += physical;
        size_t firstChar = line.find_first_not_of(" \t");
        bool isDirective = firstChar != std::string::npos && line[firstChar] == '#';
        size_t outputBefore = m_out.lines.size();
        if (isDirective) {
            ok = directive(line.substr(firstChar), file, first, depth, stack);
            // Lines of an included file were emitted; the directive itself keeps its place.
            if (m_out.lines.size() == outputBefore)
                emit("", file, first);
        } else if (stack.empty() || stack.back().active) {
            std::set<std::string> disabled;
            m_expansionError = false;
            m_expandedAny = false;
            m_work = 0;
            std::vector<Token> expanded = expand(tokenize(line), disabled, 0);
            if (m_expansionError) {
                m_messages.error(where(file, first), 1507, "invalid macro invocation");
                ok = false;
            }
            // Lines without macros stay as written, so columns in later messages match.
            emit(m_expandedAny ? line.substr(0, firstChar == std::string::npos ? 0 : firstChar) + join(expanded) : line,
                 file, first);
        } else {
            emit("", file, first);
        }
        for (int extra = 1; extra < physical; ++extra)
            emit("", file, first + extra);
    }
    if (ok && !stack.empty()) {
        m_messages.error(where(file, number), 1507, "unexpected end of file in a conditional block");
        ok = false;
    }
    return ok && !m_tooLarge;
}

} // namespace

bool preprocess(const char* data, size_t size, const std::string& mainName, const D3DXMACRO* defines,
                ID3DXInclude* include, PreprocessedSource& out, Messages& messages)
{
    out = PreprocessedSource();
    out.files.push_back(mainName);
    Preprocessor p(include, out, messages);
    for (const D3DXMACRO* d = defines; d && d->Name; ++d)
        p.define(d->Name, d->Definition ? d->Definition : "");
    std::string text(data ? data : "", data ? strnlen(data, size) : 0);
    bool ok = p.run(text, 0, 0);
    return ok && !messages.hasErrors();
}

} // namespace D3DXEffects
