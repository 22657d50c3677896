#pragma once
// The deflate compressor the writer runs for every file it compresses. Input comes through
// the writer's read routine, output leaves through its write routine in pieces of at most
// 1,024 bytes. One object serves a whole operation: its buffers are allocated once, in the
// constructor, and reused for every file.
#include <cstdint>

#include "codecs/bit_writer.h"
#include "codecs/deflate_block_writer.h"
#include "codecs/match_finder.h"

namespace mobrel {

// General purpose flag bits that tell how hard a deflated entry was compressed.
inline constexpr uint16_t kFlagMaximumCompression = 2;  // levels 8 and 9
inline constexpr uint16_t kFlagFastCompression = 4;     // levels 1 and 2

// What the writer puts into the entry record after compressing a file.
struct TDeflateResult {
    // cmDeflated, or cmStored when the file was written unchanged
    // without any block structure because compressing it would not make it smaller.
    uint16_t CompressionMethod = cmDeflated;
    uint64_t CompressedSize = 0;    // bytes handed to the write routine
    uint64_t UncompressedSize = 0;  // bytes taken from the read routine
    uint16_t GeneralPurposeFlags = 0;
    uint16_t InternalAttributes = kAttributesText;  // kAttributesText or kAttributesBinary
};

class TDeflater {
  public:
    TDeflater() = default;
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    // Compresses one file from start to end at packLevel 1..9 (values outside are taken as
    // the nearest valid level). Exceptions from the routines end it and pass through.
    TDeflateResult deflate(int packLevel, const TDeflateReadRoutine& read,
                           const TDeflateWriteRoutine& write);

  private:
    void DeflateFast(const TDeflateTuning& tuning);
    void DeflateLazy(const TDeflateTuning& tuning);
    void FlushBlock(bool endOfInput);
    static uint16_t FlagsForLevel(int packLevel);

    TMatchFinder matcher_;
    TDeflateBlockWriter blocks_;
    TBitWriter out_;
};

}  // namespace mobrel
