#include "platform/running_program.h"

#include <unistd.h>

#include <vector>

#include "platform/engine_errors.h"

namespace mobrel {

std::string RunningProgramPath() {
    std::vector<char> path(4096);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        throw EFileError("Cannot find the running program's own file");
    }
    return std::string(path.data(), static_cast<size_t>(length));
}

}  // namespace mobrel
