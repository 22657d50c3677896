// The Zip page's commands that write: the list of files to zip into a new, an existing or
// the current archive, and into or from a list file.
#include <QAction>
#include <QLineEdit>

#include "file_dialog.h"
#include "form_encrypt.h"
#include "last_filename.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "saved_file_list.h"
#include "show_message.h"
#include "sorted_list_box.h"
#include "writer/zipper.h"
#include "zip_page.h"

namespace {

constexpr const char* kZipFilter = "Zip Files|*.zip";

// The Zip page's fixed settings on the engine, with the list of files to zip as FilesList.
void ConfigureZipRun(mobrel::TZipper& zipper, const std::string& name,
                     const std::string& relativeFolder, const std::vector<std::string>& files,
                     bool replaceExisting) {
    zipper.SetZipName(name);
    zipper.SetReplaceExisting(replaceExisting);
    zipper.SetRootDir(mobrel::DirectoryExists(relativeFolder) ? relativeFolder : std::string());
    // A run that failed part way may have left names behind; this run zips the list only.
    zipper.FilesList().clear();
    zipper.FilesList().insert(zipper.FilesList().end(), files.begin(), files.end());
    // RelativePaths switches Recurse on, so Recurse comes after it: the run never descends
    // into sub-folders.
    zipper.SetRelativePaths(true);
    zipper.SetStorePaths(true);
    zipper.SetRecurse(false);
    zipper.SetPackLevel(9);
}

// The closing message of a run: the listed names that found no file, one per line (at
// most kShownUnmatched of them), then how many files were zipped.
std::string ZipRunMessage(int zipped, int listed, const std::vector<std::string>& unmatched) {
    constexpr size_t kShownUnmatched = 10;
    std::string message;
    for (size_t i = 0; i < unmatched.size() && i < kShownUnmatched; ++i) {
        message += unmatched[i] + ": no file matches\n";
    }
    if (unmatched.size() > kShownUnmatched) {
        message += "... and " + std::to_string(unmatched.size() - kShownUnmatched) + " more\n";
    }
    if (!message.empty()) {
        message += "\n";
    }
    if (zipped == 0 && !unmatched.empty()) {
        return message + "No file was zipped.";
    }
    return message + "Successfully zipped " + std::to_string(zipped) + " files of " +
           std::to_string(listed) + ".";
}

}  // namespace

void TZipPage::RunWritingOperation(const std::function<void()>& operation) {
    const std::string readingPassword = engine_.Password();
    const auto restore = [this, &readingPassword] {
        engine_.SetPassword(readingPassword);
        engine_.SetEncryption(mobrel::TZipEncryption::Traditional);
        engine_.SetReplaceExisting(false);
        ForgetNextWritePassword();
    };
    engine_.SetPassword(nextPassword_);
    engine_.SetEncryption(nextEncryption_);
    try {
        host_.RunEngineOperation(operation);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

// --- Encryption of the next write ---

void TZipPage::ChooseEncryption() {
    if (!nextPassword_.empty()) {
        ForgetNextWritePassword();
        return;
    }
    if (formEncrypt_ == nullptr) {
        formEncrypt_ = new TFormEncrypt(this);
    }
    formEncrypt_->Prepare();
    if (host_.ShowModalWindow(*formEncrypt_) == QDialog::Accepted &&
        !formEncrypt_->Password().empty()) {
        nextPassword_ = formEncrypt_->Password();
        nextEncryption_ = formEncrypt_->Encryption();
    }
    formEncrypt_->Prepare();  // the window keeps no password once closed
    a_encrypt->setChecked(!nextPassword_.empty());
    ShowStatus();
}

void TZipPage::ForgetNextWritePassword() {
    nextPassword_.clear();
    a_encrypt->setChecked(false);
}

// --- Zipping ---

void TZipPage::NewArchive() {
    mobrel::TBusyCursorScope hourglass;
    TFileDialog& dialog = host_.SaveDialog();
    dialog.DefaultExt = "zip";
    dialog.Title = "Create a New Zip File.";
    dialog.ProposeExtension(".zip");
    dialog.Filter = kZipFilter;
    dialog.InitialDir = Folder();
    // The dialog has asked whether an existing file may be replaced: the new archive holds
    // the listed files alone, and takes the old one's place only once it is complete.
    if (dialog.Execute()) {
        host_.SetCurrentArchive(dialog.FileName);
        MakeZip(dialog.FileName, true);
    }
}

void TZipPage::AddToExistingArchive() {
    mobrel::TBusyCursorScope hourglass;
    TFileDialog& dialog = host_.OpenDialog();
    dialog.ProposeExtension(".zip");
    dialog.Title = "Add files to Existing Zip";
    dialog.DefaultExt = "zip";
    dialog.Filter = kZipFilter;
    dialog.InitialDir = Folder();
    if (dialog.Execute()) {
        const std::string name = mobrel::ChangeFileExt(dialog.FileName, ".zip");
        host_.SetCurrentArchive(name);
        MakeZip(name);
    }
}

void TZipPage::AddToCurrentArchive() {
    mobrel::TBusyCursorScope hourglass;
    if (host_.CurrentArchiveIsZip()) {
        MakeZip(host_.CurrentArchive());
        host_.ResetProgress();
    } else {
        AddToExistingArchive();
    }
}

void TZipPage::MakeZip(const std::string& name, bool replaceExisting) {
    mobrel::TBusyCursorScope hourglass;
    mobrel::Services().ProcessMessages();
    host_.ResetProgress();
    if (ListBox1->count() == 0) {
        ShowMessage("Please select some files to add.");
    } else {
        const int listed = ListBox1->count();
        ConfigureZipRun(engine_, name, RelativeFolder(), FilesToZip(), replaceExisting);
        int zipped = 0;
        std::vector<std::string> unmatched;
        engine_.OnNoFileMatches = [&unmatched](mobrel::TZipper&, const std::string& spec) {
            unmatched.push_back(spec);
        };
        try {
            RunWritingOperation([this, &zipped] { zipped = engine_.Zip(); });
        } catch (...) {
            engine_.OnNoFileMatches = nullptr;
            throw;
        }
        engine_.OnNoFileMatches = nullptr;
        ShowMessage(ZipRunMessage(zipped, listed, unmatched));
        host_.ResetProgress();
    }
    SaveLastFilename(engine_.ZipName());
    host_.ForgetCurrentArchiveIfGone();
    host_.RereadFoldersAndFiles();
}

// --- Saved file lists ---

void TZipPage::LoadList() {
    TFileDialog& dialog = host_.OpenDialog();
    PrepareListDialog(dialog, "Open a list of files");
    dialog.InitialDir = Folder();
    if (dialog.Execute()) {
        const std::vector<std::string> lines = LoadFileList(dialog.FileName);
        ListBox1->clear();
        for (const std::string& line : lines) {
            ListBox1->Add(line);
        }
    }
}

void TZipPage::SaveList() {
    TFileDialog& dialog = host_.SaveDialog();
    PrepareListDialog(dialog, "Save a list of files");
    dialog.InitialDir = Folder();
    if (dialog.Execute()) {
        SaveFileList(dialog.FileName, FilesToZip());
    }
}
