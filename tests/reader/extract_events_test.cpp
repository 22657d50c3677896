// The events of an extraction run and their order: start info, each entry's start and end,
// progress, bad CRC, bad password with and without a new one, skips and the completion;
// also the memory target and test mode, methods without a decoder, output larger than
// declared, cancelling, and data continuing on the next disk of a set.
#include <gtest/gtest.h>

#include <filesystem>

#include "format/patched_archive.h"
#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::BuiltEntry;
using test::Bytes;
using test::EntryPatch;

std::string Slashed(std::string text) {
    for (char& c : text) {
        if (c == '\\') {
            c = '/';
        }
    }
    return text;
}

// Every event as one line, in the order they came.
struct EventLog {
    std::vector<std::string> Lines;
    std::string Root;  // taken off the paths the events carry
    // Passwords OnBadPassword hands out, one per call; then it keeps the current one.
    std::vector<std::string> NewPasswords;

    std::string Short(const std::string& path) const {
        return path.rfind(Root, 0) == 0 ? path.substr(Root.size()) : path;
    }
    void Attach(TUnZipper& z, bool progress = false) {
        z.OnStartUnZipInfo = [this](TUnZipper&, int files, int64_t bytes, bool&) {
            Lines.push_back("info " + std::to_string(files) + " " + std::to_string(bytes));
        };
        z.OnStartUnZip = [this](TUnZipper&, int i, std::string& name, bool&) {
            Lines.push_back("start " + std::to_string(i) + " " + Short(name));
        };
        z.OnEndUnZip = [this](TUnZipper&, int i, const std::string& name) {
            Lines.push_back("end " + std::to_string(i) + " " + Short(name));
        };
        z.OnBadCRC = [this](TUnZipper&, uint32_t calc, uint32_t stored, int i) {
            Lines.push_back("badcrc " + std::to_string(i) + (calc == stored ? " same" : ""));
        };
        z.OnBadPassword = [this](TUnZipper&, int i, std::string& password) {
            Lines.push_back("badpassword " + std::to_string(i) + " " + password);
            if (!NewPasswords.empty()) {
                password = NewPasswords.front();
                NewPasswords.erase(NewPasswords.begin());
            }
        };
        z.OnSkippingFile = [this](TUnZipper&, TSkipReason reason, const std::string& name, int i,
                                  bool& retry) {
            EXPECT_FALSE(retry);
            Lines.push_back("skip " + std::to_string(i) + " " + std::to_string(int(reason)) + " " +
                            Slashed(Short(name)));
        };
        z.OnUnZipComplete = [this](TUnZipper&, int count) {
            Lines.push_back("complete " + std::to_string(count));
        };
        if (progress) {
            z.OnFilePercentDone = [this](TUnZipper&, int p) {
                Lines.push_back("file% " + std::to_string(p));
            };
            z.OnTotalPercentDone = [this](TUnZipper&, int p) {
                Lines.push_back("total% " + std::to_string(p));
            };
        }
    }
};

// Message boxes answered from a script, and the texts they showed.
struct ScriptedServices : TInteractiveServices {
    std::vector<std::string> Shown;
    TMsgAnswer Answer = TMsgAnswer::Ok;
    int ProcessCalls = 0;
    TMsgAnswer MessageBox(const std::string& text, const std::string& caption,
                          TMsgButtons) override {
        Shown.push_back(caption + ": " + text);
        return Answer;
    }
    void ProcessMessages() override { ++ProcessCalls; }
};

struct ServicesScope {
    explicit ServicesScope(TInteractiveServices& services) { InstallServices(&services); }
    ~ServicesScope() { InstallServices(nullptr); }
};

class ExtractRun : public testing::Test {
  protected:
    void Open(const Bytes& archive) {
        test::WriteFileBytes(temp / "a.zip", archive);
        zipper.SetZipName((temp / "a.zip").string());
        zipper.SetDestDir((temp / "out").string());
        zipper.SetRecreateDirs(true);
        log.Root = (temp / "out").string() + "/";
    }
    std::string Out(const std::string& name) const {
        const auto bytes = test::ReadFileBytes(temp / "out" / name);
        return std::string(bytes.begin(), bytes.end());
    }
    bool OutExists(const std::string& name) const { return fs::exists(temp / "out" / name); }

