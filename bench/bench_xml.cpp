// Reading and writing a document of about 5 MB held in memory.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <benchmark/benchmark.h>

#include <string>

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
        // Size one batch, then add enough objects for a file of about 5 MB
        // (two bytes per character in UTF-16).
        const int batch = 1000;
        addObjects(0, batch);
        const std::size_t perBatch = root.toText().size();
        const std::size_t wanted = 5u * 1024 * 1024 / 2;
        addObjects(batch, static_cast<int>(wanted / perBatch) * batch);
        std::wstring probe = root.toText();
        // A few comments, as hand-edited files carry them.
        probe.insert(probe.find(L"<OBJECT"), L"<!-- generated for the benchmark -->\n");
        return probe;
    }();
    return text;
}

void BM_XMLLoad(benchmark::State& state)
{
    Ulvo::logSwitch() = 0;
    const std::wstring& text = document();
    for (auto _ : state) {
        Ulvo::XMLNode node;
        bool ok = Ulvo::XMLNode::load(&node, text, 1);
        benchmark::DoNotOptimize(ok);
    }
    // Counted as the document's size on disk (UTF-16).
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size() * 2));
    state.counters["chars"] = static_cast<double>(text.size());
}
BENCHMARK(BM_XMLLoad)->Unit(benchmark::kMillisecond);

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
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_XMLSaveToString)->Unit(benchmark::kMillisecond);

} // namespace
