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
// very entry, and in the window that asks again, never in a box of its own. No answer
// (Cancel, Escape or an empty box) leaves the engine's password as it is, which skips the
// entry; so does the same password again.
void TUnzipPage::AskForPassword(int fileIndex, std::string& newPassword) {
    const bool givenAndFailed = fileIndex == askedEntry_ && engine_.Password() == givenPassword_;
    askedEntry_ = -1;
    TFormPassword& window = host_.PasswordWindow();
    window.Prepare(ShownEntryPath(engine_.EntryFullName(fileIndex)), engine_.ZipName(),
                   givenAndFailed);
    if (host_.ShowModalWindow(window) != QDialog::Accepted || window.Password().empty()) {
        passwordDeclined_ = true;
        return;
    }
    const std::string typed = window.Password();
    if (typed == engine_.Password()) {
        return;  // the engine has just tried this one for the entry, and skips it
    }
    newPassword = typed;
    askedEntry_ = fileIndex;
    givenPassword_ = typed;
    passwordArchive_ = engine_.ZipName();
}
