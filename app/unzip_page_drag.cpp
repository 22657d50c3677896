// Dragging entries out of the list: they are extracted into a folder of the drag's own, and
// the drag carries that folder's files and folders to wherever the user drops them.
#include <QDrag>
#include <QList>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "entry_list_view.h"
#include "platform/temp_files.h"
#include "unzip_page.h"
#include "writer/zipper.h"

namespace {

// Every name directly in folder, as file URLs in name order: the top of each extracted
// entry's path, which is what a file manager copies on.
QList<QUrl> TopLevelUrls(const std::string& folder) {
    std::vector<std::string> paths;
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        paths.push_back(item.path().string());
    }
    std::sort(paths.begin(), paths.end());
    QList<QUrl> urls;
    for (const std::string& path : paths) {
        urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    return urls;
}

}  // namespace

void TUnzipPage::RemoveDragFolder() {
    if (!dragFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dragFolder_, ignored);
        dragFolder_.clear();
    }
}

void TUnzipPage::DragSelectedOut() {
    std::unique_ptr<QMimeData> data;
    host_.RunAction([this, &data] { data = ExtractForDrag(); });
    if (!data) {
        return;
    }
    // On the heap with a parent, as Qt asks, so that it can clean up after the drop.
    auto* drag = new QDrag(ListBox2);
    drag->setMimeData(data.release());
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

std::unique_ptr<QMimeData> TUnzipPage::ExtractForDrag() {
    // One drag's folder at a time: by the time the user starts another drag, the last drop
    // has been copied.
    RemoveDragFolder();
    dragFolder_ = mobrel::MakeTempFolder(mobrel::TempDirectory(), "mobrel-drag-");
    int asked = 0;
    int extracted = 0;
    try {
        extracted = ExtractSelectedInto(dragFolder_, asked);
    } catch (...) {
        RemoveDragFolder();
        throw;
    }
    if (asked == 0 || extracted < asked) {
        RemoveDragFolder();
        return nullptr;
    }
    auto data = std::make_unique<QMimeData>();
    data->setUrls(TopLevelUrls(dragFolder_));
    return data;
}

// A folder is dragged with what the archive holds below it: a folder entry on its own
// would give an empty folder, which the engine does not even make when nothing else is
// chosen.
int TUnzipPage::ChooseDraggedEntries() {
    std::vector<bool> selected(static_cast<size_t>(engine_.Count()), false);
    std::vector<std::string> folders;
    for (int row : ListBox2->SelectedRows()) {
        const int entry = EntryOfRow(row);
        if (entry < 0 || entry >= engine_.Count()) {
            continue;
        }
        selected[static_cast<size_t>(entry)] = true;
        if (engine_.EntryFileName(entry).empty()) {
            folders.push_back(engine_.EntryFullName(entry));
        }
    }
    const auto inChosenFolder = [&folders](const std::string& name) {
        return std::any_of(folders.begin(), folders.end(),
                           [&name](const std::string& folder) { return name.starts_with(folder); });
    };
    int chosen = 0;
    for (int entry = 0; entry < engine_.Count(); ++entry) {
        if (selected[static_cast<size_t>(entry)] || inChosenFolder(engine_.EntryFullName(entry))) {
            engine_.SetEntrySelected(entry, true);
            ++chosen;
        }
    }
    return chosen;
}

// The page's extraction settings are put back whatever happens: the drag's folder is never
// the destination of a later "Unzip".
int TUnzipPage::ExtractSelectedInto(const std::string& folder, int& asked) {
    const std::string keptDestDir = engine_.DestDir();
    const bool keptRecreateDirs = engine_.RecreateDirs();
    const auto restore = [&] {
        engine_.SetDestDir(keptDestDir);
        engine_.SetRecreateDirs(keptRecreateDirs);
    };
    ClearEntryMarks();
    engine_.FilesList().clear();
    asked = ChooseDraggedEntries();
    if (asked == 0) {
        return 0;
    }
    BeginReadingRun(engine_.ZipName());
    engine_.SetDoAll(false);
    engine_.SetDestDir(folder);
    engine_.SetRecreateDirs(true);
    engine_.SetRetainAttributes(true);
    int count = 0;
    try {
        host_.RunEngineOperation([this, &count] { count = engine_.UnZipSelected(); });
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return count;
}
