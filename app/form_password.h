#pragma once
// The password window: asks for the password of one entry of one archive. The typed
// characters are masked, and every question starts with an empty box: a password that was
// asked for again has failed, and one typed for another archive is no business of this one.
// Cancel (or Escape) gives no password, which skips the entry.
#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class TFormPassword : public QDialog {
    Q_OBJECT

  public:
    explicit TFormPassword(QWidget* parent = nullptr);

    // Readies the window to ask for entryName's password in the archive archiveName.
    void Prepare(const std::string& entryName, const std::string& archiveName);
    // What was typed.
    std::string Password() const;

    QLabel* Label1;  // the entry's name
    QLineEdit* Edit1;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};
