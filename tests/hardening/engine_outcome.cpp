#include "hardening/engine_outcome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "reader/un_zipper.h"

namespace mobrel::test {

namespace {

template <class E>
bool Is(const EEngineError& error) {
    return dynamic_cast<const E*>(&error) != nullptr;
}

// Counts the per-entry reports of a run.
struct Reports {
    int Skips = 0;
    int BadCrcs = 0;
    void Attach(TUnZipper& zipper) {
        zipper.OnSkippingFile = [this](TUnZipper&, TSkipReason, const std::string&, int, bool&) {
            ++Skips;
        };
        zipper.OnBadCRC = [this](TUnZipper&, uint32_t, uint32_t, int) { ++BadCrcs; };
        zipper.OnBadPassword = [](TUnZipper&, int, std::string&) {};
    }
    std::string Text() const {
        return " (" + std::to_string(Skips) + " skipped, " + std::to_string(BadCrcs) + " bad CRC)";
    }
};

// Message boxes (an unknown method) answered without a word.
class TQuietServices : public TInteractiveServices {
  public:
    TMsgAnswer MessageBox(const std::string&, const std::string&, TMsgButtons) override {
        return TMsgAnswer::Ok;
    }
};

std::string Failure(const char* step, const EEngineError& error) {
    return std::string(step) + ": " + EngineErrorName(error) + " \"" + error.what() + "\"";
}

std::string ExtractAll(TUnZipper& zipper, Reports& reports, const std::filesystem::path& out) {
    reports = Reports();
    zipper.SetDestDir(out.string());
    zipper.SetRecreateDirs(true);
    zipper.SetOverwriteMode(TUZOverwriteMode::Always);
    zipper.SetDoAll(true);
    try {
        const int extracted = zipper.UnZip();
        return "extracted " + std::to_string(extracted) + reports.Text();
    } catch (const EEngineError& error) {
        return Failure("extract", error);
    }
}

std::string TestAll(TUnZipper& zipper, Reports& reports) {
    reports = Reports();
    zipper.SetDoAll(true);
    try {
        return std::string(zipper.TestEntries(-1) ? "test passed" : "test failed") + reports.Text();
    } catch (const EEngineError& error) {
        return Failure("test", error);
    }
}

std::string ExtractToMemory(TUnZipper& zipper) {
    zipper.SetDoAll(false);
    std::string outcome = "memory";
    for (int i = 0; i < std::min(zipper.Count(), 3); ++i) {
        std::vector<uint8_t> buffer;
        try {
            outcome += " " + std::to_string(zipper.UnZipToBuffer(buffer, i));
        } catch (const EEngineError& error) {
            outcome += " " + EngineErrorName(error);
        }
        EXPECT_LE(buffer.size(), TUnZipper::kMaxMemoryEntrySize);
    }
    return outcome;
}

}  // namespace

std::string EngineErrorName(const EEngineError& error) {
    // Most derived first.
    if (Is<EFileError>(error))
        return "EFileError";
    if (Is<EStreamError>(error))
        return "EStreamError";
    if (Is<EGeneralError>(error))
        return "EGeneralError";
    if (Is<EListError>(error))
        return "EListError";
    if (Is<EBadZipFile>(error))
        return "EBadZipFile";
    if (Is<EIncompleteZip>(error))
        return "EIncompleteZip";
    if (Is<ENotAZipFile>(error))
        return "ENotAZipFile";
    if (Is<EUserCanceled>(error))
        return "EUserCanceled";
    if (Is<EFatalUnzipError>(error))
        return "EFatalUnzipError";
    if (Is<EBiggerThanUncompressed>(error))
        return "EBiggerThanUncompressed";
    if (Is<ECantWriteUCF>(error))
        return "ECantWriteUCF";
    if (Is<ENotEnoughRoom>(error))
        return "ENotEnoughRoom";
    if (Is<EFormatLimit>(error))
        return "EFormatLimit";
    return "EEngineError";
}

std::string RunEveryOperation(const std::filesystem::path& archive,
                              const std::filesystem::path& out) {
    TQuietServices quiet;
    InstallServices(&quiet);
    struct TRestore {
        ~TRestore() { InstallServices(nullptr); }
    } restore;
    Reports reports;  // outlives the zipper, whose events count into it
    TUnZipper zipper;
    zipper.SetIncompleteZipMode(izAssumeBad);
    try {
        zipper.SetZipName(archive.string());
        zipper.ReadZip();
    } catch (const EEngineError& error) {
        return Failure("open", error);
    }
    reports.Attach(zipper);
    std::string outcome = std::to_string(zipper.Count()) + " entries" +
                          (zipper.DirectoryRebuilt() ? " (rebuilt)" : "");
    outcome += "; " + ExtractAll(zipper, reports, out);
    outcome += "; " + TestAll(zipper, reports);
    outcome += "; " + ExtractToMemory(zipper);
    return outcome;
}

}  // namespace mobrel::test
