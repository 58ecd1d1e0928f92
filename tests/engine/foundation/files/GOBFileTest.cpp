#include "foundation/files/GOBFile.h"
#include "foundation/files/GOBManager.h"

#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

using namespace Ulvo;
using TestSupport::writeBytes;

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& to, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        to[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

Bytes makeArchive(const std::vector<std::pair<std::string, std::string>>& entries)
{
    // Sized first and the magic written in: g++ 12 at -O2 warns falsely on growing a vector made
    // from a short list.
    Bytes out(8 + 268 * entries.size(), 0);
    std::memcpy(out.data(), "GOB", 4);
    put32(out, 4, static_cast<uint32_t>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = 8 + 268 * i;
        put32(out, at, static_cast<uint32_t>(out.size()));
        put32(out, at + 4, static_cast<uint32_t>(entries[i].second.size()));
        std::memcpy(out.data() + at + 8, entries[i].first.data(), std::min<std::size_t>(260, entries[i].first.size()));
        out.insert(out.end(), entries[i].second.begin(), entries[i].second.end());
    }
    return out;
}

std::string readAt(FILE* handle, uint32_t start, uint32_t end)
{
    std::string data(end - start, '\0');
    // The handle is handed out positioned at the entry.
    EXPECT_EQ(std::ftell(handle), static_cast<long>(start));
    EXPECT_EQ(std::fread(data.data(), 1, data.size(), handle), data.size());
    return data;
}

} // namespace

TEST(GOBFile, LookupsNormaliseTheName)
{
    LogCapture logs;
    // "Müll" in Windows-1252: ü is FC.
    writeBytes(logs.folder() / "test.gob", makeArchive({{"Data\\FX\\Effecte.fxf", "effects"},
                                                        {"data\\a b.txt", "blank"},
                                                        {"data\\M\xFCll.txt", "waste"},
                                                        {"data\\fx\\effecte.fxf", "shadowed"}}));
    GOBFile archive(L"BASEGOB", L"test.gob", 0);
    ASSERT_EQ(archive.getEntries().size(), 4u);
    EXPECT_EQ(archive.getEntries()[0].name, "data\\fx\\effecte.fxf");
    EXPECT_EQ(archive.getArchiveFileName(), L"test.gob");

    FILE* handle = nullptr;
    uint32_t start = 0;
    uint32_t end = 0;
    for (const wchar_t* name : {L"data/fx/effecte.fxf", L"DATA\\\\FX\\\\EFFECTE.FXF", L"data//fx\\/Effecte.fxf"}) {
        handle = nullptr;
        ASSERT_TRUE(archive.getFilePtr(name, handle, start, end));
        ASSERT_NE(handle, nullptr);
        // The first of equal names wins.
        EXPECT_EQ(readAt(handle, start, end), "effects");
    }
    // Two lookups in a row: the handle stands at the second entry.
    ASSERT_TRUE(archive.getFilePtr(L"data\\M\xFCll.TXT", handle, start, end));
    EXPECT_EQ(readAt(handle, start, end), "waste");
    // Only A to Z fold: Ü (DC) is not ü (FC).
    EXPECT_FALSE(archive.FileExists(L"data\\M\xDCll.txt"));
    // A character outside the code page becomes a blank.
    EXPECT_TRUE(archive.FileExists(L"data\\a\x041A"
                                   L"b.txt"));
    // Another relative base does not match.
    EXPECT_FALSE(archive.FileExists(L".\\data\\fx\\effecte.fxf"));

    FILE* untouched = reinterpret_cast<FILE*>(0x1);
    start = 7;
    end = 9;
    EXPECT_FALSE(archive.getFilePtr(L"data\\missing.txt", untouched, start, end));
    EXPECT_EQ(untouched, reinterpret_cast<FILE*>(0x1));
    EXPECT_EQ(start, 7u);
    EXPECT_EQ(end, 9u);
    EXPECT_NE(logs.text("UlvoGOBFile.log").find(" data\\missing.txt not found!"), std::string::npos);
}

