// datatool: turns the repository's data folder into the runtime form.
//   datatool build SRC_DIR OUT_DIR
// Files in the engine's XML-like formats are read as UTF-8 and written the way
// the engine writes them (UTF-16LE with a byte-order mark, tabs, LF); every
// other file is copied. SRC_DIR/x lands in OUT_DIR/data/x, except
// SRC_DIR/_root/x, which lands in OUT_DIR/x (files the program expects in its
// working folder). Outputs are rewritten only when their bytes change.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Extensions of the engine's XML-like formats.
constexpr std::array<const char*, 21> kXmlExtensions = {
    "cfg", "fxf", "rp",  "fnt", "lng", "lay", "tex", "ani", "gui", "menu", "snd",
    "roh", "bon", "par", "geb", "kat", "lch", "lvl", "min", "msh", "xml",
};

bool isXmlFormat(const fs::path& file)
{
    std::string extension = file.extension().string();
    if (extension.empty())
        return false;
    extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return std::find(kXmlExtensions.begin(), kXmlExtensions.end(), extension) != kXmlExtensions.end();
}

bool readWholeFile(const fs::path& path, std::vector<unsigned char>& bytes)
{
    bytes.clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    unsigned char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool writeWholeFile(const fs::path& path, const std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Strict UTF-8 decoding: false on malformed, overlong or surrogate sequences.
bool utf8ToWide(std::string_view text, std::wstring& wide)
{
    wide.clear();
    wide.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        if (extra < 0 || lead > 0xF4 || i + static_cast<std::size_t>(extra) >= text.size())
            return false;
        uint32_t code = extra == 0 ? lead : lead & (0x3Fu >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        const uint32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (code < minimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        wide.push_back(static_cast<wchar_t>(code));
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::wstring toWide(const fs::path& path)
{
    std::wstring wide;
    utf8ToWide(path.string(), wide);
    return wide;
}

// Writes bytes to target unless it already holds exactly them.
bool updateFile(const fs::path& target, const std::vector<unsigned char>& bytes, bool& changed)
{
    std::vector<unsigned char> existing;
    std::error_code ec;
    if (fs::is_regular_file(target, ec) && readWholeFile(target, existing) && existing == bytes) {
        changed = false;
        return true;
    }
    changed = true;
    fs::create_directories(target.parent_path(), ec);
    const fs::path temporary = target.string() + ".datatool-new";
    if (!writeWholeFile(temporary, bytes)) {
        fs::remove(temporary, ec);
        return false;
    }
    fs::rename(temporary, target, ec);
    return !ec;
}

// The engine's on-disk form of one source document.
bool convertXml(const fs::path& source, const fs::path& scratch, std::vector<unsigned char>& out, std::string& error)
{
    std::vector<unsigned char> bytes;
    if (!readWholeFile(source, bytes)) {
        error = "cannot be read";
        return false;
    }
    std::size_t skip = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        skip = 3;
    std::wstring text;
    if (!utf8ToWide(std::string_view(reinterpret_cast<const char*>(bytes.data()) + skip, bytes.size() - skip), text)) {
        error = "is not valid UTF-8";
        return false;
    }
    Ulvo::XMLNode node;
    if (!Ulvo::XMLNode::load(&node, text, 1)) {
        error = "is not a well-formed document";
        return false;
    }
    // The engine's writer would change what it cannot write; a source must not need that.
    std::wstring problem;
    if (!node.isWritable(&problem)) {
        std::string narrow;
        for (wchar_t c : problem)
            narrow += c < 0x80 ? static_cast<char>(c) : '?';
        error = "holds what the engine's form cannot keep: " + narrow;
        return false;
    }
    std::error_code ec;
    fs::remove(scratch, ec);
    if (!Ulvo::XMLNode::save(&node, toWide(scratch), true) || !readWholeFile(scratch, out)) {
        fs::remove(scratch, ec);
        error = "could not be written in the engine's form";
        return false;
    }
    fs::remove(scratch, ec);
    return true;
}

int build(const fs::path& sourceDir, const fs::path& outDir)
{
    std::error_code ec;
    if (!fs::is_directory(sourceDir, ec)) {
        std::fprintf(stderr, "datatool: %s is not a folder\n", sourceDir.c_str());
        return 1;
    }
    fs::create_directories(outDir, ec);
    if (ec) {
        std::fprintf(stderr, "datatool: cannot create %s: %s\n", outDir.c_str(), ec.message().c_str());
        return 1;
    }
    // The engine's writer needs a file; it goes to the temp folder so nothing
    // half-written can ever end up in the runtime folder or the archive.
    const fs::path scratch =
        fs::temp_directory_path() / ("datatool-" + std::to_string(std::random_device()()) + ".xml");

    std::vector<fs::path> sources;
    for (fs::recursive_directory_iterator it(sourceDir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file())
            sources.push_back(it->path());
    }
    if (ec) {
        std::fprintf(stderr, "datatool: cannot read %s: %s\n", sourceDir.c_str(), ec.message().c_str());
        return 1;
    }
    std::sort(sources.begin(), sources.end());

    int failures = 0;
    int written = 0;
    for (const fs::path& source : sources) {
        const fs::path relative = fs::relative(source, sourceDir);
        fs::path target;
        auto first = relative.begin();
        if (first != relative.end() && *first == "_root") {
            target = outDir;
            for (auto part = std::next(first); part != relative.end(); ++part)
                target /= *part;
        } else {
            target = outDir / "data" / relative;
        }

        std::vector<unsigned char> bytes;
        std::string error;
        if (isXmlFormat(source)) {
            if (!convertXml(source, scratch, bytes, error)) {
                std::fprintf(stderr, "datatool: %s %s\n", source.c_str(), error.c_str());
                ++failures;
                continue;
            }
        } else if (!readWholeFile(source, bytes)) {
            std::fprintf(stderr, "datatool: %s cannot be read\n", source.c_str());
            ++failures;
            continue;
        }
        bool changed = false;
        if (!updateFile(target, bytes, changed)) {
            std::fprintf(stderr, "datatool: cannot write %s\n", target.c_str());
            ++failures;
            continue;
        }
        written += changed ? 1 : 0;
    }
    if (failures > 0) {
        std::fprintf(stderr, "datatool: %d file(s) failed\n", failures);
        return 1;
    }
    std::printf("datatool: %zu file(s), %d updated\n", sources.size(), written);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The parser's and writer's log lines belong to the game's runs, not to the build.
    Ulvo::logSwitch() = 0;
    if (argc == 4 && std::string(argv[1]) == "build")
        return build(argv[2], argv[3]);
    std::fprintf(stderr, "usage: datatool build SRC_DIR OUT_DIR\n");
    return 2;
}
