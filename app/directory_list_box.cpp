#include "directory_list_box.h"

#include <QKeyEvent>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/host_path.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPathRole = Qt::UserRole;

std::vector<std::string> SubFolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            names.push_back(it->path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        SetDirectory(item->data(0, kPathRole).toString().toStdString());
    });
    std::error_code error;
    const fs::path current = fs::current_path(error);
    SetDirectory(error ? std::string("/") : current.string());
}

void TDirectoryListBox::SetDirectory(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    std::error_code error;
    fs::path absolute = fs::absolute(folder, error).lexically_normal();
    const std::string normalised = mobrel::ExcludeTrailingSeparator(absolute.string());
    if (normalised == directory_ || !fs::is_directory(normalised, error)) {
        return;
    }
    directory_ = normalised;
    fs::current_path(directory_, error);
    Update();
    if (OnChange) {
        OnChange();
    }
}

void TDirectoryListBox::Update() {
    clear();
    QTreeWidgetItem* row = AddFolderRow(nullptr, "/", "/");
    std::string path;
    for (const fs::path& part : fs::path(directory_).relative_path()) {
        path += "/" + part.string();
        row = AddFolderRow(row, QString::fromStdString(part.string()), path);
    }
    QFont bold = row->font(0);
    bold.setBold(true);
    row->setFont(0, bold);
    for (const std::string& name : SubFolderNames(directory_)) {
        AddFolderRow(row, QString::fromStdString(name), mobrel::JoinPath(directory_, name));
    }
    expandAll();
    setCurrentItem(row);
    scrollToItem(row);
}

QTreeWidgetItem* TDirectoryListBox::AddFolderRow(QTreeWidgetItem* parent, const QString& caption,
                                                 const std::string& path) {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, caption);
    item->setData(0, kPathRole, QString::fromStdString(path));
    item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    return item;
}

void TDirectoryListBox::keyReleaseEvent(QKeyEvent* event) {
    QTreeWidget::keyReleaseEvent(event);
    if (OnKeyUp) {
        OnKeyUp(event->key());
    }
}
