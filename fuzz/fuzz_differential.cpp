// Two readings of one archive built from the fuzzer's recipe (built_archive_recipe.h) must
// agree:
// - the directory read from the central headers, and the one rebuilt from the local headers
//   when the same archive is cut before its central directory: for an archive whose every
//   header tells the truth, each entry has the same name, sizes, CRC and method in both;
// - a test and an extraction with one thread, and with three: the same result, the same
//   events per entry (their order may differ) and the same files with the same bytes;
// - the entries' contents as files, zipped with one thread and with three: the same
//   archive byte for byte.
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "built_archive_recipe.h"
#include "format/zip_header_info.h"
#include "fuzz_quiet_services.h"
#include "fuzz_scratch_folder.h"
#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "reader/un_zipper.h"
#include "writer/zipper.h"

namespace {

namespace fs = std::filesystem;

const std::string& ScratchFolder() {
    static const mobrel::fuzz::TScratchFolder folder("mobrel-fuzz-differential-");
    return folder.Path();
}

void Require(bool condition, const std::string& what) {
    if (!condition) {
        std::fprintf(stderr, "%s\n", what.c_str());
        std::abort();
    }
}

void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// --- The central directory against the one rebuilt from local headers ---

// An entry as a listing shows it; the key is the name as stored.
struct TListed {
    std::string FullName;
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    uint32_t Crc = 0;
    uint16_t Method = 0;
    bool operator==(const TListed&) const = default;
};

// Nothing when the archive could not be opened.
std::optional<std::map<std::string, TListed>> Listing(const std::string& name, bool& rebuilt,
                                                      int& count) {
    mobrel::TUnZipper zipper;
    zipper.SetIncompleteZipMode(mobrel::izAssumeBad);
    try {
        zipper.SetZipName(name);
        zipper.ReadZip();
    } catch (const mobrel::EEngineError&) {
        return std::nullopt;
    }
    rebuilt = zipper.DirectoryRebuilt();
    count = zipper.Count();
    std::map<std::string, TListed> listing;
    for (int i = 0; i < zipper.Count(); ++i) {
        const mobrel::TZipHeaderInfo& info = zipper.EntryInfo(i);
        listing[info.NameAsRead().Bytes] = {zipper.EntryFullName(i), info.CompressedSize,
                                            info.UncompressedSize, info.CRC32,
                                            info.CompressionMethod};
    }
    return listing;
}

// The name a host reads may differ between the headers only where the host matters: bytes
// outside ASCII (a code page) and backslashes (a DOS separator).
bool HostIndependent(const std::string& stored) {
    return std::all_of(stored.begin(), stored.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != '\\'; });
}

void CompareWithRebuilt(const mobrel::fuzz::TArchiveRecipe& recipe) {
    // An end record's signature inside an entry's data or the comment is what the search
    // for the end record may find first, and the reader rightly follows it.
    const size_t endRecord = recipe.Bytes.size() - 22 - recipe.Comment.size();
    if (recipe.Bytes.find("PK\x05\x06") != endRecord ||
        recipe.Comment.find("PK\x05\x06") != std::string::npos) {
        return;
    }
    const std::string whole = ScratchFolder() + "/whole.zip";
    const std::string cut = ScratchFolder() + "/cut.zip";
    WriteFile(whole, recipe.Bytes);
    WriteFile(cut, recipe.Bytes.substr(0, recipe.CentralStart));
    bool centralRebuilt = false;
    bool localRebuilt = false;
    int centralCount = 0;
    int localCount = 0;
    const auto central = Listing(whole, centralRebuilt, centralCount);
    const auto local = Listing(cut, localRebuilt, localCount);
    Require(central.has_value(), "a consistent archive does not open");
    Require(!centralRebuilt, "a consistent archive's directory was rebuilt");
    Require(local.has_value() && localRebuilt, "the local headers give no directory");
    Require(std::ssize(*central) != centralCount || localCount == centralCount,
            "the rebuilt directory holds a different number of entries");
    for (const auto& [stored, entry] : *central) {
        const auto found = local->find(stored);
        Require(found != local->end(), "an entry is missing from the rebuilt directory");
        TListed rebuilt = found->second;
        if (!HostIndependent(stored)) {
            rebuilt.FullName = entry.FullName;
        }
        Require(rebuilt == entry, "the rebuilt directory lists an entry differently: " + stored);
    }
}

// --- One thread against three ---

// What a run reported and wrote.
struct TRunOutcome {
    bool Failed = false;
    bool Result = false;
    int Extracted = 0;
    std::multiset<std::tuple<int, int, uint64_t>> Events;  // (kind, index, detail)
    std::vector<uint8_t> TestStates;
    std::map<std::string, std::string> Files;  // path below the output -> kind and bytes
    bool operator==(const TRunOutcome&) const = default;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::string> FilesBelow(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) {
        return files;
    }
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        // Lexical, never resolved: an extracted link may dangle, or name a target too
        // long for the file system, and it is recorded as the link it is.
        const std::string relative = item.path().lexically_relative(folder).string();
        if (item.is_symlink()) {
            files[relative] = "link " + fs::read_symlink(item.path()).string();
        } else if (item.is_directory()) {
            files[relative] = "folder";
        } else {
            files[relative] = "file " + ReadAll(item.path());
        }
    }
    return files;
}

