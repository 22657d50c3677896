#include "form_file_ops.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "exception_handler.h"
#include "file_operations.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "show_message.h"

TFormFileOps::TFormFileOps(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Tollan's File Operations");
    BuildControls();
    BuildMenu();
    ConnectControls();
    // Creation starts with both boxes empty.
    Edit1->clear();
    Edit2->clear();
    UpdateActions();
}

void TFormFileOps::BuildControls() {
    DriveComboBox1 = new TDriveComboBox(this);
    DirectoryListBox1 = new TDirectoryListBox(this);
    FileListBox1 = new TFileListBox(this);
    Edit2 = new QLineEdit(this);
    Edit1 = new QLineEdit(this);
    DeleteButton = new QPushButton("Delete", this);
    DeleteButton->setToolTip("Delete the Selected File");
    CreateDirButton = new QPushButton("Create Directory", this);
    StatusBar1 = new QStatusBar(this);

    auto* browse = new QHBoxLayout;
    auto* folders = new QVBoxLayout;
    folders->addWidget(new QLabel("Current Directory", this));
    folders->addWidget(DriveComboBox1);
    folders->addWidget(DirectoryListBox1);
    browse->addLayout(folders);
    browse->addWidget(FileListBox1);

    auto* boxes = new QFormLayout;
    auto* deleteRow = new QHBoxLayout;
    deleteRow->addWidget(Edit2);
    deleteRow->addWidget(DeleteButton);
    boxes->addRow("File to Delete:", deleteRow);
    auto* createRow = new QHBoxLayout;
    createRow->addWidget(Edit1);
    createRow->addWidget(CreateDirButton);
    boxes->addRow("New Directory Name:", createRow);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(browse, 1);
    layout->addLayout(boxes);
    layout->addWidget(StatusBar1);
    resize(640, 480);
}

void TFormFileOps::BuildMenu() {
    a_DelFile = new QAction("Delete the Selected File", this);
    a_DelFile->setObjectName("a_DelFile");
    a_DelFile->setToolTip("Delete the Selected File");
    a_DelFile->setStatusTip("Delete the Selected File");
    a_CreateDir = new QAction("Create Directory", this);
    a_CreateDir->setObjectName("a_CreateDir");
    a_CreateDir->setToolTip("Create a New Directory");
    a_CreateDir->setStatusTip("Create a New Directory");
    a_Exit = new QAction("E&xit", this);

    auto* menuBar = new QMenuBar(this);
    QMenu* fileMenu = menuBar->addMenu("&File");
    fileMenu->addAction(a_Exit);
    QMenu* editMenu = menuBar->addMenu("&Edit");
    editMenu->addAction(a_DelFile);
    editMenu->addAction(a_CreateDir);
    layout()->setMenuBar(menuBar);
    // Enabling rules run before a menu opens as well as when the controls change.
    connect(editMenu, &QMenu::aboutToShow, this, &TFormFileOps::UpdateActions);
}

void TFormFileOps::ConnectControls() {
    DriveComboBox1->OnChange = [this] { DirectoryListBox1->SetDirectory(DriveComboBox1->Drive()); };
    DirectoryListBox1->OnChange = [this] {
        FileListBox1->SetDirectory(Folder());
        DriveComboBox1->SetDrive(Folder());
        StatusBar1->showMessage(QString::fromStdString(Folder()));
        UpdateActions();
    };
    FileListBox1->OnKeyUp = [this](int key) {
        if (key == Qt::Key_Delete && FileListBox1->currentItem() != nullptr) {
            a_DelFile->trigger();
        }
    };
    connect(FileListBox1, &QListWidget::itemClicked, this, [this] { FileListBox1Click(); });
    connect(FileListBox1, &QListWidget::currentItemChanged, this, [this] {
        FileListBox1Click();
        UpdateActions();
    });
    connect(Edit1, &QLineEdit::textChanged, this, &TFormFileOps::UpdateActions);
    connect(a_DelFile, &QAction::triggered, this,
            [this] { RunGuarded([this] { a_DelFileExecute(); }); });
    connect(DeleteButton, &QPushButton::clicked, a_DelFile, &QAction::trigger);
    connect(a_CreateDir, &QAction::triggered, this,
            [this] { RunGuarded([this] { a_CreateDirExecute(); }); });
    connect(CreateDirButton, &QPushButton::clicked, a_CreateDir, &QAction::trigger);
    connect(a_Exit, &QAction::triggered, this, &QDialog::reject);
}

