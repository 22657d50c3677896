// Reading names in the code page the user chose: MS-DOS names without the UTF-8 flag follow
// the page (read again when it changes, also from local headers, and extracted under the
// names they give); flagged names, Unicode Path fields and other hosts' names do not.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "codecs/crc32.h"
#include "format/code_page_archives.h"
#include "format/extra_field.h"
#include "format/zip_header_info.h"
#include "platform/byte_order.h"
#include "platform/code_page.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::DosName;

std::string Backslashed(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

std::vector<std::string> ListedNames(TUnZipper& zipper) {
    zipper.ReadZip();
    std::vector<std::string> names;
    for (int i = 0; i < zipper.Count(); ++i) {
        names.push_back(zipper.EntryFullName(i));
    }
    return names;
}

std::vector<std::string> Utf8Names(const std::vector<DosName>& names) {
    std::vector<std::string> result;
    for (const DosName& name : names) {
        result.push_back(Backslashed(name.Utf8));
    }
    return result;
}

class NamesCodePageReadTest : public testing::Test {
  protected:
    std::string Write(const test::Bytes& bytes, const std::string& name = "names.zip") {
        const fs::path path = temp_ / name;
        test::WriteFileBytes(path, bytes);
        return path.string();
    }
    TUnZipper& Open(const std::string& archive, TNamesCodePage page) {
        zipper_.SetIncompleteZipMode(izAssumeBad);
        zipper_.SetZipName(archive);
        zipper_.SetNamesCodePage(page);
        return zipper_;
    }
    fs::path Temp() const { return temp_.Path(); }

  private:
    test::TempDir temp_;
    TUnZipper zipper_;
};

TEST_F(NamesCodePageReadTest, DosNamesFollowThePageAndAreReadAgainWhenItChanges) {
    const std::string archive = Write(test::MsDosArchive(test::Cp866Names()));
    TUnZipper& zipper = Open(archive, TNamesCodePage::Cp437);
    std::vector<std::string> asCp437;
    for (const DosName& name : test::Cp866Names()) {
        asCp437.push_back(Backslashed(OemToAnsi(name.Stored)));
    }
    EXPECT_EQ(ListedNames(zipper), asCp437);

    // The file is the same; the new page alone makes the next ReadZip read it again.
    zipper.SetNamesCodePage(TNamesCodePage::Cp866);
    EXPECT_EQ(ListedNames(zipper), Utf8Names(test::Cp866Names()));
    EXPECT_EQ(zipper.EntryPath(0), "Привет\\");
    EXPECT_EQ(zipper.EntryFileName(0), "Отчёт.txt");
    for (int i = 0; i < zipper.Count(); ++i) {
        EXPECT_EQ(zipper.EntryInfo(i).NameAsRead().Bytes, test::Cp866Names()[i].Stored);
        EXPECT_FALSE(zipper.EntryInfo(i).NameAsRead().Utf8);
    }
    zipper.SetNamesCodePage(TNamesCodePage::Cp437);
    EXPECT_EQ(ListedNames(zipper), asCp437);
}

TEST_F(NamesCodePageReadTest, ShiftJisSecondBytesThatLookLikeBackslashesSplitNoFolder) {
    TUnZipper& zipper =
        Open(Write(test::MsDosArchive(test::ShiftJisNames())), TNamesCodePage::Cp932);
    EXPECT_EQ(ListedNames(zipper), Utf8Names(test::ShiftJisNames()));
    EXPECT_EQ(zipper.EntryPath(0), "日本語\\");
    EXPECT_EQ(zipper.EntryFileName(0), "表示.txt");
    EXPECT_EQ(zipper.EntryPath(1), "");
    EXPECT_EQ(zipper.EntryFileName(1), "ソフト.txt");
}

TEST_F(NamesCodePageReadTest, FlaggedUnicodePathAndOtherHostsNamesIgnoreThePage) {
    const std::string cp866 = "\x9E\xAD\xA8\xAA\xAE\xA4.txt";  // "Юникод.txt"
    test::ZipBuilder builder;
    test::BuiltEntry flagged("caf\u00e9/\u041e\u0442\u0447\u0451\u0442.txt", "a");
    flagged.Flags = kUtf8NameFlag;
    flagged.VersionMadeBy = test::kMadeOnMsDos;
    builder.Add(flagged);
    test::BuiltEntry withPath(cp866, "b");
    withPath.VersionMadeBy = test::kMadeOnMsDos;
    std::string field(5, '\0');
    field[0] = 1;
    StoreU32(reinterpret_cast<uint8_t*>(field.data() + 1), Crc32Of(cp866.data(), cp866.size()));
    withPath.CentralExtra = MakeExtraField(kExtraUnicodePath, field + "unicode/path.txt");
    builder.Add(withPath);
    test::BuiltEntry fromUnix(cp866, "c");  // the Unix host of the builder keeps bytes
    builder.Add(fromUnix);
    const std::string archive = Write(builder.Build());
    const std::vector<std::string> expected = {"caf\u00e9\\\u041e\u0442\u0447\u0451\u0442.txt",
                                               "unicode\\path.txt", cp866};
    for (const TNamesCodePage page : NamesCodePages()) {
        EXPECT_EQ(ListedNames(Open(archive, page)), expected) << CodePageName(page);
    }
}

TEST_F(NamesCodePageReadTest, ADirectoryRebuiltFromLocalHeadersUsesThePageToo) {
    test::ZipBuilder builder;
    for (const DosName& name : test::Cp866Names()) {
        builder.Add(test::BuiltEntry(name.Stored, "x"));
    }
    std::vector<uint32_t> offsets;
    const test::Bytes localsOnly = builder.LocalPart(offsets);
    TUnZipper& zipper = Open(Write(localsOnly), TNamesCodePage::Cp866);
    EXPECT_EQ(ListedNames(zipper), Utf8Names(test::Cp866Names()));
    EXPECT_TRUE(zipper.DirectoryRebuilt());
}

TEST_F(NamesCodePageReadTest, ExtractedFilesGetTheDecodedNames) {
    struct Case {
        const std::vector<DosName>* Names;
        TNamesCodePage Page;
    };
    for (const Case& c : {Case{&test::Cp866Names(), TNamesCodePage::Cp866},
                          Case{&test::ShiftJisNames(), TNamesCodePage::Cp932}}) {
        const std::string page(CodePageName(c.Page));
        const fs::path out = Temp() / ("out-" + page);
        fs::create_directories(out);
        TUnZipper& zipper = Open(Write(test::MsDosArchive(*c.Names), page + ".zip"), c.Page);
        zipper.ReadZip();
        zipper.SetDestDir(out.string());
        zipper.SetRecreateDirs(true);
        zipper.SetDoAll(true);
        EXPECT_EQ(zipper.UnZip(), static_cast<int>(c.Names->size())) << page;
        for (const DosName& name : *c.Names) {
            const std::vector<uint8_t> bytes = test::ReadFileBytes(out / name.Utf8);
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "content of " + name.Utf8);
        }
    }
}

}  // namespace
}  // namespace mobrel
