#include "drive_combo_box.h"

#include <QStorageInfo>

#include "platform/host_path.h"

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent) {
    Update();
    // Only the user's choice is a change; SetDrive and Update are the window's own doing.
    connect(this, &QComboBox::activated, this, [this] {
        if (OnChange) {
            OnChange();
        }
    });
}

std::string TDriveComboBox::Drive() const {
    return currentData().toString().toStdString();
}

void TDriveComboBox::SetDrive(const std::string& path) {
    const int index = IndexOfVolumeHolding(path);
    if (index < 0 || index == currentIndex()) {
        return;
    }
    setCurrentIndex(index);
}

void TDriveComboBox::Update() {
    const QString kept = currentData().toString();
    clear();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) {
            continue;
        }
        QString caption = volume.rootPath();
        if (!volume.displayName().isEmpty() && volume.displayName() != volume.rootPath()) {
            caption += " [" + volume.displayName() + "]";
        }
        addItem(caption, volume.rootPath());
    }
    const int keptIndex = findData(kept);
    setCurrentIndex(keptIndex >= 0 ? keptIndex : 0);
}

int TDriveComboBox::IndexOfVolumeHolding(const std::string& path) const {
    int best = -1;
    size_t bestLength = 0;
    const std::string withSeparator = mobrel::IncludeTrailingSeparator(path);
    for (int i = 0; i < count(); ++i) {
        const std::string root =
            mobrel::IncludeTrailingSeparator(itemData(i).toString().toStdString());
        if (withSeparator.starts_with(root) && (best < 0 || root.size() > bestLength)) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}
