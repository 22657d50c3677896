#include "form_about.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "product_addresses.h"
#include "program_version.h"
#include "shell_open.h"
#include "windows_version.h"

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString("About ") + kProgramVersion);
    Notice = new QLineEdit("Copyright (c) 2026 Tollan. Mobrel is free software.", this);
    Notice->setReadOnly(true);
    Notice->deselect();
    Notice->installEventFilter(this);
    CloseButton = new QPushButton("Close", this);
    CloseButton->setDefault(true);
    EmailButton = new QPushButton("E-mail", this);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(EmailButton, &QPushButton::clicked, this,
            [this] { ShellOpen(QUrl(QString::fromStdString(MailLink()), QUrl::TolerantMode)); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(EmailButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Notice);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

std::string TFormAbout::MailLink() const {
    return "mailto:" + AuthorEmailAddress() + "?Subject= " + windowTitle().toStdString() + " " +
           ShowWinVersion() + "&Body=";
}

// The notice is for reading, never for copying out piecemeal: it shows no selection.
bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Notice && event->type() == QEvent::FocusIn) {
        // Let the box take the focus its own way (which may select everything), then undo it.
        static_cast<QObject*>(Notice)->event(event);
        Notice->deselect();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
