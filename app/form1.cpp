#include "form1.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QUrl>

#include "exception_handler.h"
#include "form_about.h"
#include "form_file_ops.h"
#include "form_password.h"
#include "help_contents.h"
#include "platform/interactive_services.h"
#include "unzip_page.h"
#include "zip_page.h"

TForm1::TForm1(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), arguments_(arguments) {
    ConfigureEngine();
    ConfigureSelfExtractor();
    BuildWindow();
    RunGuarded([this] { FormCreate(); });
    CreateSideWindows();
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TForm1::UpdateActions);
    }
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    // The child widgets outlive the engine (members go before the window's base class),
    // and hiding them lays out the entry list once more: it must not ask the engine then.
    UnzipPage->DetachFromEngine();
    UnzipPage->RemoveViewFolder();
    UnzipPage->RemoveDragFolder();
}

void TForm1::ConfigureEngine() {
    Zipper1.SetRecreateDirs(true);
    Zipper1.SetIncompleteZipMode(mobrel::izAssumeBad);
    Zipper1.SetZipAction(mobrel::zaReplace);
    Zipper1.OnFilePercentDone = [this](mobrel::TUnZipper&, int percent) {
        Zipper1FilePercentDone(percent);
    };
    Zipper1.OnTotalPercentDone = [this](mobrel::TUnZipper&, int percent) {
        Zipper1TotalPercentDone(percent);
    };
}

void TForm1::ConfigureSelfExtractor() {
    // The window's self-extractors let the user choose files and ask before overwriting.
    SFXConfig1.UserCanChooseFiles = true;
    SFXConfig1.OverwriteMode = mobrel::omPrompt;
    SFXConfig1.Caption = "Tollan's Mobrel Archive";
    SFXConfig1.InfoText = "This self extractor was made with Tollan's Mobrel";
}

void TForm1::CreateSideWindows() {
    FormAbout = new TFormAbout(this);
    FormFileOps = new TFormFileOps(this);
    helpContents = new ThelpContents(this);
    FormPassword = new TFormPassword(this);
}

void TForm1::RunAction(const std::function<void()>& handler) {
    // The window keeps repainting while the engine works; a second operation started from
    // inside the first would pull the directory from under it, so input waits.
    if (OperationRunning()) {
        return;
    }
    mobrel::TBusyCursorScope hourglass;
    RunGuarded(handler);
}

int TForm1::ShowModalWindow(QDialog& window) {
    if (ShowModal) {
        return ShowModal(window);
    }
    return window.exec();
}

void TForm1::RunEngineOperation(const std::function<void()>& operation) {
    ProgressBar1->setValue(0);
    Zipper1.SetCancelRequested(false);
    EnterOperation();
    try {
        operation();
    } catch (...) {
        LeaveOperation();
        ProgressBar1->setValue(0);
        throw;
    }
    LeaveOperation();
}

// The pages and menus are greyed out while the engine works, so the window shows that
// only Escape and the progress bar are alive; input to them is held back in any case.
void TForm1::EnterOperation() {
    if (operationDepth_++ == 0) {
        SetControlsEnabled(false);
    }
}

void TForm1::LeaveOperation() {
    if (--operationDepth_ == 0) {
        SetControlsEnabled(true);
    }
}

void TForm1::SetControlsEnabled(bool enabled) {
    PageControl1->setEnabled(enabled);
    menuBar()->setEnabled(enabled);
    Edit3->setEnabled(enabled);
}

void TForm1::Zipper1FilePercentDone(int /*percent*/) {}

// The bar follows the whole operation, so a long one shows that it moves.
void TForm1::Zipper1TotalPercentDone(int percent) {
    ProgressBar1->setValue(percent);
}

void TForm1::ResetProgress() {
    ProgressBar1->setValue(0);
}

void TForm1::UpdateActions() {
    if (ZipPageShown()) {
        ZipPage->UpdateActions();
    } else {
        UnzipPage->UpdateActions();
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        RunAction([this] { FormShow(); });
    }
}

// The copies of viewed and dragged entries go with the window.
void TForm1::closeEvent(QCloseEvent* event) {
    UnzipPage->RemoveViewFolder();
    UnzipPage->RemoveDragFolder();
    QMainWindow::closeEvent(event);
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        RunGuarded([this] { FormActivate(); });
    }
    return QMainWindow::event(event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && event->source() == nullptr) {
        event->acceptProposedAction();
    }
}

void TForm1::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            const std::string name = url.toLocalFile().toStdString();
            RunGuarded([this, &name] { DropFile(name); });
            return;
        }
    }
}

namespace {

bool IsUserInput(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Drop:
        case QEvent::ContextMenu:
        case QEvent::Shortcut:
            return true;
        default:
            return false;
    }
}

}  // namespace

// While the engine works, Escape in the main window asks it to stop and other input to the
// main window waits; modal windows the engine opens (password, questions) are windows of
// their own and keep every key, Escape included.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!OperationRunning() || widget == nullptr || widget->window() != this) {
        return QMainWindow::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Zipper1.SetCancelRequested(true);
        return true;
    }
    if (IsUserInput(event)) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
