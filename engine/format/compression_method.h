#pragma once
// The compression methods of the zip format that this engine knows, by their numbers in the
// headers' method field.
#include <cstdint>

namespace mobrel {

enum TCompressionMethod : uint16_t {
    cmStored = 0,
    cmShrunk = 1,
    cmReducedFactor1 = 2,  // reduced with compression factors 1 to 4: methods 2 to 5
    cmReducedFactor2 = 3,
    cmReducedFactor3 = 4,
    cmReducedFactor4 = 5,
    cmImploded = 6,
    cmDeflated = 8,
};

}  // namespace mobrel
