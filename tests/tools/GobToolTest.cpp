#include "foundation/files/File.h"
#include "foundation/files/GOBFile.h"
#include "foundation/files/GOBOrder.h"
#include "foundation/logging/Logger.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>

namespace fs = std::filesystem;
using TestSupport::readBytes;
using TestSupport::readText;
using TestSupport::TempDir;
using TestSupport::writeBytes;
using TestSupport::writeText;

namespace {

using Bytes = std::vector<uint8_t>;

struct ToolRun {
    int code = -1;
    std::string output; // standard output and error together
};

ToolRun runTool(const std::string& tool, const std::vector<std::string>& arguments, const fs::path& scratch)
{
    std::string command = "'" + (TestSupport::binDir() / tool).string() + "'";
    for (const std::string& argument : arguments)
        command += " '" + argument + "'";
    const fs::path output = scratch / "tool-output.txt";
    command += " >'" + output.string() + "' 2>&1";
    ToolRun run;
    const int status = std::system(command.c_str());
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = readText(output);
    fs::remove(output);
    return run;
}

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// Archive bytes with the given stored names (and data "x" each).
Bytes archiveWithNames(const std::vector<std::string>& names)
{
    Bytes out = {'G', 'O', 'B', 0};
    out.resize(8 + 268 * names.size(), 0);
    auto put32 = [&out](std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(4, static_cast<uint32_t>(names.size()));
    const std::size_t dataAt = out.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
        put32(8 + 268 * i, static_cast<uint32_t>(dataAt + i));
        put32(8 + 268 * i + 4, 1);
        std::memcpy(out.data() + 8 + 268 * i + 8, names[i].data(), names[i].size());
    }
    out.insert(out.end(), names.size(), 'x');
    return out;
}

} // namespace

TEST(GobTool, PackListExtractRoundTrip)
{
    TempDir dir;
    const fs::path source = dir / "src";
    Bytes binary;
    for (int i = 0; i < 600; ++i)
        binary.push_back(static_cast<uint8_t>(i * 7));
    writeBytes(source / "Data" / "FX" / "Effecte.fxf", binary);
    writeBytes(source / "data" / "Menu" / "rects.tex", bytesOf("a\r\nb\x1A"));
    writeBytes(source / "Top.LAY", bytesOf("top"));
    writeBytes(source / "empty.bin", {});
    writeBytes(source / "logs" / "UlvoFile.log", bytesOf("not data"));
    // The archive being written and an old one in the same place are left out.
    writeBytes(source / "Lumaro.gob", bytesOf("old archive"));

    const fs::path archive = source / "Lumaro.gob";
    ToolRun pack = runTool("gobtool", {"pack", source.string(), archive.string()}, dir.path());
    ASSERT_EQ(pack.code, 0) << pack.output;

    ToolRun list = runTool("gobtool", {"list", archive.string()}, dir.path());
    ASSERT_EQ(list.code, 0) << list.output;
    // Sorted by stored name; printed lower-cased, as the engine sees them.
    const std::string expected[] = {"data\\fx\\effecte.fxf", "data\\menu\\rects.tex", "empty.bin", "top.lay"};
    std::size_t at = 0;
    for (const std::string& name : expected) {
        at = list.output.find(name + "\n", at);
        EXPECT_NE(at, std::string::npos) << name << " in\n" << list.output;
    }
    EXPECT_EQ(list.output.find("logs"), std::string::npos);
    EXPECT_EQ(list.output.find("lumaro.gob"), std::string::npos);
    EXPECT_NE(list.output.find("       600 "), std::string::npos);

    const fs::path out = dir / "out";
    ToolRun extract = runTool("gobtool", {"extract", archive.string(), out.string()}, dir.path());
    ASSERT_EQ(extract.code, 0) << extract.output;
    EXPECT_EQ(readBytes(out / "data" / "fx" / "effecte.fxf"), binary);
    EXPECT_EQ(readBytes(out / "data" / "menu" / "rects.tex"), bytesOf("a\r\nb\x1A"));
    EXPECT_EQ(readBytes(out / "top.lay"), bytesOf("top"));
    EXPECT_TRUE(fs::is_regular_file(out / "empty.bin"));
    EXPECT_EQ(fs::file_size(out / "empty.bin"), 0u);

    // The engine reads the packed archive too.
    Ulvo::logSwitch() = 0;
    Ulvo::GOBFile gob(L"BASEGOB", archive.wstring(), 0);
    Ulvo::GOBOrder order;
    order.getSlots() = {&gob};
    Ulvo::File file(L"fx");
    ASSERT_TRUE(file.loadFile(L"Data\\FX\\Effecte.fxf", &order));
    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(file.getFILE_DATA(buffer, size));
    EXPECT_EQ(Bytes(buffer, buffer + size), binary);
    delete[] buffer;
    Ulvo::logSwitch() = 1;
}

