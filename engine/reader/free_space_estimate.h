#pragma once
// What an extraction run may assume of the free space of its folders without asking the
// system for each file: the last reading of a folder, less every byte the run has declared
// for its entries since, in any folder (folders may share a file system). The estimate can
// only be low, so an entry it holds fits; one it doesn't hold calls for a new reading.
#include <cstdint>
#include <map>
#include <string>

namespace mobrel {

class TFreeSpaceEstimate {
  public:
    // True when the last reading of folder, less what was taken since, holds bytes.
    bool Holds(const std::string& folder, uint64_t bytes) const {
        const auto reading = readings_.find(folder);
        if (reading == readings_.end()) {
            return false;
        }
        const uint64_t takenSince = taken_ - reading->second.TakenBefore;
        return takenSince <= reading->second.Free && bytes <= reading->second.Free - takenSince;
    }
    void Read(const std::string& folder, uint64_t free) { readings_[folder] = {free, taken_}; }
    // An entry of bytes is about to be written somewhere.
    void Take(uint64_t bytes) { taken_ += bytes; }
    void Clear() {
        readings_.clear();
        taken_ = 0;
    }

  private:
    struct TReading {
        uint64_t Free = 0;
        uint64_t TakenBefore = 0;
    };
    std::map<std::string, TReading> readings_;
    uint64_t taken_ = 0;
};

}  // namespace mobrel
