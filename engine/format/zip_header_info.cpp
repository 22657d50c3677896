#include "format/zip_header_info.h"

#include <algorithm>
#include <utility>

#include "format/extra_field.h"
#include "format/modification_time_field.h"
#include "platform/engine_errors.h"
#include "platform/sanitize_dos_date_time.h"

namespace mobrel {

namespace {

constexpr size_t kMaxFieldLength = 0xFFFF;
constexpr uint16_t kVersionNeededForZip64 = 45;

uint32_t Narrowed(uint64_t value, bool saturate) {
    return saturate ? kSaturated32 : static_cast<uint32_t>(value);
}

bool Plausible(const TZip64Values& values) {
    return values.UncompressedSize <= kLargestWideValue &&
           values.CompressedSize <= kLargestWideValue &&
           values.LocalHeaderOffset <= kLargestWideValue && values.DiskNumberStart <= kLargestDisk;
}

// Reads until count bytes arrived or the stream has no more; returns how many arrived.
int64_t ReadFully(TStream& stream, uint8_t* data, int64_t count) {
    int64_t total = 0;
    while (total < count) {
        const int64_t got = stream.Read(data + total, count - total);
        if (got <= 0) {
            break;
        }
        total += got;
    }
    return total;
}

// Reads the parts of one central header, which the end of a disk may cut: when a disk ends
// early it moves on to the next disk's stream, as long as each new disk gives some bytes.
class TSpanningReader {
  public:
    TSpanningReader(TStream*& stream, const TNextDiskFunc& nextDisk)
        : stream_(stream), nextDisk_(nextDisk), start_(stream->Position()) {}

    // Reads count bytes; short only when the data (or the set of disks) ends.
    int64_t Read(uint8_t* data, int64_t count) {
        int64_t total = ReadFully(*stream_, data, count);
        while (total < count && NextDisk()) {
            const int64_t got = ReadFully(*stream_, data + total, count - total);
            if (got == 0) {
                break;
            }
            total += got;
        }
        return total;
    }

    // Reads without moving to another disk.
    int64_t ReadHere(uint8_t* data, int64_t count) { return ReadFully(*stream_, data, count); }

    bool NextDisk() {
        if (!nextDisk_) {
            return false;
        }
        TStream* next = nextDisk_();
        if (next == nullptr) {
            return false;
        }
        stream_ = next;
        // The header began on an earlier disk; going back can only mean this disk's start.
        start_ = stream_->Position();
        return true;
    }

    // Steps over count bytes, onto the next disk when this one ends first.
    void Skip(int64_t count) {
        if (nextDisk_) {
            const int64_t left = std::max<int64_t>(0, stream_->Size() - stream_->Position());
            if (count > left) {
                stream_->Seek(left, soCurrent);
                if (NextDisk()) {
                    Skip(count - left);
                    return;
                }
                count -= left;
            }
        }
        stream_->Seek(count, soCurrent);
    }

    bool Fail() {
        stream_->Seek(start_, soBeginning);
        return false;
    }

    int64_t Start() const { return start_; }