void TFormFileOps::UpdateActions() {
    a_DelFileUpdate();
    a_CreateDirUpdate();
    DeleteButton->setEnabled(a_DelFile->isEnabled());
    CreateDirButton->setEnabled(a_CreateDir->isEnabled());
}

void TFormFileOps::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TFormFileOps::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TFormFileOps::FormActivate() {
    if (OnGetMainFolder) {
        DirectoryListBox1->SetDirectory(OnGetMainFolder());
    }
    FileListBox1->SetDirectory(Folder());
    FileListBox1->Update();
    UpdateActions();
}

void TFormFileOps::FormClose() {
    if (OnCheckCurrentArchive) {
        OnCheckCurrentArchive();
    }
    if (mobrel::DirectoryExists(Folder())) {
        if (OnRereadMainViews) {
            OnRereadMainViews();
        }
    } else {
        moveUpDir(*DirectoryListBox1, Folder());
    }
    ReturnToMainFolder();
}

// This window's folder tree moves the process's current folder, which the main window's
// actions read as the folder its trees show; on closing it goes back there.
void TFormFileOps::ReturnToMainFolder() {
    const std::string mainFolder = OnGetMainFolder ? OnGetMainFolder() : std::string();
    std::error_code error;
    if (mobrel::DirectoryExists(mainFolder)) {
        std::filesystem::current_path(mainFolder, error);
    }
}

void TFormFileOps::FileListBox1Click() {
    if (FileListBox1->currentItem() != nullptr) {
        Edit2->setText(QString::fromStdString(FileListBox1->FileName()));
    }
}

void TFormFileOps::a_DelFileExecute() {
    mobrel::TBusyCursorScope busy;
    const bool yes =
        mobrel::Services().MessageBox("Send the file to the recycle bin?", "Confirm",
                                      mobrel::TMsgButtons::YesNo) == mobrel::TMsgAnswer::Yes;
    if (!yes) {
        ShowMessage("Delete cancelled");
        return;
    }
    const std::string name = Edit2->text().toStdString();
    if (RecycleFile(name)) {
        ShowMessage("Successfully sent: \n" + name + " to recycle bin.");
        FileListBox1->Update();
        Edit2->clear();
    }
    UpdateActions();
}

void TFormFileOps::a_DelFileUpdate() {
    a_DelFile->setEnabled(FileListBox1->currentItem() != nullptr);
}

void TFormFileOps::a_CreateDirExecute() {
    mobrel::TBusyCursorScope busy;
    if (Edit1->text().isEmpty()) {
        ShowMessage("Please enter a directory name.");
        return;
    }
    const std::string path =
        mobrel::IncludeTrailingSeparator(Folder()) + Edit1->text().toStdString();
    if (mobrel::DirectoryExists(path)) {
        return;
    }
    CreateSingleFolderOrFail(path);
    ShowMessage("Successfully created directory: \n" + path);
    DirectoryListBox1->Update();
    if (OnDirectoryCreated) {
        OnDirectoryCreated(path);
    }
}

void TFormFileOps::a_CreateDirUpdate() {
    a_CreateDir->setEnabled(!Edit1->text().isEmpty());
}

void TFormFileOps::moveUpDir(TDirectoryListBox& folderTree, const std::string& folder) {
    const std::string parent = ParentFolderOf(folder);
    if (!parent.empty()) {
        folderTree.SetDirectory(parent);
    }
}
