#include "add_command.h"

#include <charconv>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <system_error>

#include "command_line.h"
#include "platform/file_helpers.h"
#include "progress_bar.h"
#include "subcommand.h"
#include "threads_option.h"
#include "unmatched_files.h"
#include "writer/zipper.h"

namespace mobrel::cli {

const char* const kAddSummary = "zip files into a new or existing archive";
const char* const kAddUsage =
    "usage: mobrel-cli add ARCHIVE [-0 ... -9] [-r] [-R ROOTDIR] [-x PATTERN]...\n"
    "                      [-n PATTERN]... [-u | -f] [-P PASSWORD [--encryption KIND]]\n"
    "                      [--no-paths] [--volumes] [--symlinks]\n"
    "                      [--method store|deflate|bzip2|lzma|zstd|xz] [-T THREADS]\n"
    "                      [--block-size N [--first-block-size N] [--split-names KIND]]\n"
    "                      FILE-OR-SPEC...\n"
    "\n"
    "Zips files, folders and wildcard specifications (\"docs/*.html\"; a leading '|' or '>'\n"
    "switches recursion off or on for that one) into ARCHIVE. An existing entry of the same\n"
    "name is replaced; -u replaces it only with a newer file, -f only freshens existing\n"
    "entries with newer files. Files are stored with their folder relative to ROOTDIR (-R;\n"
    "the current folder by default); --no-paths stores names only.\n"
    "  -0 ... -9     store (0) or compress at that level (6 by default)\n"
    "  -r            search the sub-folders of wildcard specifications and folders\n"
    "  -x PATTERN    never zip files matching PATTERN\n"
    "  -n PATTERN    store files whose names match PATTERN without compressing them\n"
    "  -P PASSWORD   encrypt with the traditional zip encryption, or as --encryption says\n"
    "  --encryption KIND  with -P: aes256, aes192 or aes128 (AES, which every current zip\n"
    "                tool reads and which is strong), or zipcrypto (the traditional\n"
    "                encryption, weak but read everywhere; the default)\n"
    "  --method NAME compress with deflate (the default), bzip2, lzma, zstd or xz;\n"
    "                store is -0\n"
    "  -T THREADS    how many threads read and compress files: 0 (the default) one per\n"
    "                core, 1 one thread; the archive is the same whatever the count\n"
    "  --symlinks    store symbolic links as links (their target text) instead of the\n"
    "                files they point to; linked folders are not searched\n"
    "  --block-size N        write a new set of block files of N bytes each, numbered\n"
    "                        (ARCHIVE.001, ARCHIVE.002, ...; the last one holds the\n"
    "                        directory); a set that fits one block is ARCHIVE itself\n"
    "  --first-block-size N  the first block's size (N of --block-size by default)\n"
    "  --split-names KIND    how the blocks are named: numbered (or 001; the default) as\n"
    "                        above, or zip: ARCHIVE's name with .z01, .z02, ... and the\n"
    "                        last block, holding the directory, ARCHIVE itself\n";

namespace {

int PackLevelOf(const CommandLine& line) {
    int level = 6;
    for (const std::string& option : line.Order()) {
        if (option.size() == 2 && option[1] >= '0' && option[1] <= '9') {
            level = option[1] - '0';
        }
    }
    return level;
}

// The method named by --method; "store" stands for pack level 0 and keeps deflate's number.
TCompressionMethod CompressionMethodOf(const std::string& name) {
    static const std::map<std::string, TCompressionMethod> kMethods = {
        {"store", cmStored}, {"deflate", cmDeflated}, {"bzip2", cmBzip2},
        {"lzma", cmLzma},    {"zstd", cmZstd},        {"xz", cmXz}};
    const auto found = kMethods.find(name);
    if (found == kMethods.end()) {
        throw UsageError("--method takes store, deflate, bzip2, lzma, zstd or xz, not \"" + name +
                         "\"");
    }
    return found->second;
}

void ApplyMethod(TZipper& zipper, const CommandLine& line) {
    const TCompressionMethod method =
        CompressionMethodOf(line.Value("--method").value_or("deflate"));
    if (method == cmStored) {
        zipper.SetPackLevel(0);
    } else {
        zipper.SetCompressionMethod(method);
    }
}

TZipAction ZipActionOf(const CommandLine& line) {
    TZipAction action = zaReplace;
    for (const std::string& option : line.Order()) {
        if (option == "-u") {
            action = zaUpdate;
        } else if (option == "-f") {
            action = zaFreshen;
        }
    }
    return action;
}

bool IsFolder(const std::string& path, bool storeLinks) {
    std::error_code error;
    const std::filesystem::file_status status = storeLinks
                                                    ? std::filesystem::symlink_status(path, error)
                                                    : std::filesystem::status(path, error);
    return std::filesystem::is_directory(status);
}

// A folder named on the command line stands for its files (with -r, those of its
// sub-folders too); the engine itself would take it for a folder entry. A link to a folder
// stays a link when links are stored.
std::string AsFileOrSpec(const std::string& word, bool recurse, bool storeLinks) {
    if (!IsFolder(word, storeLinks)) {
        return word;
    }
    const std::string folder = word.back() == '/' ? word : word + "/";
    return recurse ? folder + "*" : "|" + folder + "*";
}

// A block size as the user typed it: a whole number of bytes, at least 1.
int64_t BlockSizeOf(const std::string& option, const std::string& text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0) {
        throw UsageError(option + " needs a number of bytes from 1 to 9223372036854775807, not \"" +
                         text + "\"");
    }
    return value;
}

TSplitNaming SplitNamingOf(const std::string& text) {
    if (text == "zip") {
        return snZip;
    }
    if (text == "numbered" || text == "001") {
        return snNumbered;
    }
    throw UsageError("--split-names takes numbered, 001 or zip, not \"" + text + "\"");
}

// Block files make a new set: the entries of an archive already there would not
// be in it, so that archive is left alone.
void ApplyBlockOptions(TZipper& zipper, const CommandLine& line, const std::string& archive) {
    if (!line.Has("--block-size")) {
        for (const char* option : {"--first-block-size", "--split-names"}) {
            if (line.Has(option)) {
                throw UsageError(std::string(option) + " goes with --block-size");
            }
        }
        return;
    }
    std::error_code error;
    if (std::filesystem::exists(archive, error)) {
        throw UsageError(archive + " exists; --block-size writes a new set only");
    }
    TMultiZipInfo info = zipper.MultiZipInfo();
    info.MultiMode = mmBlocks;
    info.BlockSize = BlockSizeOf("--block-size", *line.Value("--block-size"));
    info.FirstBlockSize = line.Has("--first-block-size")
                              ? BlockSizeOf("--first-block-size", *line.Value("--first-block-size"))
                              : info.BlockSize;
    info.SplitNaming = SplitNamingOf(line.Value("--split-names").value_or("numbered"));
    zipper.SetMultiZipInfo(info);
}

// The cipher --encryption names. Without a password there is nothing to encrypt with, and
// quietly writing plain entries would be worse than refusing.
TZipEncryption EncryptionOf(const CommandLine& line) {
    const std::optional<std::string> kind = line.Value("--encryption");
    if (!kind) {
        return TZipEncryption::Traditional;
    }
    if (!line.Has("-P")) {
        throw UsageError("--encryption needs a password (-P PASSWORD)");
    }
    if (*kind == "aes256") {
        return TZipEncryption::Aes256;
    }
    if (*kind == "aes192") {
        return TZipEncryption::Aes192;
    }
    if (*kind == "aes128") {
        return TZipEncryption::Aes128;
    }
    if (*kind == "zipcrypto") {
        return TZipEncryption::Traditional;
    }
    throw UsageError("--encryption takes aes256, aes192, aes128 or zipcrypto, not \"" + *kind +
                     "\"");
}

}  // namespace

