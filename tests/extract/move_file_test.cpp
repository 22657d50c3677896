#include "extract/move_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

// Records the message boxes shown while it is installed.
class RecordedMessages : public TInteractiveServices {
  public:
    RecordedMessages() { InstallServices(this); }
    ~RecordedMessages() override { InstallServices(nullptr); }
    TMsgAnswer MessageBox(const std::string& text, const std::string& caption,
                          TMsgButtons buttons) override {
        Shown.push_back(caption + ": " + text);
        EXPECT_EQ(buttons, TMsgButtons::Ok);
        return TMsgAnswer::Ok;
    }
    std::vector<std::string> Shown;
};

// A scratch folder on a file system other than the temporary folder's, when the machine
// has one, so a rename between the two fails the way it does between disks.
fs::path OtherFileSystemFolder(const fs::path& near) {
    struct stat nearInfo {};
    stat(near.c_str(), &nearInfo);
    for (const char* candidate : {"/dev/shm", "/run/user", "/var/tmp"}) {
        struct stat info {};
        if (stat(candidate, &info) == 0 && info.st_dev != nearInfo.st_dev &&
            access(candidate, W_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

std::vector<std::string> FolderContents(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(MoveFileTo, ReplacesTheTargetWithTheSource) {
    test::TempDir tmp;
    test::WriteFileText(tmp / "new.zip", "new archive");
    test::WriteFileText(tmp / "old.zip", "old archive");
    EXPECT_TRUE(MoveFileTo((tmp / "new.zip").string(), (tmp / "old.zip").string()));
    EXPECT_FALSE(fs::exists(tmp / "new.zip"));
    const auto bytes = test::ReadFileBytes(tmp / "old.zip");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new archive");
    EXPECT_EQ(FolderContents(tmp.Path()), std::vector<std::string>{"old.zip"});
}

TEST(MoveFileTo, AFailedMoveLeavesBothFilesAlone) {
    test::TempDir tmp;
    test::WriteFileText(tmp / "old.zip", "old archive");
    // A missing source: the old target must keep its name and content.
    EXPECT_FALSE(MoveFileTo((tmp / "missing.zip").string(), (tmp / "old.zip").string()));
    // Different drives (a network share and a local path) are refused without a try.
    test::WriteFileText(tmp / "new.zip", "new archive");
    EXPECT_FALSE(MoveFileTo((tmp / "new.zip").string(), "//server/share/old.zip"));
    EXPECT_FALSE(MoveFileTo("//server/share/new.zip", (tmp / "old.zip").string()));
    EXPECT_EQ(FolderContents(tmp.Path()), (std::vector<std::string>{"new.zip", "old.zip"}));
    const auto bytes = test::ReadFileBytes(tmp / "old.zip");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old archive");
}

TEST(MoveOrCopyFile, CopiesAcrossFileSystemsKeepingTheSource) {
    test::TempDir tmp;
    const fs::path other = OtherFileSystemFolder(tmp.Path());
    if (other.empty()) {
        GTEST_SKIP() << "no second writable file system on this machine";
    }
    const fs::path source = other / ("mobrel-move-test-" + std::to_string(getpid()));
    std::vector<uint8_t> content(700 * 1024);
    for (size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<uint8_t>(i * 7 + i / 1000);
    }
    test::WriteFileBytes(source, content);
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    test::WriteFileText(tmp / "old.zip", "old archive");

    RecordedMessages messages;
    EXPECT_FALSE(MoveFileTo(source.string(), (tmp / "old.zip").string()));
    MoveOrCopyFile(source.string(), (tmp / "old.zip").string());
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(test::ReadFileBytes(tmp / "old.zip"), content);
    EXPECT_EQ(fs::status(tmp / "old.zip").permissions() & fs::perms::all,
              fs::status(source).permissions() & fs::perms::all);
    EXPECT_TRUE(fs::exists(source));
    EXPECT_EQ(FolderContents(tmp.Path()), std::vector<std::string>{"old.zip"});
    fs::remove(source);
}

TEST(MoveOrCopyFile, AFailedCopyIsReportedAndLeavesNoTrace) {
    test::TempDir tmp;
    test::WriteFileText(tmp / "new.zip", "new archive");
    fs::create_directory(tmp / "taken");  // a folder where the archive should go
    test::WriteFileText(tmp / "taken" / "keep.txt", "x");

    RecordedMessages messages;
    const std::string source = (tmp / "new.zip").string();
    const std::string target = (tmp / "taken").string();
    MoveOrCopyFile(source, target);
    EXPECT_EQ(messages.Shown,
              std::vector<std::string>{"Error: Could not copy from " + source + " -> " + target});
    EXPECT_EQ(FolderContents(tmp.Path()), (std::vector<std::string>{"new.zip", "taken"}));
    EXPECT_EQ(FolderContents(tmp / "taken"), std::vector<std::string>{"keep.txt"});
}

TEST(MoveOrCopyFile, AMissingSourceRaises) {
    test::TempDir tmp;
    test::WriteFileText(tmp / "old.zip", "old archive");
    EXPECT_THROW(MoveOrCopyFile((tmp / "missing.zip").string(), (tmp / "old.zip").string()),
                 EFileError);
    EXPECT_EQ(FolderContents(tmp.Path()), std::vector<std::string>{"old.zip"});
}

}  // namespace
}  // namespace mobrel
