// The engine's questions while it reads an archive: what to do about an incomplete one, and
// a password when the one it has fails for an entry.
#include "form_password.h"
#include "platform/interactive_services.h"
#include "shown_entry_path.h"
#include "silent_abort.h"
#include "unzip_page.h"
#include "writer/zipper.h"

void TUnzipPage::WarnIncompleteArchive() {
    mobrel::Services().MessageBox(
        "The zip appears to be incomplete.\r\n"
        "Or it isn't a zip file.\r\n"
        "If you downloaded it, you might wish to try to \r\n"
        "download it again\r\n"
        "You may wish to delete this file.",
        "", mobrel::TMsgButtons::Ok);
    throw EAbort();
}

// "Invalid Password" is said only of a password the user gave that has failed for this
// very entry, named by its whole path (two folders may hold files of one name); no answer (Cancel,
// Escape or an empty box) leaves the engine's password as it is, which skips the entry.
void TUnzipPage::AskForPassword(int fileIndex, std::string& newPassword) {
    const std::string entryName = ShownEntryPath(engine_.EntryFullName(fileIndex));
    const auto sayInvalid = [&entryName] {
        mobrel::Services().MessageBox("Invalid Password for file " + entryName, "Password Error",
                                      mobrel::TMsgButtons::Ok);
    };
    const bool givenAndFailed = fileIndex == askedEntry_ && engine_.Password() == givenPassword_;
    if (givenAndFailed) {
        sayInvalid();
    }
    askedEntry_ = -1;
    TFormPassword& window = host_.PasswordWindow();
    window.Prepare(entryName, engine_.ZipName());
    if (host_.ShowModalWindow(window) != QDialog::Accepted || window.Password().empty()) {
        return;
    }
    const std::string typed = window.Password();
    if (typed == engine_.Password()) {
        // The engine has just tried this one for the entry, and skips it.
        if (!givenAndFailed) {
            sayInvalid();
        }
        return;
    }
    newPassword = typed;
    askedEntry_ = fileIndex;
    givenPassword_ = typed;
    passwordArchive_ = engine_.ZipName();
}
