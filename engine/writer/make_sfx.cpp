// Self-extractor assembly: the stub and the configuration block are written into the
// output before the first entry, so every offset the zip operation records is already a
// position in the finished program and no second pass is needed.
#include <filesystem>
#include <system_error>

#include "platform/executable_file.h"
#include "platform/file_helpers.h"
#include "platform/file_stream.h"
#include "platform/host_path.h"
#include "platform/temp_files.h"
#include "platform/wildcard_match.h"
#include "writer/zipper.h"

namespace mobrel {

namespace {

bool IsExistingZip(const std::string& name) {
    // No wildcard in the pattern: a case-insensitive comparison of the extension.
    return FileExists(name) && WildcardMatch(".zip", ExtensionPart(name));
}

// What MakeSFX opens and creates, released and removed on every path.
struct TSfxPrefix {
    std::unique_ptr<TStream> Stub;
    std::unique_ptr<TStream> Copy;  // stub + block, when there is a block
    std::string CopyName;

    ~TSfxPrefix() {
        Copy.reset();
        Stub.reset();
        if (!CopyName.empty()) {
            std::error_code ignored;
            std::filesystem::remove(CopyName, ignored);
        }
    }
};

}  // namespace

int TZipper::MakeSFX(const std::string& stubName, const std::string& zipName,
                     const uint8_t* configBlock, int blockCount) {
    if (stubName.empty() || zipName.empty()) {
        return 0;
    }
    const bool fromExistingZip = IsExistingZip(zipName);
    // Naming the archive may first save comments pending on the previous one, an operation
    // of its own that would use up the files meant for this one.
    std::vector<std::string> files = std::move(FilesList());
    SetZipName(zipName);
    FilesList() = std::move(files);

    TSfxPrefix prefix;
    struct TModeReset {
        TZipper& Self;
        ~TModeReset() {
            Self.sfxMode_ = false;
            Self.prefixSource_ = nullptr;
            Self.alternativeDestination_.clear();
        }
    } modeReset{*this};
    try {
        prefix.Stub = std::make_unique<TFileStream>(stubName, TFileMode::OpenRead);
        prefixSource_ = prefix.Stub.get();
        if (blockCount > 0) {
            // A unique name: a fixed one in a shared folder could be taken over by a link,
            // and two runs would write into each other's copy.
            prefix.CopyName = MakeTempFile(TemporaryFolder(), "tmpstub");
            prefix.Copy = std::make_unique<TFileStream>(prefix.CopyName, TFileMode::Create);
            prefix.Copy->CopyFrom(*prefix.Stub, 0);
            prefix.Copy->WriteBuffer(configBlock, blockCount);
            prefix.Stub.reset();
            prefixSource_ = prefix.Copy.get();
        }
    } catch (...) {
        FilesList().clear();
        throw;
    }
    // An existing archive is only read; the program goes beside it.
    if (fromExistingZip) {
        alternativeDestination_ = ChangeFileExt(zipName, ".exe");
    }
    const std::string written = fromExistingZip ? alternativeDestination_ : zipName;
    sfxMode_ = true;
    const int count = Zip();
    MarkExecutable(written);
    return count;
}

}  // namespace mobrel
