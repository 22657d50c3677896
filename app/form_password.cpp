#include "form_password.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormPassword::TFormPassword(QWidget* parent) : QDialog(parent) {
    setWindowTitle("FormPassword");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    Label1 = new QLabel(this);
    Edit1 = new QLineEdit(this);
    Edit1->setEchoMode(QLineEdit::Normal);  // the typed characters show as they are
    Edit1->clear();
    OkButton = new QPushButton("OK", this);
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addWidget(OkButton, 0, Qt::AlignRight);
    setMinimumWidth(320);
}
