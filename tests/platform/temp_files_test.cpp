#include "platform/temp_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/engine_errors.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

// Sets $TMPDIR for one scope and restores what was there.
class TmpDirOverride {
  public:
    explicit TmpDirOverride(const char* value) {
        if (const char* old = std::getenv("TMPDIR")) {
            saved_ = old;
        }
        if (value != nullptr) {
            setenv("TMPDIR", value, 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    ~TmpDirOverride() {
        if (saved_) {
            setenv("TMPDIR", saved_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }

  private:
    std::optional<std::string> saved_;
};

TEST(TempFiles, TempDirectoryHonoursTmpdirAndAlwaysEndsWithASeparator) {
    {
        TmpDirOverride override("/var/tmp");
        EXPECT_EQ(TempDirectory(), "/var/tmp/");
    }
    {
        TmpDirOverride override("");
        EXPECT_EQ(TempDirectory(), "/tmp/");
    }
    {
        TmpDirOverride override(nullptr);
        EXPECT_EQ(TempDirectory(), "/tmp/");
    }
}

TEST(TempFiles, MakeTempFileCreatesDistinctEmptyFilesWithThePrefix) {
    test::TempDir dir;
    const std::string first = MakeTempFile(dir.Path().string());
    const std::string second = MakeTempFile(dir.Path().string() + "/");
    EXPECT_NE(first, second);
    for (const std::string& name : {first, second}) {
        EXPECT_EQ(fs::path(name).parent_path(), dir.Path());
        EXPECT_EQ(fs::path(name).filename().string().rfind("MBZ", 0), 0u) << name;
        ASSERT_TRUE(fs::is_regular_file(name));
        EXPECT_EQ(fs::file_size(name), 0u);
    }
}

TEST(TempFiles, MakeTempFileInAMissingFolderRaisesInsteadOfReturningAName) {
    test::TempDir dir;
    const std::string missing = (dir / "missing").string();
    try {
        MakeTempFile(missing);
        FAIL() << "no exception";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + missing + "/MBZ", 0), 0u)
            << e.what();
    }
}

}  // namespace
}  // namespace mobrel