TEST(GOBFile, MalformedArchivesAreRejected)
{
    LogCapture logs;
    const Bytes good = makeArchive({{"a.txt", "0123456789"}, {"b.txt", "abc"}});

    struct Case {
        const char* file;
        Bytes bytes;
        const char* why;
    };
    std::vector<Case> cases;
    Bytes magic = good;
    magic[3] = 'X';
    cases.push_back({"magic.gob", magic, "wrong magic"});
    cases.push_back({"empty.gob", makeArchive({}), "count 0"});
    Bytes count = good;
    put32(count, 4, 0x10000000);
    cases.push_back({"count.gob", count, "does not fit"});
    cases.push_back({"cut.gob", Bytes(good.begin(), good.begin() + 8 + 268 + 100), "does not fit"});
    cases.push_back({"short.gob", Bytes{'G', 'O', 'B'}, "shorter than"});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        writeBytes(logs.folder() / c.file, c.bytes);
        const std::wstring name(c.file, c.file + std::strlen(c.file));
        GOBFile archive(L"BAD", name, 0);
        EXPECT_TRUE(archive.getEntries().empty());
        EXPECT_FALSE(archive.FileExists(L"a.txt"));
        const std::string log = logs.text("UlvoGOBFile.log");
        const std::size_t line = log.find(std::string(c.file) + " ");
        ASSERT_NE(line, std::string::npos);
        EXPECT_NE(log.find(c.why, line), std::string::npos);
    }

    GOBFile missing(L"MISSING", L"nowhere.gob", 0);
    EXPECT_TRUE(missing.getEntries().empty());
    EXPECT_NE(logs.text("UlvoGOBFile.log").find(" nowhere.gob not found!"), std::string::npos);

    // Reloading a good archive after a bad one works; a folder is no archive.
    EXPECT_TRUE(missing.loadFile(L"magic.gob") == false);
    writeBytes(logs.folder() / "good.gob", good);
    EXPECT_TRUE(missing.loadFile(L"good.gob"));
    EXPECT_TRUE(missing.FileExists(L"B.TXT"));
    std::filesystem::create_directory(logs.folder() / "folder.gob");
    EXPECT_FALSE(missing.loadFile(L"folder.gob"));
    EXPECT_TRUE(missing.getEntries().empty());
}

