// What the entry list tells of each entry beyond its name: permissions as `ls -l` writes
// them (Unix modes, DOS attributes, links), the compression method and the encryption, each
// column sorting as the others do; and folders shown with '/' wherever the window names an
// entry.
#include <QHeaderView>
#include <QIcon>
#include <algorithm>
#include <map>

#include "entry_list_model.h"
#include "main_window_fixture.h"

namespace {

namespace fs = std::filesystem;
using mobrel::test::RunCommand;
using mobrel::test::ShellQuote;
using Lines = std::vector<std::string>;

// Entries of a Unix host with full modes, one with permission bits alone, a link, and two
// of a DOS host; stored, deflated, bzip2 and LZMA. Python's zipfile writes what it is given.
constexpr const char* kUnixHostScript = R"(import sys, zipfile
def entry(name, mode, system=3, dos=0):
    info = zipfile.ZipInfo(name, (2024, 5, 15, 12, 0, 0))
    info.create_system = system
    info.external_attr = (mode << 16) | dos
    return info
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr(entry("bin/", 0o40755, dos=0x10), "")
    z.writestr(entry("bin/run.sh", 0o100755), "#!/bin/sh\n" * 20, zipfile.ZIP_DEFLATED)
    z.writestr(entry("bin/su-tool", 0o104751), "x", zipfile.ZIP_STORED)
    z.writestr(entry("notes.txt", 0o100640), "notes " * 50, zipfile.ZIP_BZIP2)
    z.writestr(entry("data.bin", 0o600), "data " * 50, zipfile.ZIP_LZMA)
    z.writestr(entry("latest", 0o120777), "bin/run.sh", zipfile.ZIP_STORED)
    z.writestr(entry("readonly.txt", 0, system=0, dos=0x21), "r")
    z.writestr(entry("dos folder/", 0, system=0, dos=0x10), "")
)";

constexpr const char* kAes256Archive = "enc-aes256-method99-pw-pass7z--7z-gen.zip";
constexpr const char* kZipCryptoArchive = "enc-zipcrypto-stored-8files-pw-test--sharpcompress.zip";

struct TDetails {
    std::string Permissions;
    std::string Method;
    std::string Encryption;
    bool operator==(const TDetails&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TDetails& details) {
    return out << details.Permissions << " " << details.Method << " " << details.Encryption;
}

class EntryDetailsTest : public MainWindowTest {
  protected:
    TUnzipPage& Open(const std::string& archive) {
        if (!started_) {
            Start();
            started_ = true;
        }
        UnzipPage().OpenArchive(archive);
        return UnzipPage();
    }
    std::string UnixHostArchive() {
        const fs::path script = Scratch() / "unix_host.py";
        const fs::path archive = Scratch() / "unix-host.zip";
        mobrel::test::WriteFileText(script, kUnixHostScript);
        const auto made = RunCommand("python3 " + ShellQuote(script.string()) + " " +
                                     ShellQuote(archive.string()));
        EXPECT_EQ(made.ExitCode, 0) << made.Output;
        return archive.string();
    }
    // Each row's details by its whole name as shown.
    std::map<std::string, TDetails> DetailsByName(const TEntryListModel& rows) {
        std::map<std::string, TDetails> details;
        for (int row = 0; row < rows.RowCount(); ++row) {
            const std::string name = (rows.CellText(row, TEntryListModel::ColPath) +
                                      rows.CellText(row, TEntryListModel::ColFileName))
                                         .toStdString();
            details[name] = {Cell(rows, row, TEntryListModel::ColPermissions),
                             Cell(rows, row, TEntryListModel::ColMethod),
                             Cell(rows, row, TEntryListModel::ColEncryption)};
        }
        return details;
    }
    static std::string Cell(const TEntryListModel& rows, int row, int column) {
        return rows.CellText(row, column).toStdString();
    }
    Lines Column(const TEntryListModel& rows, int column) {
        Lines cells;
        for (int row = 0; row < rows.RowCount(); ++row) {
            cells.push_back(Cell(rows, row, column));
        }
        return cells;
    }

