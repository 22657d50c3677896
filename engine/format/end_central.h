#pragma once
// The end of central directory record: where the directory is, how many entries it holds,
// which disk this is, and the archive comment once loaded.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

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
    uint16_t ThisDisk = 0;  // 0-based; not 0 exactly for a multi-disk archive
    uint16_t CentralStartDisk = 0;
    uint16_t EntriesThisDisk = 0;
    uint16_t TotalEntries = 0;
    uint32_t CentralSize = 0;
    uint32_t CentralOffset = 0;
    uint16_t CommentLength = 0;  // also while the comment itself is not loaded
    uint32_t CommentOffset = 0;  // file position of the first comment byte
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
    // Writes the record and the loaded comment.
    void WriteEndCentral(TStream& stream);

    bool HasComment() const { return CommentLength > 0; }
    uint32_t RecordSize() const { return static_cast<uint32_t>(kEndCentralSize) + CommentLength; }

  private:
    std::optional<std::string> comment_;
};

}  // namespace mobrel
