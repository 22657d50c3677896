#pragma once
// The bytes each entry's local header and data take in the archive, disk by disk. Honest
// archives never share a byte between two entries; a directory whose entries overlap is
// damaged or made to make a few kilobytes extract as gigabytes.
#include <cstdint>
#include <map>
#include <utility>

namespace mobrel {

class TZipHeaderInfo;

class TLocalExtents {
  public:
    // Records the entry's extent, at least its fixed local header, its name as the central
    // header gives it and its compressed data. False, recording nothing, when that overlaps
    // an extent already recorded or its end passes what 64 bits can count.
    bool Claim(const TZipHeaderInfo& entry);

  private:
    using TStart = std::pair<uint32_t, uint64_t>;  // disk, offset
    std::map<TStart, uint64_t> ends_;              // where each extent ends on its disk
};

}  // namespace mobrel
