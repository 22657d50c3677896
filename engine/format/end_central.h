#pragma once
// The end of central directory record: where the directory is, how many entries it holds,
// which disk this is, and the archive comment once loaded. Its fields hold the 64-bit
// values of a ZIP64 archive; the ZIP64 records are written with it when they are needed.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "format/zip64_end_records.h"
#include "format/zip_format.h"
#include "platform/object.h"
#include "platform/stream.h"

namespace mobrel {

class TEndCentral : public TObject {
  public:
    using TImage = std::array<uint8_t, kEndCentralSize>;

    TEndCentral() = default;
    std::string ClassName() const override { return "TEndCentral"; }

    void Clear();
    // Copies every record field and the loaded comment; Modified stays as it is.
    void Assign(const TEndCentral& source);

    uint32_t Signature = kEndCentralSignature;
    uint32_t ThisDisk = 0;  // 0-based; not 0 exactly for a multi-disk archive
    uint32_t CentralStartDisk = 0;
    uint64_t EntriesThisDisk = 0;
    uint64_t TotalEntries = 0;
    uint64_t CentralSize = 0;
    uint64_t CentralOffset = 0;
    uint16_t CommentLength = 0;  // also while the comment itself is not loaded
    int64_t CommentOffset = 0;   // file position of the first comment byte
    bool Modified = false;       // a file or archive comment changed since reading

    // The archive comment once loaded or set: raw bytes, no code page.
    const std::optional<std::string>& Comment() const { return comment_; }
    void SetComment(const std::optional<std::string>& text);

    // Searches the last 64 KiB + 22 bytes of the stream for the end record, the one nearest
    // the end when there are several, and takes its fields (not its comment). An empty
    // stream is an empty archive: found, with the fields left as they were. Never throws.
    bool FindEndCentral(TStream& stream);
    // Takes the fields from an end record image (signature not checked).
    void SetFromImage(const TImage& image);
    // Where a ZIP64 locator would stand: right before the record.
    int64_t LocatorPosition() const {
        return CommentOffset - static_cast<int64_t>(kEndCentralSize + kZip64LocatorSize);
    }
    // Whether a classic field of the record says its value is in the ZIP64 end record.
    bool HasSaturatedField() const;
    // Takes the values of a ZIP64 end record. Each classic field must either be saturated
    // or hold the same value; otherwise the ZIP64 record belongs to something else (bytes
    // in a name that look like one, a record left from an older archive) and is ignored:
    // false, nothing changed. So is a record with a value no archive holds (an offset,
    // size or count past 2^62, a disk number past kLargestDisk).
    bool TakeZip64(const TZip64End& wide);

    // Whether a value passes what the classic record can hold (its largest value is the
    // saturation mark itself).
    bool NeedsZip64() const;
    // Writes the ZIP64 records when needed, the classic record (with the values that don't
    // fit saturated) and the loaded comment. The ZIP64 end record goes at the stream's
    // position, which is what its locator gives.
    void WriteEndCentral(TStream& stream);

    bool HasComment() const { return CommentLength > 0; }
    // The bytes WriteEndCentral writes.
    uint32_t RecordSize() const;

  private:
    std::optional<std::string> comment_;
};

}  // namespace mobrel
