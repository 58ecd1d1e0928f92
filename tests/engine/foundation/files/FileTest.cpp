#include "foundation/files/File.h"
#include "foundation/files/GOBFile.h"
#include "foundation/files/GOBManager.h"
#include "foundation/xml/XMLNode.h"

#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <utility>

using namespace Ulvo;
using TestSupport::utf16le;
using TestSupport::writeBytes;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// A well-formed archive holding the given (stored name, data) pairs.
Bytes makeArchive(const std::vector<std::pair<std::string, Bytes>>& entries)
{
    // Sized at once: growing a four-byte start makes g++ 12 warn of a copy out of its bounds.
    Bytes out(8 + 268 * entries.size(), 0);
    std::memcpy(out.data(), "GOB", 3);
    auto put32 = [](Bytes& to, std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            to[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(out, 4, static_cast<uint32_t>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = 8 + 268 * i;
        put32(out, at, static_cast<uint32_t>(out.size()));
        put32(out, at + 4, static_cast<uint32_t>(entries[i].second.size()));
        std::memcpy(out.data() + at + 8, entries[i].first.data(), entries[i].first.size());
        out.insert(out.end(), entries[i].second.begin(), entries[i].second.end());
    }
    return out;
}

// A working folder with "Lumaro.gob" registered as "BASEGOB" and the default
// order disk-then-archive, as at start-up.
class FileWithArchive : public ::testing::Test {
protected:
    void open(const std::vector<std::pair<std::string, Bytes>>& entries)
    {
        writeBytes(m_logs.folder() / "Lumaro.gob", makeArchive(entries));
        GOBManager::getInstance()->clear();
        GOBManager::getInstance()->addGOBFile(new GOBFile(L"BASEGOB", L"Lumaro.gob", 0));
        GOBManager::getInstance()->createDefaultOrder(0);
        m_order = GOBManager::getInstance()->getGOBOrder(L"DEFAULT");
    }
    void TearDown() override { GOBManager::getInstance()->clear(); }

    std::wstring text(const std::wstring& name)
    {
        File file(L"test");
        EXPECT_TRUE(file.loadFile(name, m_order)) << std::string(name.begin(), name.end());
        return file.getFILE_DATA();
    }

    LogCapture m_logs;
    GOBOrder* m_order = nullptr;
};

} // namespace

TEST_F(FileWithArchive, DiskComesFirstThenTheArchive)
{
    open({{"Data\\Menu\\X.tex", bytesOf("archive")}, {"data\\only.txt", bytesOf("only in archive")}});
    writeBytes(m_logs.folder() / "data" / "menu" / "x.tex", bytesOf("disk"));

    ASSERT_EQ(m_order->getSlots().size(), 2u);
    EXPECT_EQ(m_order->getSlots()[0], nullptr);
    // Any other order name gives the default order.
    EXPECT_EQ(GOBManager::getInstance()->getGOBOrder(L"NO_SUCH_ORDER"), m_order);

    // Mixed case and backslashes find data/menu/x.tex on disk, ahead of the archive.
    EXPECT_EQ(text(L"Data\\Menu\\X.tex"), L"disk");
    EXPECT_EQ(text(L"data\\only.txt"), L"only in archive");

    File missing(L"missing");
    EXPECT_FALSE(missing.loadFile(L"data\\nothing.txt", m_order));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_EQ(missing.getFILE_DATA(), L"");
    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    EXPECT_FALSE(missing.getFILE_DATA(buffer, size));
    EXPECT_EQ(buffer, nullptr);

    // A failed lookup also lets go of what an earlier one had found.
    File reused(L"reused");
    ASSERT_TRUE(reused.loadFile(L"data\\only.txt", m_order));
    EXPECT_FALSE(reused.loadFile(L"data\\nothing.txt", m_order));
    EXPECT_FALSE(reused.isOpen());

    // No order, or an order without slots, finds nothing.
    EXPECT_FALSE(reused.loadFile(L"data\\only.txt", nullptr));
    GOBOrder empty;
    empty.getSlots().clear();
    EXPECT_FALSE(reused.loadFile(L"data\\only.txt", &empty));

    EXPECT_NE(m_logs.text("UlvoFile.log").find("File not found data\\nothing.txt"), std::string::npos);
    EXPECT_NE(m_logs.text("UlvoFile.log").find("File found in Gob: BASEGOB"), std::string::npos);
}

TEST_F(FileWithArchive, APipeOnDiskIsPassedOverWithALogLine)
{
    open({{"data\\FX\\tint.fx", bytesOf("archive")}});
    std::filesystem::create_directories(m_logs.folder() / "data" / "FX");
    ASSERT_EQ(mkfifo((m_logs.folder() / "data" / "FX" / "tint.fx").c_str(), 0644), 0);
    // Opening the pipe would wait for a writer for ever.
    EXPECT_EQ(text(L"data\\FX\\tint.fx"), L"archive");
    EXPECT_NE(m_logs.text("UlvoFile.log").find("File data\\FX\\tint.fx is no regular file"), std::string::npos);
}

TEST_F(FileWithArchive, TextDecodingOnDiskAndInTheArchive)
{
    // 'К' (U+041A) has the low byte 1A; the code unit 0x0D0A holds the bytes 0A 0D
    // and 0x0A0D the bytes 0D 0A: all must survive, as must a surrogate pair and an
    // unpaired surrogate. The trailing odd byte is no code unit.
    const std::wstring wide = std::wstring(L"A\x041A\r\nB") + wchar_t(0x0D0A) + wchar_t(0x0A0D) + wchar_t(0x1F600);
    Bytes utf16 = utf16le(wide, true);
    utf16.insert(utf16.end(), {0x00, 0xD8, 'x', 0x00, 0x7F});
    const std::wstring expected = wide + wchar_t(0xD800) + L"x";

    const Bytes multibyte = bytesOf("a\r\nb\rc\xE4\r\n\x1A"
                                    "after the end");

    open({{"archive\\utf16.txt", utf16}, {"archive\\multi.txt", multibyte}});
    writeBytes(m_logs.folder() / "disk" / "utf16.txt", utf16);
    writeBytes(m_logs.folder() / "disk" / "multi.txt", multibyte);
    writeBytes(m_logs.folder() / "disk" / "bom-only.txt", {0xFF, 0xFE});

    EXPECT_EQ(text(L"disk\\utf16.txt"), expected);
    EXPECT_EQ(text(L"archive\\utf16.txt"), expected);
    EXPECT_EQ(text(L"disk\\bom-only.txt"), L"");

    // Disk text gets the runtime's text mode; archive entries are untranslated.
    EXPECT_EQ(text(L"disk\\multi.txt"), L"a\nb\rc\xE4\n");
    EXPECT_EQ(text(L"archive\\multi.txt"), std::wstring(multibyte.begin(), multibyte.end()));

    // Raw bytes are never translated.
    File raw(L"raw");
    ASSERT_TRUE(raw.loadFile(L"disk\\multi.txt", m_order));
    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(raw.getFILE_DATA(buffer, size));
    EXPECT_EQ(Bytes(buffer, buffer + size), multibyte);
    delete[] buffer;

    const std::string log = m_logs.text("UlvoFile.log");
    EXPECT_NE(log.find("is Unicode File"), std::string::npos);
    EXPECT_NE(log.find("is Multibyte File"), std::string::npos);
}

TEST_F(FileWithArchive, FilesInOneArchiveReadTheirOwnBytes)
{
    open({{"a.bin", bytesOf("first")}, {"b.bin", bytesOf("second entry")}});
    File a(L"a");
    File b(L"b");
    ASSERT_TRUE(a.loadFile(L"a.bin", m_order));
    // The second lookup moves the shared handle to its own entry.
    ASSERT_TRUE(b.loadFile(L"b.bin", m_order));

    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(a.getFILE_DATA(buffer, size));
    EXPECT_EQ(Bytes(buffer, buffer + size), bytesOf("first"));
    delete[] buffer;
    EXPECT_EQ(b.getFILE_DATA(), L"second entry");
    EXPECT_EQ(a.getFILE_DATA(), L"first");
}

TEST_F(FileWithArchive, FileExistsAndFileFromNode)
{
    open({{"data\\in-archive.txt", bytesOf("x")}});
    writeBytes(m_logs.folder() / "data" / "Disk.txt", bytesOf("on disk"));

    EXPECT_TRUE(File::FileExists(L"DATA\\disk.txt", m_order));
    EXPECT_TRUE(File::FileExists(L"data/IN-ARCHIVE.txt", m_order));
    EXPECT_FALSE(File::FileExists(L"data\\none.txt", m_order));
    EXPECT_FALSE(File::FileExists(L"data\\disk.txt", nullptr));

    XMLNode node(L"FILE");
    node.addAttribute(new XMLAttribute(L"NAME", L"fromNode"));
    node.addAttribute(new XMLAttribute(L"FILENAME", L"data\\disk.txt"));
    File fromNode(&node);
    EXPECT_EQ(fromNode.getName(), L"fromNode");
    EXPECT_TRUE(fromNode.isOpen());
    EXPECT_EQ(fromNode.getFileName(), L"data\\disk.txt");
    EXPECT_EQ(fromNode.getFILE_DATA(), L"on disk");

    // An unknown GOBORDER falls back to the default order.
    XMLNode other(L"FILE");
    other.addAttribute(new XMLAttribute(L"GOBORDER", L"SOMEWHERE"));
    other.addAttribute(new XMLAttribute(L"FILENAME", L"data\\in-archive.txt"));
    EXPECT_TRUE(File(&other).isOpen());

    XMLNode noFile(L"FILE");
    noFile.addAttribute(new XMLAttribute(L"NAME", L"empty"));
    File unopened(&noFile);
    EXPECT_FALSE(unopened.isOpen());
    EXPECT_EQ(unopened.getFILE_DATA(), L"");

    EXPECT_TRUE(File::getLoadedFiles().empty());
}

TEST_F(FileWithArchive, DataReferencesLeadingOutOfTheDataFoldersAreRefused)
{
    open({{"data\\x.txt", bytesOf("x")}});
    writeBytes(m_logs.folder() / "outside.txt", bytesOf("secret"));
    std::filesystem::create_directories(m_logs.folder() / "data" / "FX");
    const std::wstring outside[] = {L"/etc/hostname", L"\\etc\\hostname",     L"C:\\x.txt",
                                    L"..\\x.txt",     L"data\\..\\..\\x.txt", L"data\\FX/../../../outside.txt"};
    for (const std::wstring& name : outside) {
        EXPECT_FALSE(File::isDataReference(name)) << std::string(name.begin(), name.end());
        XMLNode node(L"FILE");
        node.addAttribute(new XMLAttribute(L"FILENAME", name));
        EXPECT_FALSE(File(&node).isOpen());
    }
    EXPECT_NE(m_logs.text("UlvoFile.log").find("/etc/hostname leads out of the data folders"), std::string::npos);
    for (const wchar_t* name : {L"data\\x.txt", L"data\\FX\\..\\x.txt", L"./data/x.txt", L"data\\\\x.txt"})
        EXPECT_TRUE(File::isDataReference(name));
    // The folder a test runs in is inside, so a name climbing only within it is read.
    File inside(L"inside");
    EXPECT_TRUE(inside.loadDataFile(L"data\\FX\\..\\..\\outside.txt", m_order));
    EXPECT_EQ(inside.getFILE_DATA(), L"secret");

    // Links: one to a folder outside and one to a file outside lead out; one inside stays in.
    TestSupport::TempDir away;
    writeBytes(away / "far.txt", bytesOf("far"));
    std::filesystem::create_directory_symlink(away.path(), m_logs.folder() / "data" / "away");
    std::filesystem::create_symlink(away / "far.txt", m_logs.folder() / "far.txt");
    std::filesystem::create_symlink(m_logs.folder() / "outside.txt", m_logs.folder() / "data" / "near.txt");
    for (const wchar_t* name : {L"data\\away\\far.txt", L"data/away/new.xml", L"far.txt"}) {
        EXPECT_FALSE(File::checkDataReference(name));
        EXPECT_FALSE(File(L"linked").loadDataFile(name, m_order));
    }
    EXPECT_TRUE(File::checkDataReference(L"data\\near.txt"));
    EXPECT_TRUE(File::checkDataReference(L"data\\FX\\new.xml"));
}

TEST_F(FileWithArchive, WritesStayInTheGamesFoldersAndReplaceLinksInsteadOfFollowingThem)
{
    TestSupport::TempDir away;
    writeBytes(away / "kept.txt", bytesOf("kept"));
    std::filesystem::create_directory_symlink(away.path(), m_logs.folder() / "awaydir");
    std::filesystem::create_symlink(away / "kept.txt", m_logs.folder() / "kept.txt");
    std::filesystem::create_symlink(away / "dangling.txt", m_logs.folder() / "dangling.txt");
    const auto writeNew = [](const std::wstring& temporary) {
        std::ofstream out(std::filesystem::path(temporary), std::ios::binary);
        out << "new";
        return out.good();
    };
    // A folder that leads out, a climb out of a missing folder.
    for (const wchar_t* name : {L"awaydir\\x.txt", L"none\\..\\..\\z.txt"}) {
        EXPECT_FALSE(File::checkWriteTarget(name));
        EXPECT_FALSE(File::writeReplacing(name, writeNew));
    }
    EXPECT_FALSE(std::filesystem::exists(away / "x.txt"));
    EXPECT_NE(m_logs.text("UlvoFile.log").find("awaydir\\x.txt leads out of the game's folders"), std::string::npos);

    // A link to a file, dangling or not, is replaced by the file: what it led to stays as it was.
    EXPECT_TRUE(File::writeReplacing(L"kept.txt", writeNew));
    EXPECT_TRUE(File::writeReplacing(L"dangling.txt", writeNew));
    EXPECT_EQ(TestSupport::readText(away / "kept.txt"), "kept");
    EXPECT_FALSE(std::filesystem::exists(away / "dangling.txt"));
    EXPECT_FALSE(std::filesystem::is_symlink(m_logs.folder() / "kept.txt"));
    EXPECT_EQ(TestSupport::readText(m_logs.folder() / "dangling.txt"), "new");

    // An absolute name is the game's own choice (its save folder).
    EXPECT_TRUE(File::writeReplacing((away / "y.txt").wstring(), writeNew));
    EXPECT_EQ(TestSupport::readText(away / "y.txt"), "new");
}

TEST(FilePaths, ALinkIntoTheFolderWorkedInBeforeLeadsOutFromTheNextOne)
{
    LogCapture logs;
    TestSupport::TempDir first;
    TestSupport::TempDir second;
    TestSupport::writeText(first / "g.txt", "g");
    std::filesystem::create_symlink(first / "g.txt", second / "f.txt");
    {
        TestSupport::ScopedCwd in(first.path());
        EXPECT_TRUE(File::checkDataReference(L"g.txt"));
    }
    {
        TestSupport::ScopedCwd in(second.path());
        EXPECT_FALSE(File::checkDataReference(L"f.txt"));
        EXPECT_FALSE(File::checkWriteTarget(L"f.txt\\..\\..\\x.txt"));
    }
    TestSupport::ScopedCwd in(first.path());
    EXPECT_TRUE(File::checkDataReference(L"g.txt"));
}

TEST(FilePaths, Helpers)
{
    EXPECT_EQ(File::removeDoubleBackslashes(L"a\\\\\\b\\\\c\\d"), L"a\\b\\c\\d");
    EXPECT_EQ(File::removeDoubleBackslashes(L""), L"");

    EXPECT_EQ(File::getPath(L"data\\fx\\water.fx"), L"data\\fx");
    EXPECT_EQ(File::getPath(L"water.fx"), L"water.fx");
    EXPECT_EQ(File::getPath(L"data\\fx"), L"data\\fx");

    EXPECT_EQ(File::getFileNameFromPath(L"data\\fx\\water.fx", true), L"water");
    EXPECT_EQ(File::getFileNameFromPath(L"data\\fx\\water.fx", false), L"water.fx");
    EXPECT_EQ(File::getFileNameFromPath(L"data\\fx", true), L"");
    EXPECT_EQ(File::getFileNameFromPath(L"water.fx", true), L"water.fx");
    // A dot in a folder name is no extension of the file.
    EXPECT_EQ(File::getFileNameFromPath(L"data.old\\readme", true), L"readme");

    EXPECT_EQ(File::combinePath(L"data\\FX", L"..\\tex\\a.dds"), L"data\\tex\\a.dds");
    EXPECT_EQ(File::combinePath(L"data\\FX", L".\\a.dds"), L"data\\a.dds");
    EXPECT_EQ(File::combinePath(L"a\\b\\c", L"..\\..\\x.fx"), L"a\\x.fx");
    EXPECT_EQ(File::combinePath(L"data\\FX", L"sub\\\\a.fx"), L"data\\FX\\sub\\a.fx");
    // Climbing stops at the start instead of turning into an absolute path.
    EXPECT_EQ(File::combinePath(L"data", L"..\\x.fx"), L"x.fx");
    EXPECT_EQ(File::combinePath(L"a\\b", L"..\\..\\..\\..\\x.fx"), L"x.fx");
    EXPECT_EQ(File::combinePath(L"", L"x.fx"), L"x.fx");
}