  private:
    bool started_ = false;
};

TEST_F(EntryDetailsTest, PermissionsMethodAndEncryptionOfEachEntry) {
    const TEntryListModel& rows = *Open(UnixHostArchive()).EntryList;
    const std::map<std::string, TDetails> expected = {
        {"bin/", {"drwxr-xr-x", "stored", "none"}},
        {"bin/run.sh", {"-rwxr-xr-x", "deflate", "none"}},
        {"bin/su-tool", {"-rwsr-x--x", "stored", "none"}},
        {"notes.txt", {"-rw-r-----", "bzip2", "none"}},
        // Permission bits without a type: a file, as the name says.
        {"data.bin", {"-rw-------", "LZMA", "none"}},
        {"latest", {"lrwxrwxrwx", "stored", "none"}},
        // A DOS host's entries get what extraction gives them before the umask.
        {"readonly.txt", {"-r--r--r--", "stored", "none"}},
        {"dos folder/", {"drwxrwxrwx", "stored", "none"}}};
    EXPECT_EQ(DetailsByName(rows), expected);
    EXPECT_EQ(rows.headerData(TEntryListModel::ColPermissions, Qt::Horizontal, Qt::DisplayRole)
                  .toString(),
              "Permissions");

    // The link, and only the link, is marked as one.
    for (int row = 0; row < rows.RowCount(); ++row) {
        const bool link = Cell(rows, row, TEntryListModel::ColFileName) == "latest";
        EXPECT_EQ(rows.IsLinkRow(row), link) << row;
        const QModelIndex name = rows.index(row, TEntryListModel::ColFileName);
        EXPECT_EQ(rows.data(name, Qt::ToolTipRole).toString() == "Symbolic link", link) << row;
        EXPECT_EQ(!rows.data(name, Qt::DecorationRole).value<QIcon>().isNull(), link) << row;
    }
}

TEST_F(EntryDetailsTest, EncryptionNamesTheCipherAndMethodTheDataUnderIt) {
    // AES-128 and AES-192 as the peer writes them, beside the shared AES-256 and ZipCrypto
    // archives.
    const fs::path plain = Scratch() / "plain.txt";
    mobrel::test::WriteFileText(plain, std::string(2000, 'p'));
    std::map<std::string, TDetails> seen;
    for (const char* cipher : {"AES128", "AES192"}) {
        const fs::path archive = Scratch() / (std::string(cipher) + ".zip");
        const auto made =
            RunCommand("7z a -tzip -pSecret -mem=" + std::string(cipher) + " " +
                       ShellQuote(archive.string()) + " " + ShellQuote(plain.string()));
        ASSERT_EQ(made.ExitCode, 0) << made.Output;
        seen[cipher] = DetailsByName(*Open(archive.string()).EntryList).at("plain.txt");
    }
    EXPECT_EQ(seen["AES128"].Method, "deflate");
    EXPECT_EQ(seen["AES128"].Encryption, "AES-128");
    EXPECT_EQ(seen["AES192"].Encryption, "AES-192");

    const auto aes256 = DetailsByName(*Open(CopyTestArchive(kAes256Archive)).EntryList);
    EXPECT_EQ(aes256.at("docs/").Encryption, "none");
    EXPECT_EQ(aes256.at("docs/hamlet_30k.txt").Method, "deflate");
    EXPECT_EQ(aes256.at("docs/hamlet_30k.txt").Encryption, "AES-256");
    EXPECT_EQ(aes256.at("docs/empty.txt").Method, "stored");

    for (const auto& [name, details] :
         DetailsByName(*Open(CopyTestArchive(kZipCryptoArchive)).EntryList)) {
        EXPECT_EQ(details.Encryption, "ZipCrypto") << name;
    }
}

TEST_F(EntryDetailsTest, TheDetailColumnsSortAsTheOthersDo) {
    TUnzipPage& page = Open(UnixHostArchive());
    const TEntryListModel& rows = *page.EntryList;
    page.SortByColumn(TEntryListModel::ColPermissions);
    Lines permissions = Column(rows, TEntryListModel::ColPermissions);
    EXPECT_TRUE(std::is_sorted(permissions.begin(), permissions.end())) << permissions.front();
    EXPECT_EQ(page.Header1->sortIndicatorOrder(), Qt::AscendingOrder);
    page.SortByColumn(TEntryListModel::ColPermissions);
    permissions = Column(rows, TEntryListModel::ColPermissions);
    EXPECT_TRUE(std::is_sorted(permissions.rbegin(), permissions.rend()));
    EXPECT_EQ(page.Header1->sortIndicatorOrder(), Qt::DescendingOrder);

    page.SortByColumn(TEntryListModel::ColMethod);
    const Lines methods = Column(rows, TEntryListModel::ColMethod);
    // The engine's text order folds case: "bzip2" "deflate" "LZMA" "stored".
    EXPECT_EQ(Lines(methods.begin(), methods.begin() + 3), (Lines{"bzip2", "deflate", "LZMA"}));
    EXPECT_EQ(methods.back(), "stored");
    // A row still stands for the entry it shows.
    const int lzma = 2;
    EXPECT_EQ(Cell(rows, lzma, TEntryListModel::ColFileName), "data.bin");
    EXPECT_EQ(Form().Zipper1.EntryFileName(page.EntryOfRow(lzma)), "data.bin");

    Open(CopyTestArchive(kAes256Archive));
    page.SortByColumn(TEntryListModel::ColEncryption);
    const Lines ciphers = Column(rows, TEntryListModel::ColEncryption);
    EXPECT_EQ(ciphers.front(), "AES-256");
    EXPECT_EQ(ciphers.back(), "none");
}

}  // namespace
