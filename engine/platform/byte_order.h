#pragma once
// Unaligned little-endian loads and stores: the byte order of the zip records and of the
// deflate bit stream, whatever the machine's. On a little-endian machine each is one move.
#include <bit>
#include <cstdint>
#include <cstring>

namespace mobrel {

namespace byte_order_detail {

template <typename TUnsigned>
inline TUnsigned FromLittle(TUnsigned value) {
    if constexpr (std::endian::native == std::endian::big) {
        if constexpr (sizeof value == 2) {
            return __builtin_bswap16(value);
        } else if constexpr (sizeof value == 4) {
            return __builtin_bswap32(value);
        } else {
            return __builtin_bswap64(value);
        }
    }
    return value;
}

template <typename TUnsigned>
inline TUnsigned Load(const uint8_t* p) {
    TUnsigned value;
    std::memcpy(&value, p, sizeof value);
    return FromLittle(value);
}

template <typename TUnsigned>
inline void Store(uint8_t* p, TUnsigned value) {
    value = FromLittle(value);  // the swap is its own inverse
    std::memcpy(p, &value, sizeof value);
}

}  // namespace byte_order_detail

inline uint16_t LoadU16(const uint8_t* p) {
    return byte_order_detail::Load<uint16_t>(p);
}
inline uint32_t LoadU32(const uint8_t* p) {
    return byte_order_detail::Load<uint32_t>(p);
}
inline uint64_t LoadU64(const uint8_t* p) {
    return byte_order_detail::Load<uint64_t>(p);
}
inline void StoreU16(uint8_t* p, uint16_t value) {
    byte_order_detail::Store(p, value);
}
inline void StoreU32(uint8_t* p, uint32_t value) {
    byte_order_detail::Store(p, value);
}
inline void StoreU64(uint8_t* p, uint64_t value) {
    byte_order_detail::Store(p, value);
}

}  // namespace mobrel
