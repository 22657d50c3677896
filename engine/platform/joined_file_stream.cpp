#include "platform/joined_file_stream.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "platform/engine_errors.h"
#include "platform/file_stream.h"
#include "platform/lfn_file_stream.h"

namespace mobrel {

TJoinedFileStream::TJoinedFileStream(std::vector<std::string> fileNames, int32_t bufferSize)
    : fileNames_(std::move(fileNames)), bufferSize_(bufferSize) {
    if (fileNames_.empty()) {
        throw EGeneralError("A joined stream needs at least one file");
    }
    int64_t start = 0;
    for (const std::string& name : fileNames_) {
        starts_.push_back(start);
        start += TFileStream(name, TFileMode::OpenRead).Size();
    }
    starts_.push_back(start);
}

TJoinedFileStream::~TJoinedFileStream() = default;

size_t TJoinedFileStream::PieceAt(int64_t position) const {
    // The first start beyond position follows the piece that holds it; empty pieces are
    // stepped over, since a later piece with the same start comes after them.
    const auto pieceEnds = std::upper_bound(starts_.begin(), starts_.end() - 1, position);
    return static_cast<size_t>(std::distance(starts_.begin(), pieceEnds)) - 1;
}

TStream& TJoinedFileStream::OpenPiece(size_t index) {
    if (!piece_ || pieceIndex_ != index) {
        piece_.reset();
        piece_ = std::make_unique<TLFNFileStream>(fileNames_[index], TFileMode::OpenRead, false,
                                                  bufferSize_);
        pieceIndex_ = index;
    }
    return *piece_;
}

int64_t TJoinedFileStream::Read(void* data, int64_t count) {
    auto* out = static_cast<uint8_t*>(data);
    int64_t done = 0;
    while (done < count && position_ < Size()) {
        const size_t index = PieceAt(position_);
        const int64_t offset = position_ - starts_[index];
        const int64_t wanted = std::min(count - done, starts_[index + 1] - position_);
        TStream& piece = OpenPiece(index);
        piece.Seek(offset, soBeginning);
        const int64_t got = piece.Read(out + done, wanted);
        done += got;
        position_ += got;
        if (got < wanted) {
            break;  // the piece is shorter than when it was measured
        }
    }
    return done;
}

int64_t TJoinedFileStream::Write(const void* /*data*/, int64_t /*count*/) {
    throw EStreamError("The pieces of a split archive are only read");
}

void TJoinedFileStream::SetSize(int64_t /*size*/) {
    throw EStreamError("The pieces of a split archive are only read");
}

int64_t TJoinedFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = 0;
    switch (origin) {
        case soBeginning:
            break;
        case soCurrent:
            base = position_;
            break;
        case soEnd:
            base = Size();
            break;
        default:
            throw EGeneralError("Invalid seek origin (" + std::to_string(static_cast<int>(origin)) +
                                ")");
    }
    if (base + offset < 0) {
        throw EStreamError("Seek before the start of the joined pieces");
    }
    position_ = base + offset;
    return position_;
}

}  // namespace mobrel