    test::TempDir temp;
    TUnZipper zipper;
    EventLog log;
};

TEST_F(ExtractRun, OneRunReportsStartsEndsFailuresAndSkipsInOrder) {
    // The order of one thread: with workers, later entries start before earlier ones end
    // and progress is reported when an entry is finished, after its refills.
    zipper.SetThreads(1);
    test::ZipBuilder builder;
    builder.Add({"docs/", ""});
    builder.Add({"docs/good.txt", "good data"});
    builder.Add({"bad.txt", "damaged"});
    auto locked = test::MakeEncryptedEntry("locked.txt", "secret text", "right");
    builder.Add(locked.Entry);
    auto refused = test::MakeEncryptedEntry("sub/refused.txt", "other text", "other");
    builder.Add(refused.Entry);
    Bytes archive = builder.Build();
    test::PatchEntry(archive, 2, EntryPatch{.Crc = 0x12345678});
    test::PatchEntry(archive, 3, locked.Patch);
    test::PatchEntry(archive, 4, refused.Patch);
    Open(archive);
    zipper.SetDoAll(true);
    zipper.SetPassword("wrong");
    log.NewPasswords = {"right"};  // the first question gets the right one, later ones none
    log.Attach(zipper);

    EXPECT_EQ(zipper.UnZip(), 3);  // the folder, good.txt and locked.txt
    EXPECT_EQ(log.Lines, (std::vector<std::string>{
                             "info 4 37",
                             "start 1 docs/good.txt",
                             "end 1 docs/good.txt",
                             "start 2 bad.txt",
                             "badcrc 2",
                             "start 3 locked.txt",
                             "badpassword 3 wrong",
                             "end 3 locked.txt",
                             "start 4 sub/refused.txt",
                             "badpassword 4 right",
                             "skip 4 0 sub/refused.txt",
                             "complete 3",
                         }));
    EXPECT_EQ(Out("docs/good.txt"), "good data");
    EXPECT_EQ(Out("locked.txt"), "secret text");
    EXPECT_FALSE(OutExists("bad.txt"));
    EXPECT_FALSE(OutExists("sub/refused.txt"));
    EXPECT_TRUE(fs::is_directory(temp / "out" / "sub"));  // made before the password check
    EXPECT_EQ(zipper.Password(), "right");                // kept after the run
}

TEST_F(ExtractRun, DamagedEncryptedDataIsAPasswordFailureAndANewPasswordRunsItAgain) {
    test::ZipBuilder builder;
    auto entry = test::MakeEncryptedEntry("e.txt", "encrypted and damaged", "pw");
    builder.Add(entry.Entry);
    Bytes archive = builder.Build();
    entry.Patch.Crc = *entry.Patch.Crc ^ 1;  // the check byte still matches
    test::PatchEntry(archive, 0, entry.Patch);
    Open(archive);
    zipper.FilesList() = {"*"};
    zipper.SetPassword("pw");
    log.NewPasswords = {"again"};
    log.Attach(zipper);
    EXPECT_EQ(zipper.UnZip(), 0);
    // The retry runs the whole step again: the new password fails the header check, and
    // without another one the entry is skipped.
    EXPECT_EQ(log.Lines, (std::vector<std::string>{
                             "info 1 21",
                             "start 0 e.txt",
                             "badpassword 0 pw",
                             "start 0 e.txt",
                             "badpassword 0 again",
                             "skip 0 0 e.txt",
                             "complete 0",
                         }));
    EXPECT_FALSE(OutExists("e.txt"));
}

TEST_F(ExtractRun, TheCheckByteOfAnEntryWithADataDescriptorIsTheTimesHighByte) {
    test::ZipBuilder builder;
    auto timed = test::MakeEncryptedEntry("timed.txt", "checked by time", "pw", true);
    builder.Add(timed.Entry);
    Bytes archive = builder.Build();
    test::PatchEntry(archive, 0, timed.Patch);
    Open(archive);
    zipper.SetDoAll(true);
    zipper.SetPassword("pw");
    log.Attach(zipper);
    EXPECT_EQ(zipper.UnZip(), 1);
    EXPECT_EQ(Out("timed.txt"), "checked by time");
}

