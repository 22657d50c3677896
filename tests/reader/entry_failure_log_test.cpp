// The failures of a run in words, as the command line and the window show them: each
// entry's own name, what the event named, and the reason with its particulars (both CRCs,
// the method, the system's reason a file could not be written), alike with one thread or
// many.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "format/patched_archive.h"
#include "reader/entry_failure_log.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

std::string Hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// "<name> | <target relative to out> | <reason>" for each failure, in entry order.
std::vector<std::string> FailuresOfUnzipAll(int threads) {
    test::TempDir temp;
    test::ZipBuilder builder;
    builder.Add({"good.txt", "good data"});
    builder.Add({"docs/bad.txt", "damaged"});
    auto locked = test::MakeEncryptedEntry("private/secret.txt", "secret text", "right");
    builder.Add(locked.Entry);
    builder.Add({"packed.bin", "not really PPMd"});
    builder.Add({"sub/clash", "a file where a folder is"});
    test::Bytes archive = builder.Build();
    test::PatchEntry(archive, 1, test::EntryPatch{.Crc = 0x12345678});
    test::PatchEntry(archive, 2, locked.Patch);
    test::PatchEntry(archive, 3, test::EntryPatch{.Method = 98});
    test::WriteFileBytes(temp / "a.zip", archive);
    fs::create_directories(temp / "out" / "sub" / "clash");

    TUnZipper zipper;
    zipper.SetZipName((temp / "a.zip").string());
    zipper.SetDestDir((temp / "out").string());
    zipper.SetRecreateDirs(true);
    zipper.SetThreads(threads);
    zipper.SetPassword("wrong");
    zipper.SetDoAll(true);
    TEntryFailureLog log;
    log.Attach(zipper);
    EXPECT_EQ(zipper.UnZip(), 1);

    std::vector<TEntryFailure> failures = log.Failures();
    std::stable_sort(failures.begin(), failures.end(),
                     [](const auto& a, const auto& b) { return a.Index < b.Index; });
    std::vector<std::string> lines;
    const std::string out = (temp / "out").string() + "/";
    for (const TEntryFailure& failure : failures) {
        std::string target = failure.Target;
        if (target.rfind(out, 0) == 0) {
            target = "OUT/" + target.substr(out.size());
        }
        lines.push_back(std::to_string(failure.Index) + " " + failure.Name + " | " + target +
                        " | " + failure.Reason);
    }
    return lines;
}

TEST(EntryFailureLog, EachFailureHasItsEntryItsTargetAndItsReasonWithParticulars) {
    const std::vector<std::string> expected = {
        "1 docs/bad.txt | docs/bad.txt | bad CRC " + Hex8(test::Crc32Of("damaged")) +
            " (should be 12345678)",
        "2 private/secret.txt | private/secret.txt | wrong password, skipped",
        "3 packed.bin | packed.bin | compression method 98 (PPMd) is not supported",
        "4 sub/clash | OUT/sub/clash | could not be written: Is a directory",
    };
    EXPECT_EQ(FailuresOfUnzipAll(1), expected);
    EXPECT_EQ(FailuresOfUnzipAll(4), expected);
}

TEST(EntryFailureLog, DataOfAnotherLengthWithItsOwnCrcIsNoBadCrc) {
    EXPECT_EQ(BadCrcReason(0xabc, 0xabc), "data length differs from its header");
    EXPECT_EQ(BadCrcReason(0x1, 0xfedcba98), "bad CRC 00000001 (should be fedcba98)");
}

}  // namespace
}  // namespace mobrel