std::vector<OptionSpec> AddOptions() {
    std::vector<OptionSpec> options = {
        {"-r"},        {"-R", true},   {"-x", true, true},     {"-n", true, true},
        {"-u"},        {"-f"},         {"-P", true},           {"--no-paths"},
        {"--volumes"}, {"--symlinks"}, {"--encryption", true}, {"--method", true},
        {"-T", true}};
    for (char level = '0'; level <= '9'; ++level) {
        options.push_back({std::string("-") + level});
    }
    return options;
}

void ApplyAddOptions(TZipper& zipper, const CommandLine& line,
                     const std::vector<std::string>& filesOrSpecs) {
    const bool recurse = line.Has("-r");
    zipper.SetPackLevel(PackLevelOf(line));
    ApplyMethod(zipper, line);
    zipper.SetZipAction(ZipActionOf(line));
    zipper.SetExcludeList(line.Values("-x"));
    zipper.SetNoCompressList(line.Values("-n"));
    zipper.SetPassword(line.Value("-P").value_or(""));
    zipper.SetEncryption(EncryptionOf(line));
    zipper.SetStoreSymlinks(line.Has("--symlinks"));
    UseThreadsOption(zipper, line);
    if (!line.Has("--no-paths")) {
        std::error_code error;
        zipper.SetRootDir(line.Value("-R").value_or(std::filesystem::current_path(error).string()));
        zipper.SetRelativePaths(true);
        zipper.SetStoreVolumes(line.Has("--volumes"));
    } else {
        zipper.SetStorePaths(false);
        zipper.SetRootDir(line.Value("-R").value_or(""));
    }
    // RelativePaths switches recursion on; here only -r does. Folders found on the way get
    // entries of their own, as other zip tools write them, so their modes and times travel.
    zipper.SetRecurse(recurse);
    zipper.SetAddDirEntriesOnRecurse(recurse && zipper.StorePaths());
    zipper.FilesList().clear();
    for (const std::string& word : filesOrSpecs) {
        zipper.FilesList().push_back(AsFileOrSpec(word, recurse, zipper.StoreSymlinks()));
    }
}

