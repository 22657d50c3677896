// Arbitrary bytes as an existing archive that the writer rewrites: everything kept, entries
// deleted by a pattern, and a repair into a second file. Each operation must end in one of
// the engine's exceptions or a complete archive the reader opens with the same number of
// entries; a failed one must leave the input byte for byte and no temporary file behind.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_quiet_services.h"
#include "fuzz_scratch_folder.h"
#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "writer/zipper.h"

namespace {

namespace fs = std::filesystem;

const std::string& ScratchFolder() {
    static const mobrel::fuzz::TScratchFolder folder("mobrel-fuzz-rewrite-");
    // The writer's temporary files go to a folder of their own, checked empty after a run.
    [[maybe_unused]] static const bool temporaries = fs::create_directory(folder.Path() + "/tmp");
    return folder.Path();
}

std::vector<char> ReadAll(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

// What an operation wrote and how many entries it holds (no name: nothing written).
struct TWritten {
    std::string Name;
    int Count = 0;
};

// Runs one operation on a fresh copy of the input and checks what it left.
template <class Operation>
void Check(const uint8_t* data, size_t size, Operation operation) {
    const std::string archive = ScratchFolder() + "/input.zip";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::vector<char> before(data, data + size);
    mobrel::TZipper zipper;
    zipper.SetIncompleteZipMode(mobrel::izAssumeBad);
    zipper.SetTempPath(ScratchFolder() + "/tmp");
    zipper.SetZipName(archive);
    try {
        const auto [written, count] = operation(zipper, archive);
        if (!written.empty()) {
            mobrel::TZipper reader;
            reader.SetZipName(written);
            reader.ReadZip();
            Require(!reader.DirectoryRebuilt() && reader.Count() == count,
                    "the rewritten archive does not read back");
        }
    } catch (const mobrel::EEngineError&) {
        Require(ReadAll(archive) == before, "a failed operation changed the archive");
    }
    Require(fs::is_empty(ScratchFolder() + "/tmp"), "a temporary file was left behind");
    Require(zipper.FilesList().empty(), "FilesList is not empty");
    fs::remove(ScratchFolder() + "/fixed.zip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static mobrel::fuzz::TQuietServices services;
    mobrel::InstallServices(&services);
    Check(data, size, [](mobrel::TZipper& zipper, const std::string& archive) {
        zipper.Zip();
        return TWritten{archive, zipper.Count()};
    });
    Check(data, size, [](mobrel::TZipper& zipper, const std::string& archive) {
        zipper.FilesList() = {"*a*"};
        zipper.DeleteEntries();
        return TWritten{archive, zipper.Count()};
    });
    Check(data, size, [](mobrel::TZipper& zipper, const std::string& archive) {
        const std::string fixed = ScratchFolder() + "/fixed.zip";
        const int copied = zipper.FixZip(archive, fixed);
        return fs::exists(fixed) ? TWritten{fixed, copied} : TWritten{};
    });
    return 0;
}
