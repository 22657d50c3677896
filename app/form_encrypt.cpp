#include "form_encrypt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct TCipherChoice {
    const char* Caption;
    mobrel::TZipEncryption Encryption;
};

// The first is preselected.
constexpr TCipherChoice kCipherChoices[] = {
    {"AES-256", mobrel::TZipEncryption::Aes256},
    {"AES-192", mobrel::TZipEncryption::Aes192},
    {"AES-128", mobrel::TZipEncryption::Aes128},
    {"Traditional zip encryption (weak, for old zip programs)",
     mobrel::TZipEncryption::Traditional},
};

QLineEdit* MaskedEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

}  // namespace

TFormEncrypt::TFormEncrypt(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Encrypt with a password");
    PasswordEdit = MaskedEdit(this);
    ConfirmEdit = MaskedEdit(this);
    MethodBox = new QComboBox(this);
    for (const TCipherChoice& choice : kCipherChoices) {
        MethodBox->addItem(choice.Caption);
    }
    MismatchLabel = new QLabel("The passwords do not match.", this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OkButton = buttons->button(QDialogButtonBox::Ok);
    OkButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(PasswordEdit, &QLineEdit::textChanged, this, &TFormEncrypt::CheckPasswords);
    connect(ConfirmEdit, &QLineEdit::textChanged, this, &TFormEncrypt::CheckPasswords);

    auto* fields = new QFormLayout;
    fields->addRow("Password:", PasswordEdit);
    fields->addRow("Type it again:", ConfirmEdit);
    fields->addRow("Encryption:", MethodBox);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel("The files of the next zip are encrypted with this password.", this));
    layout->addLayout(fields);
    layout->addWidget(MismatchLabel);
    layout->addWidget(buttons);
    setMinimumWidth(380);
    Prepare();
}

void TFormEncrypt::Prepare() {
    PasswordEdit->clear();
    ConfirmEdit->clear();
    MethodBox->setCurrentIndex(0);
    PasswordEdit->setFocus();
    CheckPasswords();
}

std::string TFormEncrypt::Password() const {
    return PasswordEdit->text().toStdString();
}

mobrel::TZipEncryption TFormEncrypt::Encryption() const {
    return kCipherChoices[MethodBox->currentIndex()].Encryption;
}

void TFormEncrypt::CheckPasswords() {
    const bool same = PasswordEdit->text() == ConfirmEdit->text();
    MismatchLabel->setVisible(!same && !ConfirmEdit->text().isEmpty());
    OkButton->setEnabled(same && !PasswordEdit->text().isEmpty());
}
