#include "file_list_box.h"

#include <QKeyEvent>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/host_path.h"
#include "platform/wildcard_match.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitMask(const std::string& mask) {
    std::vector<std::string> patterns;
    size_t start = 0;
    while (start <= mask.size()) {
        const size_t end = std::min(mask.find(';', start), mask.size());
        if (end > start) {
            patterns.push_back(mask.substr(start, end - start));
        }
        start = end + 1;
    }
    return patterns;
}

// "*.*" stands for every file, also one without a dot in its name.
bool MatchesPattern(const std::string& pattern, const std::string& name) {
    return pattern == "*.*" || mobrel::WildcardMatch(pattern, name);
}

}  // namespace

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void TFileListBox::SetDirectory(const std::string& folder) {
    if (folder == directory_) {
        return;
    }
    directory_ = folder;
    Update();
}

void TFileListBox::SetMask(const std::string& mask) {
    mask_ = mask;
    Update();
}

void TFileListBox::Update() {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory_, fs::directory_options::skip_permission_denied,
                                   error);
         !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(typeError) && MatchesMask(name)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    clear();
    for (const std::string& name : names) {
        addItem(QString::fromStdString(name));
    }
}

std::string TFileListBox::FileName() const {
    const QListWidgetItem* item = currentItem();
    if (item == nullptr) {
        return {};
    }
    return mobrel::JoinPath(directory_, item->text().toStdString());
}

std::vector<std::string> TFileListBox::Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < count(); ++i) {
        names.push_back(item(i)->text().toStdString());
    }
    return names;
}

std::vector<std::string> TFileListBox::SelectedNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected()) {
            names.push_back(item(i)->text().toStdString());
        }
    }
    return names;
}

bool TFileListBox::HasSelection() const {
    return !selectedItems().isEmpty();
}

bool TFileListBox::MatchesMask(const std::string& name) const {
    const std::vector<std::string> patterns = SplitMask(mask_);
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& pattern) { return MatchesPattern(pattern, name); });
}

void TFileListBox::keyReleaseEvent(QKeyEvent* event) {
    QListWidget::keyReleaseEvent(event);
    if (OnKeyUp) {
        OnKeyUp(event->key());
    }
}
