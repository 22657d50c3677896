// Arbitrary bytes opened as an archive and every entry extracted into memory, once without
// a password and once with one (whose bad-password event offers a second), then the whole
// directory in test mode. Memory stays bounded: the buffer grows only with decoded bytes,
// never past an entry's declared size, and entries declaring more than kLargestEntry are
// only tested. The engine's own exceptions are the expected way out of a bad archive.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_memory_extraction.h"
#include "fuzz_scratch_folder.h"
#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "reader/un_zipper.h"

namespace {

constexpr uint32_t kLargestEntry = 8u << 20;

// Message boxes (an unknown method) answered without printing.
struct TSilentServices : mobrel::TInteractiveServices {
    mobrel::TMsgAnswer MessageBox(const std::string&, const std::string&,
                                  mobrel::TMsgButtons) override {
        return mobrel::TMsgAnswer::Ok;
    }
};

const std::string& ScratchFolder() {
    static const mobrel::fuzz::TScratchFolder folder("mobrel-fuzz-extract-");
    return folder.Path();
}

void WriteBytes(const std::string& name, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size)) {
        std::abort();
    }
    std::fclose(file);
}

void ExtractArchive(const std::string& name, const std::string& password) {
    mobrel::TUnZipper zipper;
    zipper.SetIncompleteZipMode(mobrel::izAssumeBad);
    zipper.SetPassword(password);
    int offers = 0;
    if (!password.empty()) {
        zipper.OnBadPassword = [&offers](mobrel::TUnZipper&, int, std::string& newPassword) {
            if (offers++ == 0) {
                newPassword = "another";
            }
        };
    }
    try {
        zipper.SetZipName(name);
        zipper.ReadZip();
        mobrel::fuzz::ExtractEachEntryToMemory(zipper, kLargestEntry);
        zipper.SetDoAll(true);
        (void)zipper.TestEntries(-1);
    } catch (const mobrel::EEngineError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilentServices services;
    mobrel::InstallServices(&services);
    const std::string name = ScratchFolder() + "/input.zip";
    WriteBytes(name, data, size);
    ExtractArchive(name, "");
    ExtractArchive(name, "secret");
    unlink(name.c_str());
    return 0;
}
