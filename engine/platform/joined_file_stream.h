#pragma once
// A read-only stream over several files taken end to end, as if they were one: the pieces
// a plain byte split cut one archive into. Only one piece is open at a time, so a set of
// many pieces holds one descriptor.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/stream.h"

namespace mobrel {

class TLFNFileStream;

class TJoinedFileStream : public TStream {
  public:
    // Learns every piece's size now (EFileError when one can't be opened); the sizes are
    // taken as fixed from here on. At least one file name is needed (EGeneralError).
    TJoinedFileStream(std::vector<std::string> fileNames, int32_t bufferSize);
    ~TJoinedFileStream() override;
    TJoinedFileStream(const TJoinedFileStream&) = delete;
    TJoinedFileStream& operator=(const TJoinedFileStream&) = delete;

    // Goes on from one piece to the next; fewer bytes only at the end of the last piece.
    int64_t Read(void* data, int64_t count) override;
    // The stream is read-only: both raise EStreamError.
    int64_t Write(const void* data, int64_t count) override;
    void SetSize(int64_t size) override;
    // A position before the start raises EStreamError; one past the end reads nothing.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return starts_.back(); }

    const std::vector<std::string>& FileNames() const { return fileNames_; }

  private:
    // The piece that holds the byte at position (the last piece at or past the end).
    size_t PieceAt(int64_t position) const;
    TStream& OpenPiece(size_t index);

    std::vector<std::string> fileNames_;
    std::vector<int64_t> starts_;  // where each piece starts, then the total size
    int32_t bufferSize_;
    std::unique_ptr<TLFNFileStream> piece_;  // the open piece, or none
    size_t pieceIndex_ = 0;
    int64_t position_ = 0;
};

}  // namespace mobrel