TEST(GobTool, RefusesWhatTheArchiveCannotHoldOrShouldNotWrite)
{
    TempDir dir;
    // A stored name of 260 bytes or more does not fit in the table.
    const fs::path longSource = dir / "long";
    writeBytes(longSource / std::string(100, 'd') / std::string(159, 'f'), bytesOf("x")); // 260 bytes
    ToolRun tooLong = runTool("gobtool", {"pack", longSource.string(), (dir / "long.gob").string()}, dir.path());
    EXPECT_NE(tooLong.code, 0);
    EXPECT_NE(tooLong.output.find("260 bytes"), std::string::npos) << tooLong.output;
    EXPECT_FALSE(fs::exists(dir / "long.gob"));

    ToolRun empty = runTool("gobtool", {"pack", (dir / "nothing").string(), (dir / "e.gob").string()}, dir.path());
    EXPECT_NE(empty.code, 0);

    // Entries that would land outside the target folder.
    for (const std::string& name : {std::string("..\\evil.txt"), std::string("a\\..\\..\\evil.txt"),
                                    std::string("\\abs.txt"), std::string("c:\\abs.txt")}) {
        SCOPED_TRACE(name);
        writeBytes(dir / "evil.gob", archiveWithNames({"fine.txt", name}));
        ToolRun run =
            runTool("gobtool", {"extract", (dir / "evil.gob").string(), (dir / "x" / "y").string()}, dir.path());
        EXPECT_NE(run.code, 0);
        EXPECT_NE(run.output.find("refusing"), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(dir / "x" / "evil.txt"));
        EXPECT_FALSE(fs::exists(dir / "x" / "y" / "fine.txt"));
    }

    // Archives the engine would reject are rejected with the reason.
    Bytes bad = archiveWithNames({"a.txt"});
    bad[3] = 'X';
    writeBytes(dir / "bad.gob", bad);
    ToolRun list = runTool("gobtool", {"list", (dir / "bad.gob").string()}, dir.path());
    EXPECT_NE(list.code, 0);
    EXPECT_NE(list.output.find("magic"), std::string::npos) << list.output;
    Bytes cut = archiveWithNames({"a.txt", "b.txt"});
    cut.resize(8 + 268 + 10);
    writeBytes(dir / "cut.gob", cut);
    EXPECT_NE(runTool("gobtool", {"extract", (dir / "cut.gob").string(), (dir / "c").string()}, dir.path()).code, 0);

    EXPECT_NE(runTool("gobtool", {"unpack"}, dir.path()).code, 0);
}