  private:
    TStream*& stream_;
    const TNextDiskFunc& nextDisk_;
    int64_t start_;
};

// Whether the bytes read so far can be the start of a central header.
bool StartsLikeCentralHeader(const uint8_t* image, int64_t got) {
    uint8_t signature[4];
    StoreU32(signature, kCentralHeaderSignature);
    return std::equal(image, image + std::min<int64_t>(got, 4), signature);
}

std::string WithBackslashes(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

// The separators are changed after decoding: in the multi-byte pages a '\\' byte may be the
// second half of a character, so a '/' made one would join a broken character before it.
std::string NameFromCentral(const std::string& stored, uint16_t versionMadeBy, uint16_t flags,
                            TNamesCodePage page) {
    // Only MS-DOS hosts wrote OEM names; other hosts' bytes are kept as they are.
    if ((flags & kUtf8NameFlag) == 0 && HostOf(versionMadeBy) == kHostMsDos) {
        return WithBackslashes(DecodeCodePage(stored, page));
    }
    return WithBackslashes(stored);
}

std::string NameFromLocal(const std::string& stored, uint16_t flags, TNamesCodePage page) {
    return WithBackslashes(DecodeEntryName(stored, (flags & kUtf8NameFlag) != 0, page));
}

}  // namespace

void TZipHeaderInfo::Clear() {
    *this = TZipHeaderInfo();
}

void TZipHeaderInfo::Assign(const TZipHeaderInfo& source) {
    if (&source == this) {
        return;
    }
    VersionMadeBy = source.VersionMadeBy;
    VersionNeeded = source.VersionNeeded;
    GeneralFlags = source.GeneralFlags;
    CompressionMethod = source.CompressionMethod;
    DosDateTime = source.DosDateTime;
    CRC32 = source.CRC32;
    CompressedSize = source.CompressedSize;
    UncompressedSize = source.UncompressedSize;
    ExtraFieldLength = source.ExtraFieldLength;
    LocalExtraFieldLength = source.LocalExtraFieldLength;
    FileCommentLength = source.FileCommentLength;
    DiskNumberStart = source.DiskNumberStart;
    InternalAttributes = source.InternalAttributes;
    ExternalAttributes = source.ExternalAttributes;
    LocalHeaderOffset = source.LocalHeaderOffset;
    CentralHeaderOffset = source.CentralHeaderOffset;
    CentralZip64 = source.CentralZip64;
    CentralExtra = source.CentralExtra;
    LocalExtra = source.LocalExtra;
    readName_ = source.readName_;
    readAsText_ = source.readAsText_;
    // The name is copied as it is, with the stored length that goes with it: a name read
    // from an archive keeps the length of its bytes there, which the comment loader steps
    // over, even where today's encoding of the same text would differ.
    fileName_ = source.fileName_;
    directory_ = source.directory_;
    FileNameLength = source.FileNameLength;
    // A copy never keeps a comment of its own past: it has the source's comment or none.
    fileComment_.reset();
    if (source.FileCommentLength != 0 && source.fileComment_) {
        fileComment_ = source.fileComment_;
    }
    Marked = source.Marked;
    TestState = source.TestState;
    Selected = source.Selected;
}

void TZipHeaderInfo::SetFileName(const std::string& value) {
    if (value != fileName_) {
        FileNameLength = static_cast<uint16_t>(StoredFormOf(directory_, value).Bytes.size());
        fileName_ = value;
    }
}

void TZipHeaderInfo::SetDirectory(const std::string& value) {
    std::string directory = value;
    if (!directory.empty() && directory.back() != '\\') {
        directory += '\\';
    }
    if (directory != directory_) {
        FileNameLength = static_cast<uint16_t>(StoredFormOf(directory, fileName_).Bytes.size());
        directory_ = std::move(directory);
    }
}

void TZipHeaderInfo::SetFileComment(const std::optional<std::string>& text) {
    if (text && text->size() > kMaxFieldLength) {
        throw EFormatLimit("The comment is longer than an archive can hold");
    }
    fileComment_ = text;
    FileCommentLength = static_cast<uint16_t>(text ? text->size() : 0);
}

void TZipHeaderInfo::SetName(std::string_view name) {
    // Linux names have no drive part, so only the backslash separates the folder.
    const size_t slash = name.find_last_of('\\');
    const size_t split = slash == std::string_view::npos ? 0 : slash + 1;
    directory_ = std::string(name.substr(0, split));
    fileName_ = std::string(name.substr(split));
}

void TZipHeaderInfo::SetNameAsRead(std::string_view name, const TStoredName& stored) {
    SetName(name);
    readName_ = stored;
    readAsText_ = std::string(name);
    FileNameLength = static_cast<uint16_t>(stored.Bytes.size());
}

void TZipHeaderInfo::SetFromCentral(const TCentralImage& image, std::string_view name) {
    using namespace central_header;
    const uint8_t* p = image.data();
    const uint16_t localExtraFieldLength = LocalExtraFieldLength;
    Clear();
    LocalExtraFieldLength = localExtraFieldLength;
    VersionMadeBy = LoadU16(p + kVersionMadeBy);
    VersionNeeded = LoadU16(p + kVersionNeeded);
    GeneralFlags = LoadU16(p + kGeneralFlags);
    CompressionMethod = LoadU16(p + kCompressionMethod);
    DosDateTime = SanitizeDosDateTime(LoadU32(p + kDosDateTime));
    CRC32 = LoadU32(p + kCrc32);
    CompressedSize = LoadU32(p + kCompressedSize);
    UncompressedSize = LoadU32(p + kUncompressedSize);
    FileNameLength = LoadU16(p + kFileNameLength);
    ExtraFieldLength = LoadU16(p + kExtraFieldLength);
    FileCommentLength = LoadU16(p + kFileCommentLength);
    DiskNumberStart = LoadU16(p + kDiskNumberStart);
    InternalAttributes = LoadU16(p + kInternalAttributes);
    ExternalAttributes = LoadU32(p + kExternalAttributes);
    LocalHeaderOffset = LoadU32(p + kLocalHeaderOffset);
    CentralHeaderOffset = 0;
    SetName(name);
}

void TZipHeaderInfo::SetFromLocal(const TLocalImage& image, std::string_view name) {
    using namespace local_header;
    const uint8_t* p = image.data();
    const uint16_t extraFieldLength = ExtraFieldLength;
    Clear();
    ExtraFieldLength = extraFieldLength;
    VersionMadeBy = 0;
    VersionNeeded = LoadU16(p + kVersionNeeded);
    GeneralFlags = LoadU16(p + kGeneralFlags);
    CompressionMethod = LoadU16(p + kCompressionMethod);
    DosDateTime = SanitizeDosDateTime(LoadU32(p + kDosDateTime));
    CRC32 = LoadU32(p + kCrc32);
    CompressedSize = LoadU32(p + kCompressedSize);
    UncompressedSize = LoadU32(p + kUncompressedSize);
    FileNameLength = LoadU16(p + kFileNameLength);
    LocalExtraFieldLength = LoadU16(p + local_header::kExtraFieldLength);
    FileCommentLength = 0;
    DiskNumberStart = 0;
    InternalAttributes = 0;
    ExternalAttributes = 0;
    LocalHeaderOffset = 0;
    CentralHeaderOffset = 0;
    SetName(name);
}

bool TZipHeaderInfo::ReadCentral(TStream& stream, TNamesCodePage page) {
    TStream* current = &stream;
    return ReadCentral(current, {}, page);
}

bool TZipHeaderInfo::ReadCentral(TStream*& stream, const TNextDiskFunc& nextDisk,
                                 TNamesCodePage page) {
    using namespace central_header;
    if (stream == nullptr) {
        return false;
    }
    TSpanningReader reader(stream, nextDisk);
    const int64_t position = reader.Start();
    TCentralImage image{};
    int64_t got = reader.ReadHere(image.data(), kCentralHeaderSize);
    // A header that the end of a disk cut continues on the next disk; only bytes that can
    // begin a central header (or none at all) are worth the change of disk.
    if (got < static_cast<int64_t>(kCentralHeaderSize) &&
        (got == 0 || StartsLikeCentralHeader(image.data(), got)) && reader.NextDisk()) {
        got += reader.Read(image.data() + got, kCentralHeaderSize - got);
    }
    if (got < static_cast<int64_t>(kCentralHeaderSize) ||
        LoadU32(image.data() + kSignature) != kCentralHeaderSignature) {
        return reader.Fail();
    }
    std::string stored(LoadU16(image.data() + kFileNameLength), '\0');
    if (reader.Read(reinterpret_cast<uint8_t*>(stored.data()), std::ssize(stored)) !=
        std::ssize(stored)) {
        return reader.Fail();
    }
    // Extra bytes a damaged header declares but the archive lacks are stepped over as
    // before: the directory reader then finds the next header where they should have been.
    std::string extra(LoadU16(image.data() + kExtraFieldLength), '\0');
    const int64_t extraRead =
        reader.Read(reinterpret_cast<uint8_t*>(extra.data()), std::ssize(extra));
    extra.resize(static_cast<size_t>(extraRead));
    reader.Skip(int64_t{LoadU16(image.data() + kExtraFieldLength)} - extraRead +
                LoadU16(image.data() + kFileCommentLength));
    const uint16_t flags = LoadU16(image.data() + kGeneralFlags);
    SetFromCentral(image, "");
    SetNameAsRead(NameFromCentral(stored, LoadU16(image.data() + kVersionMadeBy), flags, page),
                  {stored, (flags & kUtf8NameFlag) != 0});
    CentralExtra = std::move(extra);
    CentralHeaderOffset = position;
    if (!TakeCentralZip64()) {
        return reader.Fail();
    }
    return true;
}

bool TZipHeaderInfo::ReadLocal(TStream& stream, TNamesCodePage page) {
    using namespace local_header;
    const int64_t position = stream.Position();
    TLocalImage image{};
    if (ReadFully(stream, image.data(), kLocalHeaderSize) !=
            static_cast<int64_t>(kLocalHeaderSize) ||
        LoadU32(image.data() + kSignature) != kLocalHeaderSignature) {
        stream.Seek(position, soBeginning);
        return false;
    }
    std::string stored(LoadU16(image.data() + kFileNameLength), '\0');
    if (ReadFully(stream, reinterpret_cast<uint8_t*>(stored.data()), std::ssize(stored)) !=
        std::ssize(stored)) {
        stream.Seek(position, soBeginning);
        return false;
    }
    const uint16_t flags = LoadU16(image.data() + kGeneralFlags);
    SetFromLocal(image, "");
    SetNameAsRead(NameFromLocal(stored, flags, page), {stored, (flags & kUtf8NameFlag) != 0});
    LocalHeaderOffset = static_cast<uint64_t>(position);
    return true;
}

TZip64Values TZipHeaderInfo::WideValues() const {
    return {UncompressedSize, CompressedSize, LocalHeaderOffset, DiskNumberStart};
}

bool TZipHeaderInfo::TakeCentralZip64() {
    uint8_t mask = 0;
    mask |= UncompressedSize == kSaturated32 ? kZip64Uncompressed : 0;
    mask |= CompressedSize == kSaturated32 ? kZip64Compressed : 0;
    mask |= LocalHeaderOffset == kSaturated32 ? kZip64Offset : 0;
    mask |= DiskNumberStart == kSaturated16 ? kZip64Disk : 0;
    if (mask == 0) {
        return true;
    }
    TZip64Values values = WideValues();
    if (!ReadZip64Field(CentralExtra, mask, values) || !Plausible(values)) {
        return false;
    }
    UncompressedSize = values.UncompressedSize;
    CompressedSize = values.CompressedSize;
    LocalHeaderOffset = values.LocalHeaderOffset;
    DiskNumberStart = values.DiskNumberStart;
    CentralZip64 = mask;
    return true;
}

bool TZipHeaderInfo::TakeLocalZip64() {
    if (UncompressedSize != kSaturated32 && CompressedSize != kSaturated32) {
        return true;
    }
    // A local field holds both sizes; a writer that put only the saturated one is read too.
    TZip64Values values = WideValues();
    uint8_t mask = kZip64Sizes;
    if (!ReadZip64Field(LocalExtra, mask, values)) {
        mask = (UncompressedSize == kSaturated32 ? kZip64Uncompressed : 0) |
               (CompressedSize == kSaturated32 ? kZip64Compressed : 0);
        if (!ReadZip64Field(LocalExtra, mask, values)) {
            return false;
        }
    }
    if (!Plausible(values)) {
        return false;
    }
    UncompressedSize = values.UncompressedSize;
    CompressedSize = values.CompressedSize;
    return true;
}

uint8_t TZipHeaderInfo::CentralZip64Mask() const {
    uint8_t mask = CentralZip64;
    mask |= UncompressedSize >= kSaturated32 ? kZip64Uncompressed : 0;
    mask |= CompressedSize >= kSaturated32 ? kZip64Compressed : 0;
    mask |= LocalHeaderOffset >= kSaturated32 ? kZip64Offset : 0;
    mask |= DiskNumberStart >= kSaturated16 ? kZip64Disk : 0;
    return mask;
}

uint8_t TZipHeaderInfo::LocalZip64Mask() const {
    const bool needed = UncompressedSize >= kSaturated32 || CompressedSize >= kSaturated32;
    return needed || HasLocalZip64() ? kZip64Sizes : 0;
}

bool TZipHeaderInfo::HasLocalZip64() const {
    return FindExtraField(LocalExtra, kExtraZip64).has_value();
}

void TZipHeaderInfo::ReserveLocalZip64() {
    LocalExtra = WithZip64Field(LocalExtra, kZip64Sizes, WideValues());
}

std::string TZipHeaderInfo::CentralExtraToWrite() const {
    return WithZip64Field(CentralExtra, CentralZip64Mask(), WideValues());
}

std::string TZipHeaderInfo::LocalExtraToWrite() const {
    // Behind a data descriptor the sizes are the descriptor's to give: a local ZIP64 field
    // already there (zeros, as streaming writers leave it) stays as it was.
    if (HasDataDescriptor() && HasLocalZip64()) {
        return LocalExtra;
    }
    return WithZip64Field(LocalExtra, LocalZip64Mask(), WideValues());
}

TStoredName TZipHeaderInfo::EncodeName(std::string_view directory, std::string_view fileName) {
    std::string name = std::string(directory) + std::string(fileName);
    std::replace(name.begin(), name.end(), '\\', '/');
    TStoredName stored = EncodeEntryName(name);
    if (stored.Bytes.size() > kMaxFieldLength) {
        throw EFormatLimit("The entry name is longer than an archive can hold");
    }
    return stored;
}

TStoredName TZipHeaderInfo::StoredFormOf(std::string_view directory,
                                         std::string_view fileName) const {
    if (!readAsText_.empty() && readAsText_.size() == directory.size() + fileName.size() &&
        readAsText_.starts_with(directory) && readAsText_.ends_with(fileName)) {
        return readName_;
    }
    return EncodeName(directory, fileName);
}

TStoredName TZipHeaderInfo::StoredName() const {
    return StoredFormOf(directory_, fileName_);
}

void TZipHeaderInfo::ApplyStoredName(const TStoredName& stored) {
    FileNameLength = static_cast<uint16_t>(stored.Bytes.size());
    GeneralFlags = static_cast<uint16_t>(stored.Utf8 ? GeneralFlags | kUtf8NameFlag
                                                     : GeneralFlags & ~kUtf8NameFlag);
}

uint16_t TZipHeaderInfo::VersionMadeByFor(const TStoredName& stored) const {
    // Info-ZIP's unzip runs its OEM conversion over every MS-DOS-host name, flagged UTF-8
    // or not, and garbles such names. NTFS gives the attribute byte the same meaning and is
    // left unconverted, so UTF-8 names are declared as made there.
    if (stored.Utf8 && HostOf(VersionMadeBy) == kHostMsDos) {
        return static_cast<uint16_t>((VersionMadeBy & 0xFF) | kHostNtfs << 8);
    }
    return VersionMadeBy;
}

void TZipHeaderInfo::WriteCentral(TStream& stream) {
    using namespace central_header;
    const TStoredName stored = StoredName();
    ApplyStoredName(stored);
    // The length field must describe the bytes that follow: a comment that isn't loaded is
    // not written, and then the header says there is none.
    const bool writeComment = FileCommentLength != 0 && fileComment_.has_value();
    FileCommentLength = static_cast<uint16_t>(writeComment ? fileComment_->size() : 0);

    const uint8_t mask = CentralZip64Mask();
    CentralExtra = CentralExtraToWrite();
    if (mask != 0) {
        VersionNeeded = std::max(VersionNeeded, kVersionNeededForZip64);
    }

    TCentralImage image{};
    uint8_t* p = image.data();
    StoreU32(p + kSignature, kCentralHeaderSignature);
    StoreU16(p + kVersionMadeBy, VersionMadeByFor(stored));
    StoreU16(p + kVersionNeeded, VersionNeeded);
    StoreU16(p + kGeneralFlags, GeneralFlags);
    StoreU16(p + kCompressionMethod, CompressionMethod);
    StoreU32(p + kDosDateTime, DosDateTime);
    StoreU32(p + kCrc32, CRC32);
    StoreU32(p + kCompressedSize, Narrowed(CompressedSize, mask & kZip64Compressed));
    StoreU32(p + kUncompressedSize, Narrowed(UncompressedSize, mask & kZip64Uncompressed));
    StoreU16(p + kFileNameLength, FileNameLength);
    ExtraFieldLength = static_cast<uint16_t>(CentralExtra.size());
    StoreU16(p + kExtraFieldLength, ExtraFieldLength);
    StoreU16(p + kFileCommentLength, FileCommentLength);
    StoreU16(p + kDiskNumberStart,
             (mask & kZip64Disk) ? kSaturated16 : static_cast<uint16_t>(DiskNumberStart));
    StoreU16(p + kInternalAttributes, InternalAttributes);
    StoreU32(p + kExternalAttributes, ExternalAttributes);
    StoreU32(p + kLocalHeaderOffset, Narrowed(LocalHeaderOffset, mask & kZip64Offset));
    stream.WriteBuffer(image.data(), std::ssize(image));
    stream.WriteBuffer(stored.Bytes.data(), std::ssize(stored.Bytes));
    stream.WriteBuffer(CentralExtra.data(), std::ssize(CentralExtra));
    if (writeComment) {
        stream.WriteBuffer(fileComment_->data(), std::ssize(*fileComment_));
    }
}

void TZipHeaderInfo::WriteLocal(TStream& stream) {
    using namespace local_header;
    const TStoredName stored = StoredName();
    ApplyStoredName(stored);
    LocalHeaderOffset = static_cast<uint64_t>(stream.Position());
    const uint8_t mask = LocalZip64Mask();
    LocalExtra = LocalExtraToWrite();
    const uint16_t versionNeeded =
        mask != 0 ? std::max(VersionNeeded, kVersionNeededForZip64) : VersionNeeded;

    TLocalImage image{};
    uint8_t* p = image.data();
    StoreU32(p + kSignature, kLocalHeaderSignature);
    StoreU16(p + kVersionNeeded, versionNeeded);
    StoreU16(p + kGeneralFlags, GeneralFlags);
    StoreU16(p + kCompressionMethod, CompressionMethod);
    StoreU32(p + kDosDateTime, DosDateTime);
    StoreU32(p + kCrc32, CRC32);
    StoreU32(p + kCompressedSize, Narrowed(CompressedSize, mask != 0));
    StoreU32(p + kUncompressedSize, Narrowed(UncompressedSize, mask != 0));
    StoreU16(p + kFileNameLength, FileNameLength);
    LocalExtraFieldLength = static_cast<uint16_t>(LocalExtra.size());
    StoreU16(p + local_header::kExtraFieldLength, LocalExtraFieldLength);
    stream.WriteBuffer(image.data(), std::ssize(image));
    stream.WriteBuffer(stored.Bytes.data(), std::ssize(stored.Bytes));
    stream.WriteBuffer(LocalExtra.data(), std::ssize(LocalExtra));
}

uint32_t TZipHeaderInfo::LocalSize() const {
    return static_cast<uint32_t>(kLocalHeaderSize + StoredName().Bytes.size() +
                                 LocalExtraToWrite().size());
}

uint32_t TZipHeaderInfo::CentralSize() const {
    return static_cast<uint32_t>(kCentralHeaderSize + StoredName().Bytes.size() +
                                 CentralExtraToWrite().size()) +
           FileCommentLength;
}

std::optional<TDateTime> TZipHeaderInfo::ExactModificationTime() const {
    if (std::optional<TDateTime> exact = ExtraModificationTime(CentralExtra)) {
        return exact;
    }
    return ExtraModificationTime(LocalExtra);
}

std::optional<TDateTime> TZipHeaderInfo::ModificationTime() const {
    if (std::optional<TDateTime> exact = ExactModificationTime()) {
        return exact;
    }
    return DosDateTimeToDateTime(DosDateTime);
}

uint32_t TZipHeaderInfo::UnixMode() const {
    const uint32_t mode = ExternalAttributes >> 16;
    if (HostOf(VersionMadeBy) == kHostUnix) {
        return mode;
    }
    const uint32_t type = mode & kUnixTypeMask;
    const bool knownType =
        type == kUnixRegularFile || type == kUnixDirectory || type == kUnixSymbolicLink;
    return knownType ? mode : 0;
}

bool TZipHeaderInfo::IsSymbolicLink() const {
    return (UnixMode() & kUnixTypeMask) == kUnixSymbolicLink;
}

}  // namespace mobrel
