// Viewing an entry: a copy extracted into a private folder of this run and opened with the
// desktop's program for it; and opening a file of the destination folder.
#include <filesystem>
#include <system_error>

#include "entry_list_view.h"
#include "file_list_box.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "platform/temp_files.h"
#include "reader/output_path.h"
#include "shell_open.h"
#include "show_message.h"
#include "shown_entry_path.h"
#include "unzip_page.h"
#include "writer/zipper.h"
#include "zip_extension.h"

// Viewed copies go into a folder of this run's own, private to the user: a name in the
// shared temporary folder could be taken (or planted as a link) by someone else.
std::string TUnzipPage::ViewFolder() {
    // A cleaner of the temporary folder may have taken it, with the copies it held.
    if (!viewFolder_.empty() && !mobrel::DirectoryExists(viewFolder_)) {
        RemoveViewFolder();
    }
    if (viewFolder_.empty()) {
        viewFolder_ = mobrel::MakeTempFolder(mobrel::TempDirectory(), "mobrel-view-");
    }
    return mobrel::IncludeTrailingSeparator(viewFolder_);
}

void TUnzipPage::RemoveViewFolder() {
    if (!viewFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(viewFolder_, ignored);
        viewFolder_.clear();
    }
    viewedFiles_.clear();
    viewedSources_.clear();
}

void TUnzipPage::ViewRow(int row) {
    FocusRow(row);
    ViewFocusedRow();
}

void TUnzipPage::ViewFocusedRow() {
    const int i = EntryOfRow(FocusedRow());
    const std::string temp = ViewFolder();
    // Where the engine puts it: a stored name may hold characters it replaces.
    const std::string viewed = mobrel::OutputFileFor(temp, engine_.EntryFileName(i));
    // A copy is opened again only while it holds this very entry: another archive, or
    // another folder of this one, may have an entry of the same file name.
    const std::string source = engine_.ZipName() + '\n' + engine_.EntryFullName(i);
    const auto known = viewedSources_.find(viewed);
    if (known == viewedSources_.end() || known->second != source) {
        const bool ownCopy = known != viewedSources_.end();
        if (ExtractForViewing(i, temp, ownCopy) > 0) {
            if (!ownCopy) {
                viewedFiles_.push_back(viewed);
            }
            viewedSources_[viewed] = source;
        } else if (ownCopy) {
            // What is there is another entry's copy; it must not be shown for this one.
            std::error_code ignored;
            std::filesystem::remove(viewed, ignored);
            viewedSources_.erase(viewed);
        }
    }
    const std::string shown = ShownEntryPath(engine_.EntryFullName(i));
    if (mobrel::FileExists(viewed)) {
        if (!ShellOpenFile(viewed)) {
            ShowMessage("Couldn't view file " + shown);
        }
        host_.ResetProgress();
    } else {
        ShowMessage("Couldn't UnZip the file " + shown);
    }
}

// Extracts one entry, without its folders, into the temporary folder; the settings of the
// page are restored whatever happens.
int TUnzipPage::ExtractForViewing(int entry, const std::string& temp, bool replaceOwnCopy) {
    const bool keptRecreateDirs = engine_.RecreateDirs();
    const std::string keptDestDir = engine_.DestDir();
    const mobrel::TUZOverwriteMode keptOverwrite = engine_.OverwriteMode();
    const auto restore = [&] {
        engine_.SetDestDir(keptDestDir);
        engine_.SetRecreateDirs(keptRecreateDirs);
        engine_.SetOverwriteMode(keptOverwrite);
    };
    engine_.SetRecreateDirs(false);
    engine_.SetDoAll(false);
    engine_.SetDestDir(temp);
    if (replaceOwnCopy) {
        engine_.SetOverwriteMode(mobrel::TUZOverwriteMode::Always);
    }
    engine_.FilesList().clear();
    engine_.FilesList().push_back(engine_.EntryFullName(entry));
    BeginReadingRun(engine_.ZipName());
    int count = 0;
    try {
        host_.RunEngineOperation([this, &count] { count = engine_.UnZip(); });
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return count;
}

void TUnzipPage::OpenFocusedFile() {
    const std::string name = FileListBox2->FileName();
    if (HasZipExtension(name)) {
        OpenArchive(name);
    } else if (mobrel::FileExists(name)) {
        ShellOpenFile(name);
    }
}
