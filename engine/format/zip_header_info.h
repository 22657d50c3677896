#pragma once
// One archive entry: the fields of its central header, its name split into folder and file
// parts, its comment once loaded, and the flags of the current run. It reads and writes its
// own local and central headers.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "format/compression_method.h"
#include "format/zip64_field.h"
#include "format/zip_format.h"
#include "platform/code_page.h"
#include "platform/dos_date_time.h"
#include "platform/object.h"
#include "platform/stream.h"

namespace mobrel {

// Called when a central header runs past the end of a disk: returns the stream of the next
// disk (positioned where its bytes begin), or nothing to give up.
using TNextDiskFunc = std::function<TStream*()>;

class TZipHeaderInfo : public TObject {
  public:
    using TCentralImage = std::array<uint8_t, kCentralHeaderSize>;
    using TLocalImage = std::array<uint8_t, kLocalHeaderSize>;

    // TestState values.
    static constexpr uint8_t kNotTested = 0;
    static constexpr uint8_t kTestedOk = 1;
    static constexpr uint8_t kTestFailed = 2;  // or under way

    TZipHeaderInfo() = default;
    std::string ClassName() const override { return "TZipHeaderInfo"; }

    // The defaults of a new entry: version 2.0, deflated, no CRC yet, a text file with the
    // archive attribute.
    void Clear();
    // An exact copy of source, comment included when source has one loaded.
    void Assign(const TZipHeaderInfo& source);

    uint16_t VersionMadeBy = 20;  // low byte: format version x 10; high byte: host system
    uint16_t VersionNeeded = 20;
    uint16_t GeneralFlags = 0;
    uint16_t CompressionMethod = cmDeflated;
    uint32_t DosDateTime = 0;  // DOS time in the low half, DOS date in the high half
    uint32_t CRC32 = 0xFFFFFFFF;
    // Sizes, offset and disk hold the entry's true values, from the ZIP64 extra field when
    // the header's own fields are saturated; writing saturates the ones that don't fit.
    uint64_t CompressedSize = 0;  // includes the 12-byte encryption header
    uint64_t UncompressedSize = 0;
    uint16_t FileNameLength = 0;  // bytes of the name as stored in the archive
    uint16_t ExtraFieldLength = 0;
    uint16_t LocalExtraFieldLength = 0;
    uint16_t FileCommentLength = 0;  // also while the comment itself is not loaded
    uint32_t DiskNumberStart = 0;    // 0-based
    uint16_t InternalAttributes = 1;
    uint32_t ExternalAttributes = 32;  // the low byte holds the MS-DOS attribute bits
    uint64_t LocalHeaderOffset = 0;
    int64_t CentralHeaderOffset = 0;  // where the central header was read in its stream
    // The values the central header kept in its ZIP64 field when it was read (kZip64*
    // bits): they stay there on a rewrite even when they would fit, so an entry that is
    // kept keeps its header byte for byte.
    uint8_t CentralZip64 = 0;

    // The extra fields as stored, written back unchanged: the central header's (read with
    // the directory) and the local header's (read when the entry's data is, and for a new
    // entry what the writer puts there). ExtraFieldLength and LocalExtraFieldLength keep
    // the lengths the headers declared, which a cut or damaged archive may not hold.
    std::string CentralExtra;
    std::string LocalExtra;

    bool Marked = false;             // chosen for the current extraction run
    uint8_t TestState = kNotTested;  // kNotTested, kTestedOk or kTestFailed
    bool Selected = false;           // chosen by the application

    // The file part of the name: no separator. Empty for a directory entry.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& value);
    // The folder part: empty or ending with '\'. A value without the trailing '\' gets one.
    const std::string& Directory() const { return directory_; }
    void SetDirectory(const std::string& value);
    // Directory followed by FileName.
    std::string FullName() const { return directory_ + fileName_; }

    // The comment once loaded or set; FileCommentLength tells whether the archive has one.
    const std::optional<std::string>& FileComment() const { return fileComment_; }
    void SetFileComment(const std::optional<std::string>& text);

