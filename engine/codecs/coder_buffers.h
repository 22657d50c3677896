#pragma once
// The input a library coder may take and the room it may fill in one step, advanced by the
// step: the one shape the streaming encoders and decoders over bzip2, liblzma and zstd
// share.
#include <cstddef>
#include <cstdint>

namespace mobrel {

struct TCoderBuffers {
    const uint8_t* In = nullptr;
    size_t InLeft = 0;
    uint8_t* Out = nullptr;
    size_t OutLeft = 0;
};

}  // namespace mobrel
