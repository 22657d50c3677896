#include "codecs/liblzma_step.h"

#include "codecs/liblzma_code.h"

#include <algorithm>
#include <string>

#include "platform/engine_errors.h"

namespace mobrel {

namespace {

constexpr int kHighestPreset = 6;

}  // namespace

lzma_options_lzma LzmaOptionsFor(int packLevel, int64_t sizeHint) {
    packLevel = std::clamp(packLevel, 1, 9);
    uint32_t preset = static_cast<uint32_t>(std::min(packLevel, kHighestPreset));
    if (packLevel > kHighestPreset) {
        preset |= LZMA_PRESET_EXTREME;
    }
    lzma_options_lzma options{};
    if (lzma_lzma_preset(&options, preset)) {
        LzmaFailed(LZMA_OPTIONS_ERROR);
    }
    if (sizeHint >= 0) {
        uint32_t fitting = LZMA_DICT_SIZE_MIN;
        while (fitting < options.dict_size && fitting < static_cast<uint64_t>(sizeHint)) {
            fitting *= 2;
        }
        options.dict_size = std::min(options.dict_size, fitting);
    }
    return options;
}

void LzmaFailed(lzma_ret code) {
    throw EGeneralError("The LZMA compressor failed (code " +
                        std::to_string(static_cast<int>(code)) + ")");
}

bool TLiblzmaStep::Step(TCoderBuffers& buffers, bool finish) {
    const lzma_ret code = CodeLzma(stream_, buffers, finish ? LZMA_FINISH : LZMA_RUN);
    if (code == LZMA_STREAM_END) {
        return true;
    }
    if (code != LZMA_OK) {
        LzmaFailed(code);
    }
    return false;
}

}  // namespace mobrel
