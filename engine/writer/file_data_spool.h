#pragma once
// A temporary file that holds one entry's compressed data while it is being made. In
// multi-disk mode the data can only be placed on the disks once its size is known, so it is
// spooled here and copied out afterwards. The file is removed however its owner ends.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/stream.h"
#include "writer/archive_output_stream.h"

namespace mobrel {

class TFileDataSpool {
  public:
    // The file is created in folder on first use.
    explicit TFileDataSpool(std::string folder);
    ~TFileDataSpool();
    TFileDataSpool(const TFileDataSpool&) = delete;
    TFileDataSpool& operator=(const TFileDataSpool&) = delete;

    // The stream the data goes to; raises ENotEnoughRoom when the folder's disk is full.
    TStream& Output();
    // Bytes spooled so far (0 before any was).
    int64_t Size();
    // Positions the spooled data for reading from its first byte.
    TStream& Rewind();
    // Closes and removes the file; the next Output starts a new one.
    void Discard();

  private:
    std::string folder_;
    std::string fileName_;
    std::unique_ptr<TArchiveOutputStream> stream_;
};

}  // namespace mobrel
