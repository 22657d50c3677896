#include "file_operations.h"

#include <sys/stat.h>

#include <QFile>
#include <filesystem>
#include <system_error>

#include "platform/engine_errors.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "show_message.h"

namespace {

const std::string kConfirmCaption = "Confirm";

bool AskYesNo(const std::string& question) {
    return mobrel::Services().MessageBox(question, kConfirmCaption, mobrel::TMsgButtons::YesNo) ==
           mobrel::TMsgAnswer::Yes;
}

std::string FullPath(const std::string& name) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(name, error);
    return error ? name : full.string();
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

}  // namespace

bool MoveToTrash(const std::string& path) {
    return QFile::moveToTrash(QFile::decodeName(QByteArray::fromStdString(path)));
}

bool RecycleFile(const std::string& name) {
    if (!mobrel::FileExists(name)) {
        ShowMessage("Please enter a valid file.");
        return false;
    }
    const std::string full = FullPath(name);
    return MoveToTrash(full) || !PathExists(full);
}

bool ConfirmAndRecycleFile(const std::string& name) {
    if (name.empty() || !mobrel::FileExists(name)) {
        ShowMessage("Please select a file first.");
        return false;
    }
    mobrel::TBusyCursorScope busy;
    if (!AskYesNo("Send the file: " + name + "\n to the recycle bin?")) {
        ShowMessage("Delete cancelled");
        return false;
    }
    if (!RecycleFile(name)) {
        return false;
    }
    ShowMessage("Successfully sent: \n" + name + " to recycle bin.");
    return true;
}

bool ConfirmAndRecycleFolder(const std::string& folder) {
    if (folder.empty() || !mobrel::DirectoryExists(folder)) {
        ShowMessage("Please select a file or directory to delete");
        return false;
    }
    if (mobrel::IsRootFolder(folder)) {
        ShowMessage("You cannot delete a root directory or drive.");
        return false;
    }
    if (!AskYesNo("Send directory: " + folder + " to recycle bin?")) {
        ShowMessage("You cancelled the delete.");
        return false;
    }
    if (!MoveToTrash(FullPath(folder)) || PathExists(folder)) {
        return false;
    }
    ShowMessage("Successfully recycled: " + folder);
    return true;
}

std::string ParentFolderOf(const std::string& folder) {
    if (folder.size() < 2) {
        return {};
    }
    const size_t separator = folder.rfind(mobrel::kPathSeparator, folder.size() - 2);
    return separator == std::string::npos ? std::string() : folder.substr(0, separator + 1);
}

bool CreateSingleFolder(const std::string& path) {
    if (mobrel::DirectoryExists(path)) {
        return true;
    }
    std::error_code error;
    return std::filesystem::create_directory(path, error) && !error;
}

void CreateSingleFolderOrFail(const std::string& path) {
    if (!CreateSingleFolder(path)) {
        throw mobrel::EFileError("Cannot create " + path);
    }
}

bool CreateFolderIfAgreed(const std::string& folder) {
    if (mobrel::DirectoryExists(folder)) {
        return true;
    }
    if (mobrel::Services().MessageBox("The specified directory does not exist. Create it?",
                                      "Confirm",
                                      mobrel::TMsgButtons::YesNo) != mobrel::TMsgAnswer::Yes) {
        return false;
    }
    if (!mobrel::ForceDirectories(folder)) {
        throw mobrel::EFileError("Cannot create " + folder);
    }
    return true;
}
