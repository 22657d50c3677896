// Hostile entry names: the code-page conversions and the entry-name to host-path helper
// must take any bytes without reading out of bounds, and no name may become a path that
// leaves the output folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/host_path.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool HasParentComponent(const std::string& path) {
    size_t pos = 0;
    while (pos <= path.size()) {
        const size_t end = std::min(path.find('/', pos), path.size());
        if (path.compare(pos, end - pos, "..") == 0 && end - pos == 2) {
            return true;
        }
        pos = end + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Every CP437 byte string survives the trip to UTF-8 and back.
    const std::string asAnsi = mobrel::OemToAnsi(bytes);
    Check(mobrel::FitsOem(asAnsi));
    Check(mobrel::AnsiToOem(asAnsi) == bytes);

    // Any bytes as UTF-8: one CP437 byte per character at most.
    Check(mobrel::AnsiToOem(bytes).size() <= size);
    const mobrel::TStoredName stored = mobrel::EncodeEntryName(bytes);
    Check(mobrel::DecodeEntryName(stored.Bytes, stored.Utf8) == bytes || !stored.Utf8);
    Check(!stored.Utf8 || mobrel::IsValidUtf8(stored.Bytes));

    const std::string host = mobrel::EntryNameToHostPath(bytes);
    Check(host.empty() || host.front() != '/');
    Check(!HasParentComponent(host));
    Check(host.find('\\') == std::string::npos);
    return 0;
}
