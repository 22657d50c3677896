#pragma once
// The password window: asks for the password of one entry of one archive, named in its
// title and its label. The typed characters are masked, and every question starts with an
// empty box: a password that was asked for again has failed (the window says so itself,
// rather than a message box before each retry), and one typed for another archive is no
// business of this one. Cancel (or Escape) gives no password, which skips the entry.
#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class TFormPassword : public QDialog {
    Q_OBJECT

  public:
    explicit TFormPassword(QWidget* parent = nullptr);

    // Readies the window to ask for the password of the entry at entryPath (its whole path,
    // as the window shows it: two folders may hold files of one name) in the archive
    // archiveName; failed: the password given for it last time was wrong.
    void Prepare(const std::string& entryPath, const std::string& archiveName, bool failed);
    // What was typed.
    std::string Password() const;

    QLabel* Label1;        // the entry's name
    QLabel* InvalidLabel;  // shown when the last password given for the entry failed
    QLineEdit* Edit1;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};
