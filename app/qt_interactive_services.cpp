#include "qt_interactive_services.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

// A modal window shows the normal pointer even while an action holds the hourglass.
class TNormalCursorScope {
  public:
    TNormalCursorScope() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~TNormalCursorScope() { QApplication::restoreOverrideCursor(); }
    TNormalCursorScope(const TNormalCursorScope&) = delete;
    TNormalCursorScope& operator=(const TNormalCursorScope&) = delete;
};

QMessageBox::StandardButtons ButtonsOf(mobrel::TMsgButtons buttons) {
    switch (buttons) {
        case mobrel::TMsgButtons::Ok:
            return QMessageBox::Ok;
        case mobrel::TMsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case mobrel::TMsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case mobrel::TMsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

mobrel::TMsgAnswer AnswerOf(int button) {
    switch (button) {
        case QMessageBox::Ok:
            return mobrel::TMsgAnswer::Ok;
        case QMessageBox::Yes:
            return mobrel::TMsgAnswer::Yes;
        case QMessageBox::No:
            return mobrel::TMsgAnswer::No;
        default:
            return mobrel::TMsgAnswer::Cancel;
    }
}

QString MessageCaption(const std::string& caption) {
    return caption.empty() ? QApplication::applicationDisplayName()
                           : QString::fromStdString(caption);
}

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        patterns.replace("*.*", "*");
        filters << parts[i] + " (" + patterns + ")";
    }
    return filters;
}

TQtInteractiveServices::TQtInteractiveServices(QWidget* parent) : parent_(parent) {
    mobrel::InstallServices(this);
}

TQtInteractiveServices::~TQtInteractiveServices() {
    mobrel::InstallServices(nullptr);
}

mobrel::TMsgAnswer TQtInteractiveServices::MessageBox(const std::string& text,
                                                      const std::string& caption,
                                                      mobrel::TMsgButtons buttons) {
    TNormalCursorScope normalCursor;
    const QMessageBox::Icon icon =
        buttons == mobrel::TMsgButtons::Ok ? QMessageBox::Information : QMessageBox::Question;
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n");  // texts carry CR LF line ends; the label wants LF
    QMessageBox box(icon, MessageCaption(caption), shown, ButtonsOf(buttons), parent_);
    return AnswerOf(box.exec());
}

bool TQtInteractiveServices::OpenFileDialog(const mobrel::TFileDialogRequest& request,
                                            std::string& fileName) {
    TNormalCursorScope normalCursor;
    QFileDialog dialog(parent_, QString::fromStdString(request.Title));
    dialog.setAcceptMode(request.MustExist ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.MustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(QtNameFilters(request.Filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExt));
    if (!request.InitialDir.empty()) {
        dialog.setDirectory(QString::fromStdString(request.InitialDir));
    }
    if (!request.FileName.empty()) {
        dialog.selectFile(QString::fromStdString(request.FileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    fileName = dialog.selectedFiles().constFirst().toStdString();
    return true;
}

bool TQtInteractiveServices::ChooseFolder(const std::string& title, const std::string& startDir,
                                          std::string& folder) {
    TNormalCursorScope normalCursor;
    const QString chosen = QFileDialog::getExistingDirectory(parent_, QString::fromStdString(title),
                                                             QString::fromStdString(startDir));
    if (chosen.isEmpty()) {
        return false;
    }
    folder = chosen.toStdString();
    return true;
}

void TQtInteractiveServices::SetBusyCursor(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void TQtInteractiveServices::ProcessMessages() {
    QCoreApplication::processEvents();
}
