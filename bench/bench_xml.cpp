// Reading and writing a document of a few megabytes. The reader runs side by
// side with pugixml on the same file bytes, once stored as single bytes and
// once as UTF-16LE with a byte-order mark; both read the file the way a loader
// does (from the page cache) and build their whole tree.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

// Objects with attributes, value lists and nested parts, much like the
// game's scene and profile files, repeated to the wanted size.
const std::wstring& document()
{
    static const std::wstring text = [] {
        Ulvo::XMLNode root(L"SCENE");
        root.addAttribute(new Ulvo::XMLAttribute(L"VERSION", 3));
        auto addObjects = [&root](int first, int count) {
            for (int object = first; object < first + count; ++object) {
                auto* node = new Ulvo::XMLNode(L"OBJECT");
                node->addAttribute(new Ulvo::XMLAttribute(L"NAME", L"object_" + std::to_wstring(object)));
                node->addAttribute(new Ulvo::XMLAttribute(L"VISIBLE", object % 3 != 0));
                node->addAttribute(new Ulvo::XMLAttribute(L"SCALE", 0.25 * object));
                auto* position = new Ulvo::XMLNode(L"POSITION");
                position->addProperty(new Ulvo::XMLProperty(object * 1.5));
                position->addProperty(new Ulvo::XMLProperty(-object * 0.75));
                position->addProperty(new Ulvo::XMLProperty(object / 3.0));
                node->addNode(position);
                auto* material = new Ulvo::XMLNode(L"MATERIAL");
                material->addAttribute(new Ulvo::XMLAttribute(L"TEXTURE", L"data\\textures\\stone.dds"));
                auto* colour = new Ulvo::XMLNode(L"COLOUR");
                auto* hex = new Ulvo::XMLAttribute(L"ARGB", L"");
                hex->setHex(static_cast<int>(0xFF336699u + static_cast<unsigned>(object)));
                colour->addAttribute(hex);
                material->addNode(colour);
                material->addProperty(new Ulvo::XMLProperty(L"1 2 3 4 5 6 7 8"));
                node->addNode(material);
                root.addNode(node);
            }
        };
        // 12,000 objects: 48,001 nodes and 60,001 attributes.
        addObjects(0, 12000);
        std::wstring probe = root.toText();
        // A few comments, as hand-edited files carry them.
        probe.insert(probe.find(L"<OBJECT"), L"<!-- generated for the benchmark -->\n");
        return probe;
    }();
    return text;
}

// The document as a file of single bytes and as a UTF-16LE file, written once
// into a temporary folder that goes at exit.
struct Files {
    fs::path folder;
    fs::path previous;
    std::wstring ascii;
    std::wstring utf16;
    std::size_t asciiBytes = 0;
    std::size_t utf16Bytes = 0;

    Files()
    {
        Ulvo::logSwitch() = 0;
        folder = fs::temp_directory_path() / ("ulvo-bench-xml-" + std::to_string(std::random_device()()));
        fs::create_directories(folder);
        // Data files are named relative to the runtime folder, as the game names them.
        previous = fs::current_path();
        fs::current_path(folder);
        const std::wstring& text = document();
        std::string narrow;
        std::string wide = "\xFF\xFE";
        for (wchar_t c : text) {
            narrow += static_cast<char>(c);
            wide += static_cast<char>(c & 0xFF);
            wide += static_cast<char>((c >> 8) & 0xFF);
        }
        ascii = write("ascii.xml", narrow);
        utf16 = write("utf16.xml", wide);
        asciiBytes = narrow.size();
        utf16Bytes = wide.size();
    }

    ~Files()
    {
        std::error_code ignored;
        fs::current_path(previous, ignored);
        fs::remove_all(folder, ignored);
    }

    static std::wstring write(const char* name, const std::string& bytes)
    {
        FILE* file = std::fopen(name, "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        return fs::path(name).wstring();
    }
};

Files& files()
{
    static Files instance;
    return instance;
}

void report(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void readOurs(benchmark::State& state, const std::wstring& path, std::size_t bytes)
{
    for (auto _ : state) {
        Ulvo::XMLNode node;
        if (!Ulvo::XMLNode::load(&node, path, 0) || node.getNodeCount() != 12000)
            state.SkipWithError("document not read");
        benchmark::DoNotOptimize(node.getNodes().data());
    }
    report(state, bytes);
}

void readPugi(benchmark::State& state, const std::wstring& path, std::size_t bytes)
{
    const std::string narrowPath(path.begin(), path.end());
    for (auto _ : state) {
        pugi::xml_document document;
        const pugi::xml_parse_result result = document.load_file(narrowPath.c_str());
        if (!result)
            state.SkipWithError(result.description());
        benchmark::DoNotOptimize(document.first_child().internal_object());
    }
    report(state, bytes);
}

void BM_XMLReadAscii(benchmark::State& state)
{
    readOurs(state, files().ascii, files().asciiBytes);
}
BENCHMARK(BM_XMLReadAscii)->Unit(benchmark::kMillisecond);

void BM_PugiReadAscii(benchmark::State& state)
{
    readPugi(state, files().ascii, files().asciiBytes);
}
BENCHMARK(BM_PugiReadAscii)->Unit(benchmark::kMillisecond);

void BM_XMLReadUtf16(benchmark::State& state)
{
    readOurs(state, files().utf16, files().utf16Bytes);
}
BENCHMARK(BM_XMLReadUtf16)->Unit(benchmark::kMillisecond);

void BM_PugiReadUtf16(benchmark::State& state)
{
    readPugi(state, files().utf16, files().utf16Bytes);
}
BENCHMARK(BM_PugiReadUtf16)->Unit(benchmark::kMillisecond);

// The text form, as the configuration code and tests read documents.
void BM_XMLLoadText(benchmark::State& state)
{
    Ulvo::logSwitch() = 0;
    const std::wstring& text = document();
    for (auto _ : state) {
        Ulvo::XMLNode node;
        bool ok = Ulvo::XMLNode::load(&node, text, 1);
        benchmark::DoNotOptimize(ok);
    }
    // Counted as the document's size on disk (UTF-16).
    report(state, text.size() * 2);
}
BENCHMARK(BM_XMLLoadText)->Unit(benchmark::kMillisecond);

void BM_XMLSaveToString(benchmark::State& state)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode node;
    Ulvo::XMLNode::load(&node, document(), 1);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string utf16;
        node.write(utf16, 0);
        bytes = utf16.size();
        benchmark::DoNotOptimize(utf16.data());
    }
    report(state, bytes);
}
BENCHMARK(BM_XMLSaveToString)->Unit(benchmark::kMillisecond);

} // namespace
