#include "file_dialog.h"

#include <filesystem>
#include <system_error>

#include "platform/host_path.h"
#include "platform/interactive_services.h"

void TFileDialog::ProposeExtension(const std::string& extension) {
    if (!FileName.empty()) {
        FileName = mobrel::ChangeFileExt(FileName, extension);
    }
}

bool TFileDialog::Execute() {
    if (OnShow) {
        OnShow();
    }
    mobrel::TFileDialogRequest request;
    request.Title = Title;
    request.Filter = Filter;
    request.InitialDir = InitialDir;
    request.FileName = FileName;
    request.MustExist = isOpenDialog_;
    request.DefaultExt = DefaultExt;
    std::string chosen;
    const bool accepted = mobrel::Services().OpenFileDialog(request, chosen);
    if (accepted) {
        if (!DefaultExt.empty() && mobrel::ExtensionPart(chosen).empty()) {
            chosen += "." + DefaultExt;
        }
        FileName = chosen;
        const std::string folder = mobrel::FolderPart(chosen);
        std::error_code error;
        if (!folder.empty()) {
            std::filesystem::current_path(folder, error);
        }
    }
    if (OnClose) {
        OnClose();
    }
    return accepted;
}