void RecordEvents(mobrel::TUnZipper& zipper, TRunOutcome& outcome) {
    zipper.OnSkippingFile = [&outcome](mobrel::TUnZipper&, mobrel::TSkipReason reason,
                                       const std::string&, int index, bool&) {
        outcome.Events.insert({0, index, static_cast<uint64_t>(reason)});
    };
    zipper.OnBadCRC = [&outcome](mobrel::TUnZipper&, uint32_t calculated, uint32_t, int index) {
        outcome.Events.insert({1, index, calculated});
    };
    zipper.OnEndUnZip = [&outcome](mobrel::TUnZipper&, int index, const std::string&) {
        outcome.Events.insert({2, index, 0});
    };
}

TRunOutcome Run(const std::string& name, int threads, bool extract) {
    TRunOutcome outcome;
    const fs::path output = ScratchFolder() + "/out" + std::to_string(threads);
    mobrel::TUnZipper zipper;
    zipper.SetIncompleteZipMode(mobrel::izAssumeBad);
    zipper.SetPassword(mobrel::fuzz::kRecipePassword);
    zipper.SetThreads(threads);
    RecordEvents(zipper, outcome);
    try {
        zipper.SetZipName(name);
        zipper.ReadZip();
        zipper.SetDoAll(true);
        if (extract) {
            fs::create_directories(output);
            zipper.SetDestDir(output.string());
            zipper.SetOverwriteMode(mobrel::TUZOverwriteMode::Always);
            outcome.Extracted = zipper.UnZip();
        } else {
            outcome.Result = zipper.TestEntries(-1);
        }
        for (int i = 0; i < zipper.Count(); ++i) {
            outcome.TestStates.push_back(zipper.EntryInfo(i).TestState);
        }
    } catch (const mobrel::EEngineError&) {
        outcome.Failed = true;
    }
    outcome.Files = FilesBelow(output);
    fs::remove_all(output);
    return outcome;
}

// Several threads prepare entries ahead of the one being decoded, so a run that fails may
// already have reported skips of entries past the failing one, which one thread never
// reaches. Apart from those skips both runs must report the same.
bool SameOutcome(const TRunOutcome& oneThread, TRunOutcome threaded) {
    if (oneThread.Failed && threaded.Failed) {
        int lastReached = -1;
        for (const auto& event : oneThread.Events) {
            lastReached = std::max(lastReached, std::get<1>(event));
        }
        std::erase_if(threaded.Events, [&](const auto& event) {
            return std::get<0>(event) == 0 && std::get<1>(event) > lastReached &&
                   !oneThread.Events.contains(event);
        });
    }
    return oneThread == threaded;
}

void CompareThreads(const mobrel::fuzz::TArchiveRecipe& recipe) {
    const std::string name = ScratchFolder() + "/threads.zip";
    WriteFile(name, recipe.Bytes);
    Require(SameOutcome(Run(name, 1, false), Run(name, 3, false)),
            "testing differs with three threads");
    Require(SameOutcome(Run(name, 1, true), Run(name, 3, true)),
            "extracting differs with three threads");
}

// --- The writer: one thread against three ---

constexpr mobrel::TCompressionMethod kWrittenMethods[] = {
    mobrel::cmStored, mobrel::cmDeflated, mobrel::cmBzip2, mobrel::cmLzma, mobrel::cmZstd};

// The archive's bytes, or the error the run ended with.
std::string ZipWithThreads(const std::vector<std::string>& files, uint8_t pick, int threads) {
    const std::string archive = ScratchFolder() + "/written.zip";
    fs::remove(archive);
    mobrel::TZipper zipper;
    zipper.SetThreads(threads);
    zipper.SetTempPath(ScratchFolder());
    zipper.SetStorePaths(false);
    zipper.SetPackLevel(pick % 10);
    zipper.SetCompressionMethod(kWrittenMethods[(pick / 10) % std::size(kWrittenMethods)]);
    zipper.FilesList() = files;
    try {
        zipper.SetZipName(archive);
        zipper.Zip();
    } catch (const mobrel::EEngineError& error) {
        return std::string("failed: ") + error.what();
    }
    return ReadAll(archive);
}

void CompareWriterThreads(const mobrel::fuzz::TArchiveRecipe& recipe, uint8_t pick) {
    const fs::path folder = ScratchFolder() + "/files";
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::vector<std::string> files;
    for (size_t i = 0; i < recipe.Entries.size(); ++i) {
        files.push_back((folder / ("f" + std::to_string(i))).string());
        WriteFile(files.back(), recipe.Entries[i].Plain);
    }
    Require(ZipWithThreads(files, pick, 1) == ZipWithThreads(files, pick, 3),
            "zipping differs with three threads");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static mobrel::fuzz::TQuietServices quiet;
    mobrel::InstallServices(&quiet);
    try {
        CompareWithRebuilt(mobrel::fuzz::BuildArchive(data, size, true));
        const mobrel::fuzz::TArchiveRecipe recipe = mobrel::fuzz::BuildArchive(data, size, false);
        CompareThreads(recipe);
        CompareWriterThreads(recipe, size > 0 ? data[size - 1] : 0);
    } catch (const mobrel::EEngineError&) {
        // an encoder refused the recipe's bytes
    }
    return 0;
}
