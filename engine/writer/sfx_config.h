#pragma once
// The self-extractor configuration component: the settings a self-extracting program's
// stub obeys, and the configuration block built from them that goes between the stub and
// the archive (layout in reader/sfx_settings.h).
#include <array>
#include <cstdint>
#include <vector>

#include "format/sfx_settings.h"

namespace mobrel {

class TSFXConfig : public TSFXSettings {
  public:
    using THeader = std::array<uint8_t, kSfxHeaderSize>;

    // The header starts out describing the settings' initial values; no block is built.
    TSFXConfig();

    // Brings the header up to date from the settings and builds the block: header, the five
    // strings each cut to its length field, then the 16-bit total length.
    void BuildConfigBlock();

    // The first ten bytes of the block, as of creation or the last build.
    const THeader& Header() const { return header_; }
    // The block of the last build; empty before the first.
    const std::vector<uint8_t>& ConfigBlock() const { return block_; }
    // The block's total size in 16 bits, as its last two bytes record it; 0 before a build.
    uint16_t BlockLen() const { return blockLen_; }

  private:
    void UpdateHeader();
    uint8_t FlagsByte() const;

    THeader header_{};
    std::vector<uint8_t> block_;
    uint16_t blockLen_ = 0;
};

}  // namespace mobrel