TEST(GOBFile, EntryPastTheEndIsLeftOutAlone)
{
    LogCapture logs;
    const Bytes good = makeArchive({{"a.txt", "0123456789"}, {"b.txt", "abc"}, {"c.txt", "last"}});
    Bytes past = good;
    put32(past, 8 + 268 + 4, 0x1000);     // b.txt claims more than the file holds
    put32(past, 8 + 2 * 268, 0xFFFFFFF0); // c.txt: offset + size wraps in 32 bits
    put32(past, 8 + 2 * 268 + 4, 0x20);
    writeBytes(logs.folder() / "past.gob", past);

    GOBFile archive(L"PAST", L"past.gob", 0);
    ASSERT_EQ(archive.getEntries().size(), 1u);
    FILE* handle = nullptr;
    uint32_t start = 0;
    uint32_t end = 0;
    ASSERT_TRUE(archive.getFilePtr(L"A.TXT", handle, start, end));
    EXPECT_EQ(readAt(handle, start, end), "0123456789");
    EXPECT_FALSE(archive.FileExists(L"b.txt"));
    EXPECT_FALSE(archive.FileExists(L"c.txt"));
    const std::string log = logs.text("UlvoGOBFile.log");
    EXPECT_NE(log.find("ERROR  past.gob has entry 1 (b.txt) whose data (offset"), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR  past.gob has entry 2 (c.txt)"), std::string::npos) << log;
    EXPECT_NE(log.find("found Entries: 1"), std::string::npos) << log;
}

TEST(GOBFile, StreamLookupsShareOneStream)
{
    LogCapture logs;
    writeBytes(logs.folder() / "s.gob", makeArchive({{"Data\\One.txt", "first entry"}, {"two.txt", "second"}}));
    GOBFile archive(L"S", L"s.gob", 0);
    std::istream* stream = nullptr;
    uint32_t start = 0;
    uint32_t end = 0;
    auto read = [&] {
        std::string data(end - start, '\0');
        stream->read(data.data(), static_cast<std::streamsize>(data.size()));
        return data;
    };
    ASSERT_TRUE(archive.getStreamPtr(L"data/one.TXT", stream, start, end));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(read(), "first entry");
    std::istream* first = stream;
    ASSERT_TRUE(archive.getStreamPtr(L"TWO.txt", stream, start, end));
    EXPECT_EQ(stream, first);
    EXPECT_EQ(read(), "second");
    // Reading to the end of the archive and past it leaves the next lookup working.
    stream->get();
    ASSERT_TRUE(archive.getStreamPtr(L"data\\one.txt", stream, start, end));
    EXPECT_EQ(read(), "first entry");

    std::istream* untouched = nullptr;
    start = 7;
    EXPECT_FALSE(archive.getStreamPtr(L"three.txt", untouched, start, end));
    EXPECT_EQ(untouched, nullptr);
    EXPECT_EQ(start, 7u);
    EXPECT_NE(logs.text("UlvoGOBFile.log").find("Ulvo::GOBFile::getStreamPtr three.txt"), std::string::npos);
}

TEST(GOBFile, NameWithoutTerminatorIsCut)
{
    LogCapture logs;
    const std::string full(260, 'N');
    Bytes bytes = makeArchive({{full, "long"}, {"next.txt", "next"}});
    writeBytes(logs.folder() / "long.gob", bytes);
    GOBFile archive(L"LONG", L"long.gob", 0);
    ASSERT_EQ(archive.getEntries().size(), 2u);
    EXPECT_EQ(archive.getEntries()[0].name, std::string(259, 'n'));
    EXPECT_EQ(archive.getEntries()[1].name, "next.txt");
    EXPECT_TRUE(archive.FileExists(std::wstring(259, L'n')));
    EXPECT_FALSE(archive.FileExists(std::wstring(260, L'n')));
}

TEST(GOBManager, DefaultOrderPlacesTheDisk)
{
    LogCapture logs;
    GOBManager* manager = GOBManager::getInstance();
    // Archives without a file: only their priorities matter here.
    auto build = [&](std::vector<int> priorities, int diskPosition) {
        manager->clear();
        for (int priority : priorities)
            manager->addGOBFile(new GOBFile(L"P" + std::to_wstring(priority), L"none.gob", priority));
        manager->addGOBFile(nullptr);
        manager->createDefaultOrder(diskPosition);
        std::vector<int> slots;
        for (GOBFile* slot : manager->getGOBOrder(L"DEFAULT")->getSlots())
            slots.push_back(slot ? slot->getPriority() : -100);
        return slots;
    };
    const int disk = -100;
    EXPECT_EQ(build({0, 1}, 0), (std::vector<int>{disk, 0, 1}));
    EXPECT_EQ(build({1, 2}, 0), (std::vector<int>{disk, 1, 2}));
    EXPECT_EQ(build({5, 0, 1}, -1), (std::vector<int>{0, 1, disk, 5}));
    EXPECT_EQ(build({0, 1, 2}, -1), (std::vector<int>{0, 1, 2, disk}));
    EXPECT_EQ(build({0, 1, 5}, 2), (std::vector<int>{0, 1, disk, 5}));
    EXPECT_EQ(build({0, 1}, 9), (std::vector<int>{0, 1, disk}));
    EXPECT_EQ(build({}, 0), (std::vector<int>{disk}));

    // Equal priorities keep their registration order.
    manager->clear();
    GOBFile* first = new GOBFile(L"FIRST", L"none.gob", 3);
    GOBFile* second = new GOBFile(L"SECOND", L"none.gob", 3);
    manager->addGOBFile(first);
    manager->addGOBFile(second);
    manager->createDefaultOrder(0);
    EXPECT_EQ(manager->getGOBOrder(L"DEFAULT")->getSlots(), (std::vector<GOBFile*>{nullptr, first, second}));
    EXPECT_NE(logs.text("UlvoGOBManager.log").find("Ulvo::GOBManager::createDefaultOrder createDefaultOrder 0"),
              std::string::npos);

    manager->clear();
    EXPECT_TRUE(manager->getGOBFiles().empty());
    EXPECT_EQ(manager->getGOBOrder(L"DEFAULT")->getSlots(), (std::vector<GOBFile*>{nullptr}));
}
