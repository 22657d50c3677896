#include "help_contents.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "product_addresses.h"
#include "program_version.h"
#include "shell_open.h"

namespace {

QLineEdit* AddressBox(const char* address, bool readOnly, QWidget* parent) {
    auto* box = new QLineEdit(address, parent);
    box->setReadOnly(readOnly);
    return box;
}

QPushButton* Button(const char* caption, const char* hint, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    if (hint != nullptr) {
        button->setToolTip(hint);
    }
    return button;
}

}  // namespace

ThelpContents::ThelpContents(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString("Help and Information - ") + kProgramVersion);
    Picture = new QLabel(this);
    Picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    Label1 = new QLabel(kProgramVersion, this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setReadOnly(true);
    Memo1->setPlainText(
        QString("Tollan's Mobrel is a free zip and unzip utility. You can use this program or ") +
        "distribute it, as you like. Let me know how you get on with it! ");
    Memo1->setFixedHeight(Memo1->fontMetrics().lineSpacing() * 3 + 12);
    Button1 = Button("&Close", "Close this box", this);
    Button1->setDefault(true);
    Button2 = Button("JavaScript Tutorial", "Learn about JavaScript onLine", this);
    Button3 = Button("HTML Tutorial", "Learn about HTML on-line", this);
    Button5 = Button("JavaScript Editor", "Be Number One in the Search Engines", this);
    Button6 = Button("Other Software Products", nullptr, this);
    emailButton = Button("Donate", nullptr, this);
    BitBtn1 = Button("Mobrel's Home Page", nullptr, this);
    Edit1 = AddressBox(kJavaScriptTutorialPage, true, this);
    Edit2 = AddressBox(kHtmlTutorialPage, true, this);
    Edit3 = AddressBox(kEditorPageShown, true, this);
    Edit4 = AddressBox(kOtherProductsPage, true, this);
    Edit5 = AddressBox(kHomePage, false, this);
    for (QWidget* watched :
         {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3),
          static_cast<QWidget*>(Edit4), Memo1->viewport()}) {
        watched->installEventFilter(this);
    }
    BuildLayout();
    ConnectButtons();
}

void ThelpContents::BuildLayout() {
    auto* rows = new QGridLayout;
    const std::pair<QPushButton*, QLineEdit*> pairs[] = {
        {Button2, Edit1}, {Button3, Edit2}, {Button5, Edit3}, {Button6, Edit4}, {BitBtn1, Edit5}};
    int row = 0;
    for (const auto& [button, box] : pairs) {
        rows->addWidget(button, row, 0);
        rows->addWidget(box, row, 1);
        ++row;
    }
    rows->addWidget(emailButton, row, 0);
    auto* top = new QHBoxLayout;
    top->addWidget(Picture);
    top->addWidget(Label1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Memo1);
    layout->addLayout(rows);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed-size dialog
}

void ThelpContents::ConnectButtons() {
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, [this] { OpenPage(Edit1->text()); });
    connect(Button3, &QPushButton::clicked, this, [this] { OpenPage(Edit2->text()); });
    connect(Button5, &QPushButton::clicked, this, [] { OpenPage(kEditorPromotionPage); });
    connect(Button6, &QPushButton::clicked, this, [this] { OpenPage(Edit4->text()); });
    connect(emailButton, &QPushButton::clicked, this, [] { OpenPage(kDonationPage); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { OpenPage(Edit5->text()); });
}

bool ThelpContents::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonDblClick) {
        return QDialog::eventFilter(watched, event);
    }
    if (watched == Edit1) {
        OpenPage(Edit1->text());
    } else if (watched == Edit2) {
        OpenPage(Edit2->text());
    } else if (watched == Edit3) {
        OpenPage(kEditorPromotionPage);
    } else if (watched == Edit4) {
        OpenPage(kEditorTutorialPage);
    } else if (watched == Memo1->viewport()) {
        OpenPage(kContentsPage);
    }
    return true;
}

void ThelpContents::OpenPage(const QString& address) {
    ShellOpen(QUrl(address));
}
