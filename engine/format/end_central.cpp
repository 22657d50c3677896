#include "format/end_central.h"

#include <algorithm>
#include <vector>

#include "platform/engine_errors.h"

namespace mobrel {

void TEndCentral::Clear() {
    *this = TEndCentral();
}

void TEndCentral::Assign(const TEndCentral& source) {
    if (&source == this) {
        return;
    }
    Signature = source.Signature;
    ThisDisk = source.ThisDisk;
    CentralStartDisk = source.CentralStartDisk;
    EntriesThisDisk = source.EntriesThisDisk;
    TotalEntries = source.TotalEntries;
    CentralSize = source.CentralSize;
    CentralOffset = source.CentralOffset;
    CommentLength = source.CommentLength;
    // A copy never keeps a comment of its own past: it has the source's comment or none.
    comment_.reset();
    if (source.CommentLength != 0 && source.comment_) {
        comment_ = source.comment_;
        CommentLength = static_cast<uint16_t>(comment_->size());
    }
    CommentOffset = source.CommentOffset;
}

void TEndCentral::SetComment(const std::optional<std::string>& text) {
    if (text && text->size() > 0xFFFF) {
        throw EFormatLimit("The comment is longer than an archive can hold");
    }
    comment_ = text;
    CommentLength = static_cast<uint16_t>(text ? text->size() : 0);
}

void TEndCentral::SetFromImage(const TImage& image) {
    using namespace end_central;
    const uint8_t* p = image.data();
    ThisDisk = LoadU16(p + kThisDisk);
    CentralStartDisk = LoadU16(p + kCentralStartDisk);
    EntriesThisDisk = LoadU16(p + kEntriesThisDisk);
    TotalEntries = LoadU16(p + kTotalEntries);
    CentralSize = LoadU32(p + kCentralSize);
    CentralOffset = LoadU32(p + kCentralOffset);
    CommentLength = LoadU16(p + kCommentLength);
}

bool TEndCentral::FindEndCentral(TStream& stream) {
    try {
        const int64_t size = stream.Size();
        if (size == 0) {
            return true;
        }
        if (size < static_cast<int64_t>(kEndCentralSize)) {
            return false;
        }
        const int64_t window = std::min<int64_t>(kEndCentralSearchWindow, size);
        std::vector<uint8_t> buffer(static_cast<size_t>(window));
        stream.Seek(size - window, soBeginning);
        int64_t got = 0;
        while (got < window) {
            const int64_t n = stream.Read(buffer.data() + got, window - got);
            if (n <= 0) {
                return false;
            }
            got += n;
        }
        uint8_t signature[4];
        StoreU32(signature, kEndCentralSignature);
        for (int64_t at = window - static_cast<int64_t>(kEndCentralSize); at >= 0; --at) {
            const uint8_t* candidate = buffer.data() + at;
            if (candidate[0] == signature[0] && std::equal(signature, signature + 4, candidate)) {
                TImage image;
                std::copy_n(candidate, kEndCentralSize, image.begin());
                SetFromImage(image);
                CommentOffset = static_cast<uint32_t>(size - window + at + kEndCentralSize);
                return true;
            }
        }
        return false;
    } catch (const std::exception&) {
        // A stream that fails to seek or read has no end record to offer.
        return false;
    }
}

void TEndCentral::WriteEndCentral(TStream& stream) {
    using namespace end_central;
    // The length field must describe the bytes that follow: a comment that isn't loaded is
    // not written, and then the record says there is none.
    const bool writeComment = CommentLength != 0 && comment_.has_value();
    CommentLength = static_cast<uint16_t>(writeComment ? comment_->size() : 0);

    TImage image{};
    uint8_t* p = image.data();
    StoreU32(p + kSignature, Signature);
    StoreU16(p + kThisDisk, ThisDisk);
    StoreU16(p + kCentralStartDisk, CentralStartDisk);
    StoreU16(p + kEntriesThisDisk, EntriesThisDisk);
    StoreU16(p + kTotalEntries, TotalEntries);
    StoreU32(p + kCentralSize, CentralSize);
    StoreU32(p + kCentralOffset, CentralOffset);
    StoreU16(p + kCommentLength, CommentLength);
    stream.WriteBuffer(image.data(), std::ssize(image));
    if (writeComment) {
        stream.WriteBuffer(comment_->data(), std::ssize(*comment_));
    }
}

}  // namespace mobrel
