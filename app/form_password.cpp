#include "form_password.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/host_path.h"

TFormPassword::TFormPassword(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Password");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    Label1 = new QLabel(this);
    Label1->setWordWrap(true);
    InvalidLabel = new QLabel(this);
    InvalidLabel->setStyleSheet("color: #b00020;");
    InvalidLabel->hide();
    Edit1 = new QLineEdit(this);
    Edit1->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OkButton = buttons->button(QDialogButtonBox::Ok);
    CancelButton = buttons->button(QDialogButtonBox::Cancel);
    OkButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(InvalidLabel);
    layout->addWidget(Edit1);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

void TFormPassword::Prepare(const std::string& entryPath, const std::string& archiveName,
                            bool failed) {
    const QString entry = QString::fromStdString(entryPath);
    const QString archive = QString::fromStdString(mobrel::NamePart(archiveName));
    setWindowTitle(QString("Password for %1 in %2").arg(entry, archive));
    Label1->setText("Password for " + entry + ":");
    InvalidLabel->setText("Invalid Password for file " + entry);
    InvalidLabel->setVisible(failed);
    Edit1->clear();
    Edit1->setFocus();
}

std::string TFormPassword::Password() const {
    return Edit1->text().toStdString();
}
