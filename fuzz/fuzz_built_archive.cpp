// An archive built from the fuzzer's bytes as a recipe (built_archive_recipe.h), so names,
// methods, flags, hosts, modes, extra fields and sizes vary while the records stay
// readable. It is opened, every entry listed, tested, extracted into memory and extracted
// with three threads three folders below the scratch folder; anything written outside the
// output folder aborts. Entries declaring more than kLargestDeclared are not extracted into
// memory, and every declared size is capped there too, so a bomb stays fast.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "built_archive_recipe.h"
#include "fuzz_memory_extraction.h"
#include "fuzz_quiet_services.h"
#include "fuzz_scratch_folder.h"
#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "reader/un_zipper.h"

namespace {

namespace fs = std::filesystem;

const std::string& ScratchFolder() {
    static const mobrel::fuzz::TScratchFolder folder("mobrel-fuzz-built-");
    return folder.Path();
}

std::string OutputFolder() {
    return ScratchFolder() + "/a/b/out";
}

std::string ArchiveName() {
    return ScratchFolder() + "/input.zip";
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

// Everything a run wrote is below the output folder; then the output is removed.
void CheckAndClearOutput() {
    const fs::path output = OutputFolder();
    for (auto it = fs::recursive_directory_iterator(ScratchFolder());
         it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == output) {
            it.disable_recursion_pending();
        } else if (!it->is_directory() && it->path() != ArchiveName()) {
            Fail("written outside the output folder: " + it->path().string());
        }
    }
    fs::remove_all(output);
    fs::remove_all(ScratchFolder() + "/a");
}

void ListEntries(mobrel::TUnZipper& zipper) {
    for (int i = 0; i < zipper.Count(); ++i) {
        (void)zipper.EntryFullName(i);
        (void)zipper.EntryDateTime(i);
        (void)zipper.EntryCompressedSize(i);
        (void)zipper.EntryUncompressedSize(i);
        (void)zipper.EntryComment(i);
    }
}

void ReadAndExtract() {
    mobrel::TUnZipper zipper;
    zipper.SetIncompleteZipMode(mobrel::izAssumeBad);
    zipper.SetPassword(mobrel::fuzz::kRecipePassword);
    try {
        zipper.SetZipName(ArchiveName());
        zipper.ReadZip();
        ListEntries(zipper);
        zipper.SetDoAll(true);
        (void)zipper.TestEntries(-1);
        zipper.SetDoAll(false);  // with DoAll one buffer would take every entry
        mobrel::fuzz::ExtractEachEntryToMemory(zipper, mobrel::fuzz::kLargestDeclared);
        fs::create_directories(OutputFolder());
        zipper.SetDestDir(OutputFolder());
        zipper.SetThreads(3);
        zipper.SetOverwriteMode(mobrel::TUZOverwriteMode::Always);
        zipper.SetDoAll(true);
        (void)zipper.UnZip();
    } catch (const mobrel::EEngineError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static mobrel::fuzz::TQuietServices quiet;
    mobrel::InstallServices(&quiet);
    std::string archive;
    try {
        archive = mobrel::fuzz::BuildArchive(data, size, false).Bytes;
    } catch (const mobrel::EEngineError&) {
        return 0;  // an encoder refused the recipe's bytes
    }
    {
        std::ofstream out(ArchiveName(), std::ios::binary | std::ios::trunc);
        out.write(archive.data(), static_cast<std::streamsize>(archive.size()));
    }
    ReadAndExtract();
    CheckAndClearOutput();
    return 0;
}
