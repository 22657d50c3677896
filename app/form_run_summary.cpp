#include "form_run_summary.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "form_failure_details.h"

TFormRunSummary::TFormRunSummary(const std::string& text,
                                 std::vector<mobrel::TEntryFailure> failures,
                                 std::function<int(QDialog&)> showModal, QWidget* parent)
    : QDialog(parent), failures_(std::move(failures)), showModal_(std::move(showModal)) {
    setWindowTitle(QApplication::applicationDisplayName());
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    MessageLabel = new QLabel(QString::fromStdString(text), this);
    MessageLabel->setWordWrap(true);
    MessageLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    OkButton = buttons->button(QDialogButtonBox::Ok);
    OkButton->setDefault(true);
    DetailsButton = buttons->addButton("Details...", QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(DetailsButton, &QPushButton::clicked, this, &TFormRunSummary::ShowDetails);

    auto* message = new QHBoxLayout;
    message->addWidget(icon, 0, Qt::AlignTop);
    message->addWidget(MessageLabel, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(message);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

std::string TFormRunSummary::Text() const {
    return MessageLabel->text().toStdString();
}

void TFormRunSummary::ShowDetails() {
    TFormFailureDetails details(failures_, this);
    showModal_(details);
}
