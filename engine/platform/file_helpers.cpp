#include "platform/file_helpers.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/sanitize_dos_date_time.h"
#include "platform/temp_files.h"

namespace mobrel {

namespace fs = std::filesystem;

bool ForceDirectories(const std::string& folder) {
    if (folder.empty()) {
        return false;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    return DirectoryExists(folder);
}

bool FileExists(const std::string& fileName) {
    std::error_code error;
    const fs::file_status status = fs::status(fileName, error);
    return fs::exists(status) && !fs::is_directory(status);
}

bool DirectoryExists(const std::string& folder) {
    std::error_code error;
    return fs::is_directory(folder, error);
}

bool RegularFileExists(const std::string& fileName) {
    std::error_code error;
    return fs::is_regular_file(fileName, error);
}

std::string CurrentFolder() {
    std::error_code error;
    const fs::path folder = fs::current_path(error);
    return error ? std::string() : folder.string();
}

TDateTime FileDateTimeOrNow(const std::string& fileName) {
    constexpr uint32_t kUnreadable = 0xFFFFFFFF;  // what a failed look-up gives: -1
    const uint32_t repaired = SanitizeDosDateTime(FileDosDateTime(fileName).value_or(kUnreadable));
    const std::optional<TDateTime> when = DosDateTimeToDateTime(repaired);
    return when ? *when : Now();
}

std::string TempFileName(const std::string& folder) {
    return MakeTempFile(folder, "MBZ");
}

std::string ToShortPath(const std::string& path) {
    return path;
}

std::string ReadVolumeLabel(const std::string& /*root*/) {
    return {};
}

bool WriteVolumeLabel(const std::string& /*root*/, const std::string& /*label*/) {
    return false;
}

}  // namespace mobrel
