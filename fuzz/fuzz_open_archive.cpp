// Arbitrary bytes opened as an archive: the reader must end in one of the engine's own
// exceptions or a directory, and every accessor over that directory must stay in bounds.
// The file is named ".zip"; when the first byte is odd it is named ".exe" instead, so the
// self-extractor scan start is reached too. Entries are extracted three folders below the
// scratch folder; anything written outside that folder (up to three levels up) aborts.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_quiet_services.h"
#include "fuzz_scratch_folder.h"
#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "reader/un_zipper.h"

namespace {

const std::string& ScratchFolder() {
    static const mobrel::fuzz::TScratchFolder folder("mobrel-fuzz-");
    return folder.Path();
}

std::string OutputFolder() {
    return ScratchFolder() + "/a/b/out";
}

// Everything the run wrote must be inside the output folder; then it is removed.
void CheckAndClearOutput() {
    namespace fs = std::filesystem;
    const fs::path output = OutputFolder();
    for (auto it = fs::recursive_directory_iterator(ScratchFolder());
         it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == output) {
            it.disable_recursion_pending();
        } else if (!it->is_directory() && it->path().parent_path() != ScratchFolder()) {
            std::fprintf(stderr, "written outside the output folder: %s\n", it->path().c_str());
            std::abort();
        }
    }
    fs::remove_all(output);
    for (const auto& item : fs::directory_iterator(ScratchFolder())) {
        if (item.is_regular_file() && item.path().filename().string().rfind("input.", 0) != 0) {
            std::fprintf(stderr, "written outside the output folder: %s\n", item.path().c_str());
            std::abort();
        }
    }
}

void WriteBytes(const std::string& name, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size)) {
        std::abort();
    }
    std::fclose(file);
}

void WalkEntries(mobrel::TUnZipper& zipper) {
    for (int i = 0; i < zipper.Count(); ++i) {
        (void)zipper.EntryFileName(i);
        (void)zipper.EntryPath(i);
        (void)zipper.EntryFullName(i);
        (void)zipper.EntryDateTime(i);
        (void)zipper.EntryCompressedSize(i);
        (void)zipper.EntryUncompressedSize(i);
        (void)zipper.EntryComment(i);
        zipper.SetEntrySelected(i, i % 2 == 0);
    }
}

void WalkArchive(const std::string& name, mobrel::TIncompleteZipMode mode) {
    mobrel::TUnZipper zipper;
    zipper.SetIncompleteZipMode(mode);
    try {
        zipper.SetZipName(name);
        zipper.SetDestDir(OutputFolder());
        zipper.ReadZip();
        (void)zipper.ZipComment();
        (void)zipper.ZipSize();
        for (mobrel::TZipSortMode sort :
             {mobrel::ByName, mobrel::ByFileName, mobrel::ByDirectoryName, mobrel::ByDate,
              mobrel::ByCompressedSize, mobrel::ByUnCompressedSize, mobrel::ByRate,
              mobrel::ByNone}) {
            zipper.Sort(sort);
            WalkEntries(zipper);
        }
        zipper.SetDoAll(true);
        (void)zipper.TestEntries(-1);
        zipper.SetDoAll(false);
        // Extraction writes real files: into a folder of the scratch folder, emptied after
        // every input.
        zipper.SetDestDir(ScratchFolder() + "/out");
        zipper.SetOverwriteMode(mobrel::TUZOverwriteMode::Always);
        (void)zipper.UnZipSelected();
    } catch (const mobrel::EEngineError&) {
        // The engine's own failures are the expected way out of a bad archive.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static mobrel::fuzz::TQuietServices quiet;
    mobrel::InstallServices(&quiet);
    const bool exe = size > 0 && (data[0] & 1) != 0;
    const std::string name = ScratchFolder() + (exe ? "/input.exe" : "/input.zip");
    WriteBytes(name, data, size);
    WalkArchive(name, mobrel::izAssumeBad);
    WalkArchive(name, mobrel::izAssumeMulti);
    unlink(name.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(ScratchFolder() + "/out", ignored);
    CheckAndClearOutput();
    return 0;
}
