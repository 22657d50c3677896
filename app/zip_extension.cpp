#include "zip_extension.h"

#include <cctype>

#include "platform/host_path.h"

bool HasZipExtension(const std::string& name) {
    std::string extension = mobrel::ExtensionPart(name);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".zip";
}
