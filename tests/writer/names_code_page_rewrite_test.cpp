// Whatever page the names are read in, a rewrite stores every entry it keeps as it was: the
// name's bytes, the flag and the rest of both headers. The records are compared straight
// from the archive's bytes, without the engine's reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "format/code_page_archives.h"
#include "platform/byte_order.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

// Every entry's local record (header, name, extra field and data) and central record, by
// the name's stored bytes. The central record's local-offset field is checked against the
// local record's position and then zeroed, since the records before it may have gone.
struct ArchiveRecords {
    std::map<std::string, std::string> Local;
    std::map<std::string, std::string> Central;
};

ArchiveRecords RecordsOf(const fs::path& archive) {
    const std::vector<uint8_t> file = test::ReadFileBytes(archive);
    const std::string bytes(file.begin(), file.end());
    const auto u16 = [&](size_t at) {
        return LoadU16(reinterpret_cast<const uint8_t*>(&bytes[at]));
    };
    const auto u32 = [&](size_t at) {
        return LoadU32(reinterpret_cast<const uint8_t*>(&bytes[at]));
    };
    const size_t end = bytes.size() - 22;  // no archive comment
    EXPECT_EQ(u32(end), 0x06054B50u);
    ArchiveRecords records;
    size_t at = u32(end + 16);
    for (int i = 0; i < u16(end + 10); ++i) {
        EXPECT_EQ(u32(at), 0x02014B50u);
        const size_t nameLength = u16(at + 28);
        const size_t centralLength = 46 + nameLength + u16(at + 30) + u16(at + 32);
        const std::string name = bytes.substr(at + 46, nameLength);
        const size_t local = u32(at + 42);
        EXPECT_EQ(u32(local), 0x04034B50u);
        EXPECT_EQ(bytes.substr(local + 30, u16(local + 26)), name);
        const size_t localLength = 30 + u16(local + 26) + u16(local + 28) + u32(at + 20);
        records.Local[name] = bytes.substr(local, localLength);
        records.Central[name] = bytes.substr(at, centralLength).replace(42, 4, 4, '\0');
        at += centralLength;
    }
    return records;
}

struct Rewrite {
    const char* What;
    std::function<void(TZipper&, const fs::path& folder)> Run;
    size_t EntriesLeft;
};

TEST(NamesCodePageRewrite, KeptEntriesKeepTheirRecordsByteForByteWhateverThePage) {
    const std::vector<Rewrite> rewrites = {
        {"delete the middle entry",
         [](TZipper& zipper, const fs::path&) {
             // Chosen by the name the page gives, as the window and the command line do.
             zipper.FilesList() = {zipper.EntryFullName(1)};
             EXPECT_EQ(zipper.DeleteEntries(), 1);
         },
         2},
        {"add a file",
         [](TZipper& zipper, const fs::path& folder) {
             zipper.FilesList() = {test::MakeFile(folder, "new.txt", "new\n")};
             EXPECT_EQ(zipper.Zip(), 1);
         },
         4},
    };
    for (const Rewrite& rewrite : rewrites) {
        for (const TNamesCodePage page : {TNamesCodePage::Cp866, TNamesCodePage::Cp437,
                                          TNamesCodePage::Cp932, TNamesCodePage::Cp1252}) {
            SCOPED_TRACE(std::string(rewrite.What) + " in " + std::string(CodePageName(page)));
            test::TempDir temp;
            const fs::path archive = temp / "cp866.zip";
            test::WriteFileBytes(archive, test::MsDosArchive(test::Cp866Names()));
            const ArchiveRecords before = RecordsOf(archive);
            TZipper zipper;
            zipper.SetZipName(archive.string());
            zipper.SetNamesCodePage(page);
            zipper.ReadZip();
            rewrite.Run(zipper, temp.Path());
            const ArchiveRecords after = RecordsOf(archive);
            EXPECT_EQ(after.Central.size(), rewrite.EntriesLeft);
            size_t kept = 0;
            for (const auto& [name, central] : after.Central) {
                if (before.Central.count(name) != 0) {
                    ++kept;
                    EXPECT_EQ(central, before.Central.at(name));
                    EXPECT_EQ(after.Local.at(name), before.Local.at(name));
                }
            }
            EXPECT_EQ(kept, 2u + (rewrite.EntriesLeft == 4 ? 1u : 0u));
        }
    }
}

}  // namespace
}  // namespace mobrel