TEST_F(ExtractRun, ProgressOfExactlyOneBlockIsReportedOnceAtAHundred) {
    // The order of one thread: with workers, later entries start before earlier ones end
    // and progress is reported when an entry is finished, after its refills.
    zipper.SetThreads(1);
    test::ZipBuilder builder;
    builder.Add({"block.bin", std::string(32768, 'x')});
    builder.Add({"more.bin", std::string(32768 + 100, 'y')});
    Open(builder.Build());
    zipper.FilesList() = {"block.bin"};
    log.Attach(zipper, true);
    EXPECT_EQ(zipper.UnZip(), 1);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"info 1 32768", "start 0 block.bin", "file% 100",
                                                   "total% 100", "end 0 block.bin", "complete 1"}));
    log.Lines.clear();
    zipper.SetDoAll(true);
    zipper.SetOverwriteMode(TUZOverwriteMode::Always);
    EXPECT_EQ(zipper.UnZip(), 2);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{
                             "info 2 65636", "start 0 block.bin", "file% 100", "total% 50",
                             "end 0 block.bin", "start 1 more.bin", "file% 100", "total% 100",
                             "file% 100", "total% 100", "end 1 more.bin", "complete 2"}));
}

TEST_F(ExtractRun, ASkipFromOnStartUnZipEndsTheEntryAndANewNameIsWhereItGoes) {
    test::ZipBuilder builder;
    builder.Add({"skipped.txt", "one"});
    builder.Add({"renamed.txt", "two"});
    Open(builder.Build());
    zipper.SetDoAll(true);
    log.Attach(zipper);
    zipper.OnStartUnZip = [&](TUnZipper&, int index, std::string& name, bool& skip) {
        log.Lines.push_back("start " + std::to_string(index));
        skip = index == 0;
        name = (temp / "elsewhere" / "new.txt").string();
    };
    EXPECT_EQ(zipper.UnZip(), 1);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{
                             "info 2 6", "start 0", "start 1",
                             "end 1 " + (temp / "elsewhere" / "new.txt").string(), "complete 1"}));
    EXPECT_FALSE(OutExists("skipped.txt"));
    EXPECT_FALSE(OutExists("renamed.txt"));
    EXPECT_EQ(test::ReadFileBytes(temp / "elsewhere" / "new.txt"), (Bytes{'t', 'w', 'o'}));
}

TEST_F(ExtractRun, MethodsWithoutADecoderAreSkippedByNameBeforeAnyPasswordOrFile) {
    test::ZipBuilder builder;
    builder.Add({"tokenized.bin", "data"});
    builder.Add({"ppmd.bin", "data"});
    auto locked = test::MakeEncryptedEntry("locked.bin", "data", "pw");
    builder.Add(locked.Entry);
    builder.Add({"garbage.bin", "data"});
    builder.Add({"plain.txt", "text"});
    Bytes archive = builder.Build();
    test::PatchEntry(archive, 0, EntryPatch{.Method = 7});
    test::PatchEntry(archive, 1, EntryPatch{.Method = 98});
    locked.Patch.Method = 97;
    test::PatchEntry(archive, 2, locked.Patch);
    test::PatchEntry(archive, 3, EntryPatch{.Method = 0xFECA});
    Open(archive);
    zipper.SetDoAll(true);
    zipper.SetPassword("wrong");
    log.Attach(zipper);
    std::vector<std::string> details;
    zipper.OnSkippingFile = [&](TUnZipper& sender, TSkipReason reason, const std::string&, int,
                                bool&) {
        EXPECT_EQ(reason, skUnsupportedMethod);
        details.push_back(sender.LastSkipDetail());
    };
    ScriptedServices services;
    ServicesScope scope(services);
    EXPECT_EQ(zipper.UnZip(), 1);
    EXPECT_TRUE(services.Shown.empty());
    EXPECT_EQ(details,
              (std::vector<std::string>{"compression method 7 (tokenize) is not supported",
                                        "compression method 98 (PPMd) is not supported",
                                        "compression method 97 (WavPack) is not supported",
                                        "compression method 65226 (unknown) is not supported"}));
    EXPECT_EQ(log.Lines,
              (std::vector<std::string>{"info 5 20", "start 0 tokenized.bin", "start 1 ppmd.bin",
                                        "start 2 locked.bin", "start 3 garbage.bin",
                                        "start 4 plain.txt", "end 4 plain.txt", "complete 1"}));
    EXPECT_EQ(fs::directory_iterator(temp / "out")->path().filename(), "plain.txt");
}

