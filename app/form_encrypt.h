#pragma once
// The "Encrypt with a password..." window of the Zip page: the password typed twice, masked,
// and the cipher, AES-256 first. OK is offered only once both boxes hold the same password.
#include <QDialog>
#include <string>

#include "writer/zip_encryption.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFormEncrypt : public QDialog {
    Q_OBJECT

  public:
    explicit TFormEncrypt(QWidget* parent = nullptr);

    // Empties both boxes and preselects AES-256: a password is never offered back.
    void Prepare();
    std::string Password() const;
    mobrel::TZipEncryption Encryption() const;

    QLineEdit* PasswordEdit;
    QLineEdit* ConfirmEdit;
    QComboBox* MethodBox;
    QLabel* MismatchLabel;
    QPushButton* OkButton;

  private:
    void CheckPasswords();
};