void ReportZipped(int count, const std::string& archive, bool existed) {
    std::cout << count << (count == 1 ? " file" : " files");
    if (count == 0) {
        // Nothing to zip writes nothing: no new empty archive, no rewritten old one.
        std::cout << (existed ? "; " + archive + " left as it was"
                              : "; " + archive + " not created")
                  << '\n';
    } else {
        // A set of several numbered blocks is known by its last block, which holds the
        // directory; a zip-named set by ARCHIVE.
        std::cout << " zipped into " << archive << '\n';
    }
}

std::string SkippedFileReason(TSkipReason reason, const std::string& alreadyIn) {
    switch (reason) {
        case skOpenError:
            return " (cannot be opened)";
        case skDanglingLink:
            return " (a link whose target is missing)";
        default:
            return " (already in " + alreadyIn + ")";
    }
}

int RunAdd(const std::vector<std::string>& args) {
    std::vector<OptionSpec> options = AddOptions();
    options.push_back({"--block-size", true});
    options.push_back({"--first-block-size", true});
    options.push_back({"--split-names", true});
    const CommandLine line(args, options);
    if (line.Positional().size() < 2) {
        throw UsageError(line.Positional().empty() ? "an archive is needed"
                                                   : "name at least one file to zip");
    }
    if (line.Has("-u") && line.Has("-f")) {
        throw UsageError("-u and -f exclude each other");
    }
    const std::string& archive = line.Positional()[0];
    const std::vector<std::string> typed(line.Positional().begin() + 1, line.Positional().end());
    TZipper zipper;
    zipper.SetZipName(archive);
    ApplyAddOptions(zipper, line, typed);
    ApplyBlockOptions(zipper, line, archive);
    UnmatchedFiles unmatched;
    unmatched.Attach(zipper, typed);
    bool problems = false;
    zipper.OnSkippingFile = [&](TUnZipper&, TSkipReason reason, const std::string& name, int,
                                bool&) {
        std::cerr << "mobrel-cli add: skipped " << name << SkippedFileReason(reason, "the archive")
                  << '\n';
        problems = true;
    };
    ProgressBar bar("adding");
    bar.Attach(zipper);
    const bool existed = FileExists(archive);
    const int count = zipper.Zip();
    ReportZipped(count, zipper.ZipName(), existed);
    return AddExitStatus(count, problems || unmatched.Count() > 0);
}

}  // namespace mobrel::cli
