// Repairing an archive: read it in repair mode (the directory rebuilt from the local
// headers when the end record is missing), test every entry, and copy those that passed
// into a new archive under another name.
#include <filesystem>
#include <system_error>

#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "writer/zipper.h"

namespace mobrel {

int TZipper::FixZip(const std::string& inputName, const std::string& outputName) {
    if (!PrepareRepair(inputName) || !ChooseFixedName(outputName)) {
        alternativeDestination_.clear();
        return 0;
    }
    int copied = 0;
    fixing_ = true;
    try {
        FilesList().clear();
        TBusyCursorScope busy;
        RunZipOperation();
        // The new directory is the fixed file's.
        copied = Count();
    } catch (...) {
        fixing_ = false;
        alternativeDestination_.clear();
        throw;
    }
    fixing_ = false;
    const std::string fixed = alternativeDestination_;
    alternativeDestination_.clear();
    SetZipName(fixed);
    return copied;
}

void TZipper::ReportUndecodable(int index, const std::string& why) {
    skipDetail_ = why;
    if (OnSkippingFile) {
        bool retry = false;  // a repair tests each entry once
        OnSkippingFile(*this, skDamagedData, EntryFullName(index), index, retry);
    }
}

bool TZipper::PrepareRepair(const std::string& inputName) {
    if (!inputName.empty()) {
        SetZipName(inputName);
    } else if (DirectoryRebuilt() && Count() > 0) {
        return true;  // read and tested by the repair that rebuilt it
    } else {
        try {
            SetZipName(FolderPart(ZipName()) + "?");
        } catch (const EUserCanceled&) {
            return false;
        }
    }
    repairing_ = true;
    try {
        TBusyCursorScope busy;
        ReadZip();
        TestEveryEntry();
    } catch (...) {
        repairing_ = false;
        throw;
    }
    repairing_ = false;
    return true;
}

void TZipper::TestEveryEntry() {
    for (int i = 0; i < Count(); ++i) {
        // A folder entry has no data to test; the copy checks that its header is there.
        if (EntryFileName(i).empty()) {
            continue;
        }
        try {
            TestEntry(i);
        } catch (const EUserCanceled&) {
            throw;
        } catch (const EEngineError& error) {
            // TestEntry marked the entry failed before it started: it is left out, and the
            // caller hears why.
            ReportUndecodable(i, error.what());
        }
    }
}

bool TZipper::ChooseFixedName(const std::string& outputName) {
    if (!outputName.empty()) {
        alternativeDestination_ = outputName;
        return true;
    }
    TFileDialogRequest request;
    request.Title = "Select a new name for the fixed file.";
    request.Filter = "Zip Files (*.ZIP)|*.zip";
    const std::string folder = FolderPart(ZipName());
    request.InitialDir = DirectoryExists(folder) ? folder : "/";
    request.MustExist = false;
    std::string chosen;
    if (!Services().OpenFileDialog(request, chosen) || chosen.empty()) {
        return false;
    }
    alternativeDestination_ = chosen;
    return true;
}

}  // namespace mobrel
