#include "format/end_central.h"

#include <algorithm>
#include <vector>

#include "format/zip64_field.h"
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
                CommentOffset = size - window + at + static_cast<int64_t>(kEndCentralSize);
                return true;
            }
        }
        return false;
    } catch (const std::exception&) {
        // A stream that fails to seek or read has no end record to offer.
        return false;
    }
}

namespace {

// A classic field's value next to the ZIP64 record's: agreeing, or saturated to point there.
template <typename TClassic>
bool Agrees(uint64_t classic, uint64_t wide) {
    return classic == wide || classic == static_cast<TClassic>(~TClassic{0});
}

template <typename TClassic>
TClassic Narrowed(uint64_t value) {
    constexpr auto kMark = static_cast<TClassic>(~TClassic{0});
    return value >= kMark ? kMark : static_cast<TClassic>(value);
}

// Values a ZIP64 end record can hold only by damage or design: a directory past any file, a
// count no directory holds, disks no set numbers.
bool Plausible(const TZip64End& wide) {
    return wide.CentralOffset <= kLargestWideValue && wide.CentralSize <= kLargestWideValue &&
           wide.TotalEntries <= kLargestWideValue && wide.EntriesThisDisk <= kLargestWideValue &&
           wide.ThisDisk <= kLargestDisk && wide.CentralStartDisk <= kLargestDisk;
}

}  // namespace

bool TEndCentral::HasSaturatedField() const {
    return ThisDisk == kSaturated16 || CentralStartDisk == kSaturated16 ||
           EntriesThisDisk == kSaturated16 || TotalEntries == kSaturated16 ||
           CentralSize == kSaturated32 || CentralOffset == kSaturated32;
}

bool TEndCentral::TakeZip64(const TZip64End& wide) {
    const bool agrees = Agrees<uint16_t>(ThisDisk, wide.ThisDisk) &&
                        Agrees<uint16_t>(CentralStartDisk, wide.CentralStartDisk) &&
                        Agrees<uint16_t>(EntriesThisDisk, wide.EntriesThisDisk) &&
                        Agrees<uint16_t>(TotalEntries, wide.TotalEntries) &&
                        Agrees<uint32_t>(CentralSize, wide.CentralSize) &&
                        Agrees<uint32_t>(CentralOffset, wide.CentralOffset);
    if (!agrees || !Plausible(wide)) {
        return false;
    }
    ThisDisk = wide.ThisDisk;
    CentralStartDisk = wide.CentralStartDisk;
    EntriesThisDisk = wide.EntriesThisDisk;
    TotalEntries = wide.TotalEntries;
    CentralSize = wide.CentralSize;
    CentralOffset = wide.CentralOffset;
    return true;
}

bool TEndCentral::NeedsZip64() const {
    return ThisDisk >= kSaturated16 || CentralStartDisk >= kSaturated16 ||
           EntriesThisDisk >= kSaturated16 || TotalEntries >= kSaturated16 ||
           CentralSize >= kSaturated32 || CentralOffset >= kSaturated32;
}

uint32_t TEndCentral::RecordSize() const {
    const size_t zip64 = NeedsZip64() ? kZip64EndSize + kZip64LocatorSize : 0;
    return static_cast<uint32_t>(zip64 + kEndCentralSize) + CommentLength;
}

void TEndCentral::WriteEndCentral(TStream& stream) {
    using namespace end_central;
    if (NeedsZip64()) {
        TZip64Locator locator{ThisDisk, static_cast<uint64_t>(stream.Position()), ThisDisk + 1};
        TZip64End wide;
        wide.ThisDisk = ThisDisk;
        wide.CentralStartDisk = CentralStartDisk;
        wide.EntriesThisDisk = EntriesThisDisk;
        wide.TotalEntries = TotalEntries;
        wide.CentralSize = CentralSize;
        wide.CentralOffset = CentralOffset;
        wide.Write(stream);
        locator.Write(stream);
    }
    // The length field must describe the bytes that follow: a comment that isn't loaded is
    // not written, and then the record says there is none.
    const bool writeComment = CommentLength != 0 && comment_.has_value();
    CommentLength = static_cast<uint16_t>(writeComment ? comment_->size() : 0);

    TImage image{};
    uint8_t* p = image.data();
    StoreU32(p + kSignature, Signature);
    StoreU16(p + kThisDisk, Narrowed<uint16_t>(ThisDisk));
    StoreU16(p + kCentralStartDisk, Narrowed<uint16_t>(CentralStartDisk));
    StoreU16(p + kEntriesThisDisk, Narrowed<uint16_t>(EntriesThisDisk));
    StoreU16(p + kTotalEntries, Narrowed<uint16_t>(TotalEntries));
    StoreU32(p + kCentralSize, Narrowed<uint32_t>(CentralSize));
    StoreU32(p + kCentralOffset, Narrowed<uint32_t>(CentralOffset));
    StoreU16(p + kCommentLength, CommentLength);
    stream.WriteBuffer(image.data(), std::ssize(image));
    if (writeComment) {
        stream.WriteBuffer(comment_->data(), std::ssize(*comment_));
    }
}

}  // namespace mobrel