    // Fill the record from a header image and the name as held in memory ('\' separators).
    void SetFromCentral(const TCentralImage& image, std::string_view name);
    void SetFromLocal(const TLocalImage& image, std::string_view name);
    // The name as read from the archive's bytes: what the name is shown as from now on, while
    // a rewrite keeps storing the bytes it was read as until the name is changed.
    void SetNameAsRead(std::string_view name, const TStoredName& stored);
    // The bytes the name was read as (empty for a new entry).
    const TStoredName& NameAsRead() const { return readName_; }

    // Read a central header at the stream's position and leave the stream after it. On a
    // multi-disk archive nextDisk continues a header that the end of a disk cut; stream then
    // names the new disk's stream. Bad data gives false with the stream back where it was.
    // A name without the UTF-8 flag from an MS-DOS host is read in page; whatever the page,
    // the bytes as stored are what a rewrite keeps (NameAsRead).
    bool ReadCentral(TStream*& stream, const TNextDiskFunc& nextDisk = {},
                     TNamesCodePage page = TNamesCodePage::Cp437);
    bool ReadCentral(TStream& stream, TNamesCodePage page = TNamesCodePage::Cp437);
    // Read a local header; the stream is left after the name, before the local extra field.
    // Bad data gives false with the stream back where it was. A local header names no host:
    // any name without the UTF-8 flag is read in page.
    bool ReadLocal(TStream& stream, TNamesCodePage page = TNamesCodePage::Cp437);
    // After LocalExtra is read: takes the sizes a local header saturated from its ZIP64
    // field. False when the field is missing or too short for them.
    bool TakeLocalZip64();

    // Write a central header with the name, CentralExtra and, when loaded, the comment.
    void WriteCentral(TStream& stream);
    // Write a local header with the name and LocalExtra at the stream's position, which
    // becomes LocalHeaderOffset.
    void WriteLocal(TStream& stream);

    // The modification time: from the extended timestamp or NTFS field when the extra
    // fields carry one, else the DOS date-time as local time. Nothing when the DOS value is
    // no calendar date and no field says otherwise.
    std::optional<TDateTime> ModificationTime() const;
    // The modification time the extra fields tell exactly; nothing without one.
    std::optional<TDateTime> ExactModificationTime() const;
    // The Unix st_mode the external attributes carry, or 0: from a Unix host any non-zero
    // value, from another host only a value whose type is a file, folder or link.
    uint32_t UnixMode() const;
    bool IsSymbolicLink() const;

    bool IsEncrypted() const { return (GeneralFlags & kFlagEncrypted) != 0; }
    bool HasDataDescriptor() const { return (GeneralFlags & kFlagDataDescriptor) != 0; }
    bool HasComment() const { return FileCommentLength > 0; }
    uint32_t LocalSize() const;
    uint32_t CentralSize() const;
    // Whether the local header holds its sizes in a ZIP64 field, so that a data descriptor
    // after the data has 8-byte sizes too.
    bool HasLocalZip64() const;
    // Gives a new entry a local ZIP64 field for its sizes before its header is first
    // written, for data that may pass 4 GiB: the header then never has to grow.
    void ReserveLocalZip64();

  private:
    void SetName(std::string_view name);
    // A name in its archive form; raises EFormatLimit when it can't fit the length field.
    static TStoredName EncodeName(std::string_view directory, std::string_view fileName);
    // The stored form to write: the bytes the name was read as while it is unchanged (so
    // a kept entry keeps its name byte for byte), else the name encoded afresh.
    TStoredName StoredName() const;
    TStoredName StoredFormOf(std::string_view directory, std::string_view fileName) const;
    // Records the stored form about to be written in FileNameLength and flag bit 11.
    void ApplyStoredName(const TStoredName& stored);
    uint16_t VersionMadeByFor(const TStoredName& stored) const;
    // The ZIP64 values of the record, and which of them each header puts in its field.
    TZip64Values WideValues() const;
    uint8_t CentralZip64Mask() const;
    uint8_t LocalZip64Mask() const;
    // The extra areas as written: the stored ones with their ZIP64 field brought up to date.
    std::string CentralExtraToWrite() const;
    std::string LocalExtraToWrite() const;
    // Takes the values the central header saturated from its ZIP64 field.
    bool TakeCentralZip64();

    std::string fileName_;
    std::string directory_;
    std::optional<std::string> fileComment_;
    TStoredName readName_;    // the bytes the name was read as, with its flag
    std::string readAsText_;  // the name those bytes gave; empty for a new entry
};

}  // namespace mobrel
