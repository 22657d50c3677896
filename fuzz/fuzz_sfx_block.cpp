// Arbitrary bytes as the end of a self-extracting program's prefix: the stub searches them
// for a configuration block ending at their last byte and decodes it. Whatever decodes must
// build back into the same bytes, all but the flags byte, whose bits no setting uses are
// ignored when read.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "format/sfx_settings.h"
#include "platform/memory_stream.h"
#include "writer/sfx_config.h"

namespace {

void CheckRebuildsIdentically(const mobrel::TSFXSettings& settings, const uint8_t* data,
                              size_t size) {
    mobrel::TSFXConfig config;
    static_cast<mobrel::TSFXSettings&>(config) = settings;
    config.BuildConfigBlock();
    std::vector<uint8_t> block = config.ConfigBlock();
    if (block.size() > size) {
        std::abort();
    }
    const uint8_t* original = data + size - block.size();
    block[3] = original[3];
    if (!std::equal(block.begin(), block.end(), original)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const auto settings = mobrel::DecodeConfigBlock(data, size)) {
        CheckRebuildsIdentically(*settings, data, size);
    }
    mobrel::TMemoryStream prefix(std::vector<uint8_t>(data, data + size));
    if (const auto found = mobrel::ReadConfigBlockBefore(prefix, static_cast<int64_t>(size))) {
        CheckRebuildsIdentically(*found, data, size);
    }
    return 0;
}