TEST_F(ExtractRun, DataLongerThanDeclaredIsABadCrcAndLeavesNoFile) {
    test::ZipBuilder builder;
    builder.Add({"long.txt", std::string(40000, 'L')});
    Bytes archive = builder.Build();
    // The CRC is that of the whole data, so only the size check can catch it.
    test::PatchEntry(archive, 0, EntryPatch{.UncompressedSize = 10});
    Open(archive);
    zipper.SetDoAll(true);
    log.Attach(zipper);
    EXPECT_EQ(zipper.UnZip(), 0);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"info 1 10", "start 0 long.txt", "badcrc 0",
                                                   "complete 0"}));
    EXPECT_FALSE(OutExists("long.txt"));
    std::vector<uint8_t> buffer;
    EXPECT_EQ(zipper.UnZipToBuffer(buffer, 0), 0);
    EXPECT_TRUE(buffer.empty());  // the buffer the step sized is released
}

TEST_F(ExtractRun, MemoryAndTestRunsWriteNoFileAndReportNoName) {
    test::ZipBuilder builder;
    builder.Add({"dir/", ""});
    builder.Add({"dir/a.txt", "contents of a"});
    builder.Add({"b.txt", "bb"});
    Bytes archive = builder.Build();
    // A size far beyond the data costs no memory: the buffer grows with what arrives.
    test::PatchEntry(archive, 2, EntryPatch{.UncompressedSize = TUnZipper::kMaxMemoryEntrySize});
    Open(archive);
    log.Attach(zipper);
    std::vector<uint8_t> buffer;
    EXPECT_EQ(zipper.UnZipToBuffer(buffer, 1), 1);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "contents of a");
    std::vector<uint8_t> claimed;
    EXPECT_EQ(zipper.UnZipToBuffer(claimed, 2), 1);
    EXPECT_EQ(claimed, (Bytes{'b', 'b'}));
    EXPECT_TRUE(zipper.TestEntry(1));
    zipper.SetDoAll(true);
    EXPECT_FALSE(zipper.TestEntries(-1));  // b.txt is not as long as its header says
    EXPECT_TRUE(fs::is_empty(temp / "out"));
    for (const std::string& line : log.Lines) {
        if (line.rfind("start", 0) == 0 || line.rfind("end", 0) == 0) {
            EXPECT_EQ(line.back(), ' ') << line;  // no output path
        }
    }
}

TEST_F(ExtractRun, ACancelSeenAtARefillEndsTheRunWithTheCompletionReported) {
    // The order of one thread: with workers, later entries start before earlier ones end
    // and progress is reported when an entry is finished, after its refills.
    zipper.SetThreads(1);
    test::ZipBuilder builder;
    builder.Add({"big.bin", std::string(100000, 'b')});
    builder.Add({"after.txt", "never"});
    Open(builder.Build());
    zipper.SetDoAll(true);
    log.Attach(zipper);
    ScriptedServices services;
    ServicesScope scope(services);
    zipper.OnFilePercentDone = [&](TUnZipper& sender, int) { sender.SetCancelRequested(true); };
    try {
        zipper.UnZip();
        FAIL();
    } catch (const EUserCanceled& error) {
        EXPECT_STREQ(error.what(), "User Aborted Operation");
    }
    EXPECT_GE(services.ProcessCalls, 2);  // the user interface had a turn at every refill
    EXPECT_EQ(log.Lines.back(), "complete 0");
    EXPECT_FALSE(OutExists("after.txt"));
    EXPECT_FALSE(zipper.CancelRequested());
}