TEST(GobTool, ExtractionNeverFollowsLinksAlreadyInTheTargetFolder)
{
    TempDir dir;
    writeBytes(dir / "evil.gob", archiveWithNames({"a.txt", "sub\\b.txt", "c.txt"}));
    writeText(dir / "outside" / "victim.txt", "kept");
    const fs::path out = dir / "out";
    fs::create_directories(out);
    fs::create_symlink(dir / "outside" / "victim.txt", out / "a.txt");
    fs::create_symlink(dir / "outside", out / "sub");
    ToolRun run = runTool("gobtool", {"extract", (dir / "evil.gob").string(), out.string()}, dir.path());
    EXPECT_NE(run.code, 0);
    EXPECT_NE(run.output.find("refusing a.txt"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("refusing sub/b.txt"), std::string::npos) << run.output;
    EXPECT_EQ(readText(dir / "outside" / "victim.txt"), "kept");
    EXPECT_FALSE(fs::exists(dir / "outside" / "b.txt"));
    // The other entries are still written.
    EXPECT_EQ(readText(out / "c.txt"), "x");
}

TEST(DataTool, BuildsTheRuntimeForm)
{
    TempDir dir;
    const fs::path source = dir / "data";
    writeText(source / "_root" / "tastaturlayout.lay",
              "<!-- comment -->\n<LAYOUT NAME=\"de\">\n\t<KEY CODE=\"1\"/>\n</LAYOUT>\n");
    writeText(source / "Menu" / "menu.TEX", "<TEXTURES>\"|Gr\xC3\xBC\xC3\x9F"
                                            "e \xE2\x82\xAC|\"</TEXTURES>");
    writeBytes(source / "Sounds" / "raw.bin", {0x00, 0xFF, 0x0D, 0x0A, 0x1A});

    const fs::path out = dir / "run";
    ToolRun build = runTool("datatool", {"build", source.string(), out.string()}, dir.path());
    ASSERT_EQ(build.code, 0) << build.output;

    EXPECT_EQ(readBytes(out / "tastaturlayout.lay"),
              TestSupport::utf16le(L"<LAYOUT NAME=\"de\">\n\t<KEY CODE=\"1\"/>\n</LAYOUT>", true));
    EXPECT_EQ(readBytes(out / "data" / "Menu" / "menu.TEX"),
              TestSupport::utf16le(L"<TEXTURES> \"|Gr\u00FC\u00DFe \u20AC|\" </TEXTURES>", true));
    EXPECT_EQ(readBytes(out / "data" / "Sounds" / "raw.bin"), (Bytes{0x00, 0xFF, 0x0D, 0x0A, 0x1A}));
    EXPECT_FALSE(fs::exists(out / "data" / "_root"));

    // A second run with nothing changed rewrites nothing.
    const auto stamp = fs::last_write_time(out / "tastaturlayout.lay");
    fs::last_write_time(out / "tastaturlayout.lay", stamp - std::chrono::hours(1));
    ASSERT_EQ(runTool("datatool", {"build", source.string(), out.string()}, dir.path()).code, 0);
    EXPECT_EQ(fs::last_write_time(out / "tastaturlayout.lay"), stamp - std::chrono::hours(1));

    // Broken sources fail the build and are named.
    writeText(source / "broken.gui", "no tags at all");
    ToolRun broken = runTool("datatool", {"build", source.string(), out.string()}, dir.path());
    EXPECT_NE(broken.code, 0);
    EXPECT_NE(broken.output.find("broken.gui"), std::string::npos) << broken.output;
    fs::remove(source / "broken.gui");
    writeText(source / "latin1.cfg", "<CFG V=\"\xE4\"/>");
    ToolRun latin1 = runTool("datatool", {"build", source.string(), out.string()}, dir.path());
    EXPECT_NE(latin1.code, 0);
    EXPECT_NE(latin1.output.find("latin1.cfg is not valid UTF-8"), std::string::npos) << latin1.output;
}

TEST(RuntimeData, FolderHoldsTheArchiveAndTheEngineForms)
{
    const fs::path run = TestSupport::runtimeDir();
    const fs::path data = TestSupport::sourceDir() / "data";
    ASSERT_TRUE(fs::is_regular_file(run / "Lumaro.gob")) << run;

    Ulvo::logSwitch() = 0;
    Ulvo::GOBFile gob(L"BASEGOB", (run / "Lumaro.gob").wstring(), 0);
    ASSERT_FALSE(gob.getEntries().empty());
    Ulvo::GOBOrder archiveOnly;
    archiveOnly.getSlots() = {&gob};

    int xmlFiles = 0;
    for (const auto& item : fs::recursive_directory_iterator(data)) {
        if (!item.is_regular_file() || item.path().extension() != ".tex")
            continue;
        ++xmlFiles;
        const fs::path relative = fs::relative(item.path(), data);
        const Bytes runtime = readBytes(run / "data" / relative);
        ASSERT_GE(runtime.size(), 2u) << relative;
        EXPECT_EQ(runtime[0], 0xFF);
        EXPECT_EQ(runtime[1], 0xFE);

        // The archive holds the same bytes under "data\...".
        std::wstring name = L"data\\" + relative.wstring();
        for (wchar_t& c : name)
            c = c == L'/' ? L'\\' : c;
        Ulvo::File file(L"entry");
        ASSERT_TRUE(file.loadFile(name, &archiveOnly)) << relative;
        unsigned char* buffer = nullptr;
        uint32_t size = 0;
        ASSERT_TRUE(file.getFILE_DATA(buffer, size));
        EXPECT_EQ(Bytes(buffer, buffer + size), runtime) << relative;
        delete[] buffer;
    }
    EXPECT_GE(xmlFiles, 7);
    EXPECT_FALSE(gob.FileExists(L"Lumaro.gob"));
    Ulvo::logSwitch() = 1;
}
