#pragma once
// The effect preprocessor: #define (object- and function-like, # and ##), #undef, #if/#ifdef/
// #ifndef/#elif/#else/#endif with integer expressions, #include through ID3DXInclude, #error.
// Its output keeps one line per source line (included files are spliced in) and a map from
// output lines back to file and line, so later stages can report the effect file's own lines.
#include <d3dx9shader.h>

#include <string>
#include <vector>

namespace D3DXEffects {

struct SourceLine {
    int file = 0; // index into PreprocessedSource::files
    int line = 0; // 1-based line in that file
};

struct PreprocessedSource {
    std::string text;
    std::vector<std::string> files; // 0 is the effect itself
    std::vector<SourceLine> lines;  // one per line of `text`

    // "file(line,col)" for a line of `text` (0-based) and a 1-based column.
    std::string where(size_t outputLine, int column) const;
};

// Collects messages in D3DX's form: "file(line,col): error X1000: text".
class Messages {
public:
    void error(const std::string& where, int code, const std::string& text);
    void warning(const std::string& where, int code, const std::string& text);
    void append(const std::string& line);
    bool hasErrors() const { return m_errors > 0; }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
    int m_errors = 0;
};

// Text up to the first NUL or `size`. False with messages on errors; the output is then
// unusable.
bool preprocess(const char* data, size_t size, const std::string& mainName, const D3DXMACRO* defines,
                ID3DXInclude* include, PreprocessedSource& out, Messages& messages);

} // namespace D3DXEffects