TEST_F(ExtractRun, AnArchiveEndingInsideStoredDataIsAFatalError) {
    test::ZipBuilder builder;
    builder.Add({"cut.bin", "short"});
    Bytes archive = builder.Build();
    test::PatchEntry(archive, 0, EntryPatch{.CompressedSize = 100000});
    Open(archive);
    zipper.SetDoAll(true);
    try {
        zipper.UnZip();
        FAIL();
    } catch (const EFatalUnzipError& error) {
        EXPECT_STREQ(error.what(), "Premature end of file reached");
    }
}

// Disk 1 holds the first entry and part of the second; disk 2 the rest, the central
// directory and the end record.
class SpanningSet : public ExtractRun {
  protected:
    void WriteSet(size_t cutInto) {
        builder.Add({"first.txt", "on the first disk"});
        builder.Add({"spans.bin", std::string(50000, 's')});
        std::vector<uint32_t> offsets;
        const Bytes locals = builder.LocalPart(offsets);
        const Bytes central = builder.CentralPart(offsets);
        const size_t cut = offsets[1] + cutInto;
        test::WriteFileBytes(temp / "set.001", Bytes(locals.begin(), locals.begin() + cut));
        Bytes last(locals.begin() + cut, locals.end());
        const uint32_t centralOffset = static_cast<uint32_t>(last.size());
        last.insert(last.end(), central.begin(), central.end());
        const Bytes end = test::ZipBuilder::EndRecord(
            1, 1, 2, static_cast<uint32_t>(central.size()), centralOffset, "");
        last.insert(last.end(), end.begin(), end.end());
        test::WriteFileBytes(temp / "set.002", last);
        zipper.SetZipName((temp / "set.002").string());
        zipper.SetDestDir((temp / "out").string());
    }
    test::ZipBuilder builder;
};

TEST_F(SpanningSet, DataRunningOffTheEndOfADiskContinuesOnTheNext) {
    WriteSet(30000);
    zipper.SetDoAll(true);
    std::vector<int> asked;
    zipper.OnGetNextDisk = [&](TUnZipper& sender, int disk, std::string& name) {
        asked.push_back(disk);
        name = (temp / ("set.00" + std::to_string(disk))).string();
        (void)sender;
    };
    EXPECT_EQ(zipper.UnZip(), 2);
    EXPECT_EQ(asked, (std::vector<int>{1, 2}));
    EXPECT_EQ(Out("spans.bin"), std::string(50000, 's'));
}

TEST_F(SpanningSet, DataThatWouldGoOnPastTheLastDiskIsAPrematureEnd) {
    WriteSet(30000);
    // The first disk loses bytes, so the second entry claims more data than the set holds.
    fs::resize_file(temp / "set.001", fs::file_size(temp / "set.001") - 10000);
    zipper.FilesList() = {"spans.bin"};
    std::vector<int> asked;
    zipper.OnGetNextDisk = [&](TUnZipper&, int disk, std::string& name) {
        asked.push_back(disk);
        name = (temp / ("set.00" + std::to_string(disk))).string();
    };
    EXPECT_THROW(zipper.UnZip(), EFatalUnzipError);
    EXPECT_EQ(asked, (std::vector<int>{1, 2}));
}

TEST_F(SpanningSet, ARefusedNextDiskCancelsTheRun) {
    WriteSet(30000);
    zipper.SetDoAll(true);
    zipper.OnGetNextDisk = [&](TUnZipper&, int disk, std::string& name) {
        name = disk == 1 ? (temp / "set.001").string() : "";
    };
    zipper.ReadZip();
    try {
        zipper.UnZip();
        FAIL();
    } catch (const EUserCanceled& error) {
        EXPECT_STREQ(error.what(), "User Aborted Operation");
    }
}

}  // namespace
}  // namespace mobrel
