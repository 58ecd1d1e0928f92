// Fuzzes the archive reader: the table checks, the name lookups and reading
// every entry through Ulvo::File with an order that holds the archive.
#include "foundation/files/File.h"
#include "foundation/files/GOBFile.h"
#include "foundation/files/GOBOrder.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/StringConversion.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// One archive path per process, rewritten for every input and removed at exit.
struct ArchivePath {
    std::string path = "/tmp/ulvo-fuzz-gob-" + std::to_string(getpid()) + ".gob";
    ~ArchivePath() { std::remove(path.c_str()); }
};

const std::string& archivePath()
{
    static const ArchivePath archive;
    return archive.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        Ulvo::logSwitch() = 0;
        return true;
    }();
    (void)quiet;

    const std::string& path = archivePath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);

    Ulvo::GOBFile archive(L"FUZZ", std::wstring(path.begin(), path.end()), 0);
    archive.FileExists(L"data\\FX\\effecte.fxf");
    archive.FileExists(L"DATA//menu\\\\rects.TEX");
    archive.FileExists(L"");

    Ulvo::GOBOrder order;
    order.getSlots() = {&archive};
    for (const Ulvo::GOBEntry& entry : archive.getEntries()) {
        Ulvo::File item(L"entry");
        if (!item.loadFile(Ulvo::toWString(entry.name), &order))
            continue;
        unsigned char* bytes = nullptr;
        uint32_t count = 0;
        if (item.getFILE_DATA(bytes, count))
            delete[] bytes;
        item.getFILE_DATA();
    }
    return 0;
}
