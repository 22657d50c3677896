#include "platform/temp_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/engine_errors.h"
#include "platform/host_path.h"

namespace mobrel {

std::string TempDirectory() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    const std::string folder =
        fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : "/tmp";
    return IncludeTrailingSeparator(folder);
}

namespace {

std::vector<char> TemplateName(const std::string& pattern) {
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return name;
}

}  // namespace

std::string MakeTempFile(const std::string& folder, const std::string& prefix) {
    const std::string pattern = IncludeTrailingSeparator(folder) + prefix + "XXXXXX";
    std::vector<char> name = TemplateName(pattern);
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        throw EFileError("Cannot create file \"" + pattern + "\". " + std::strerror(errno));
    }
    close(fd);
    return std::string(name.data());
}

std::string MakeTempFolder(const std::string& folder, const std::string& prefix) {
    const std::string pattern = IncludeTrailingSeparator(folder) + prefix + "XXXXXX";
    std::vector<char> name = TemplateName(pattern);
    if (mkdtemp(name.data()) == nullptr) {
        throw EFileError("Cannot create folder \"" + pattern + "\". " + std::strerror(errno));
    }
    return std::string(name.data());
}

}  // namespace mobrel
