// Carrying the entries of an existing archive into the new one: which are deleted, which a
// file replaces and which stay; a kept entry is copied as raw bytes, never recompressed.
#include <algorithm>
#include <vector>

#include "format/central_extra_from_local.h"
#include "format/end_central.h"
#include "format/extra_field.h"
#include "format/modification_time_field.h"
#include "format/sorted_zip.h"
#include "format/zip_format.h"
#include "platform/engine_errors.h"
#include "platform/file_helpers.h"
#include "platform/file_status.h"
#include "platform/string_helpers.h"
#include "platform/wildcard_match.h"
#include "reader/byte_split_pieces.h"
#include "writer/files_list_names.h"
#include "writer/zip_run_state.h"
#include "writer/zipper.h"

namespace mobrel {

namespace {

constexpr uint32_t kDataDescriptorSignature = 0x08074B50;  // "PK\7\8"

void EraseAt(std::vector<std::string>& list, size_t index) {
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

void WriteDataDescriptor(TStream& output, const TZipHeaderInfo& entry) {
    // Sizes in 8 bytes when the local header keeps its sizes in a ZIP64 field.
    const bool wide = entry.HasLocalZip64() || entry.CompressedSize >= kSaturated32 ||
                      entry.UncompressedSize >= kSaturated32;
    uint8_t descriptor[kDataDescriptorSize + 8];
    StoreU32(descriptor, kDataDescriptorSignature);
    StoreU32(descriptor + 4, entry.CRC32);
    if (wide) {
        StoreU64(descriptor + 8, entry.CompressedSize);
        StoreU64(descriptor + 16, entry.UncompressedSize);
    } else {
        StoreU32(descriptor + 8, static_cast<uint32_t>(entry.CompressedSize));
        StoreU32(descriptor + 12, static_cast<uint32_t>(entry.UncompressedSize));
    }
    output.WriteBuffer(descriptor, static_cast<int64_t>(kDataDescriptorSize + (wide ? 8 : 0)));
}

}  // namespace

void TZipper::ProcessExistingEntries() {
    if (!physical_) {
        return;
    }
    // A repair reads a set's entries into one new archive of another name; any other
    // rewrite would put one whole archive in the place of a disk of the set.
    if (endCentral_->ThisDisk != 0 && !fixing_) {
        throw EGeneralError("The entries of a multi-disk archive can't be rewritten");
    }
    // Pieces cut from one archive are read as that archive, but a rewrite would leave the
    // whole new archive under the first piece's name with the old pieces beside it.
    if (!fixing_ && !ByteSplitPieces(ZipName(), kStreamBufferSize).empty()) {
        throw EGeneralError("An archive cut into pieces can't be rewritten; join them first");
    }
    // The names still to zip as they would be stored, so each entry is compared with them
    // without working the stored-name rule out again.
    std::vector<std::string> storedNames;
    if (!deleting_) {
        for (const std::string& name : FilesList()) {
            std::string directory;
            std::string fileName;
            StoredNameOf(name, directory, fileName);
            storedNames.push_back(directory + fileName);
        }
    }
    for (int i = 0; i < physical_->Count(); ++i) {
        TZipHeaderInfo& original = *physical_->Get(i);
        // Only a repair leaves out what failed its test; elsewhere a failed test (a wrong
        // password, say) is no reason to lose an entry the user did not ask to delete.
        if (fixing_ && original.TestState == TZipHeaderInfo::kTestFailed) {
            continue;
        }
        if (original.HasComment() && !original.FileComment()) {
            EntryComment(i);
        }
        auto entry = std::make_unique<TZipHeaderInfo>();
        entry->Assign(*physical_->Get(i));
        bool matched = false;
        if (deleting_) {
            if (DeleteEntry(*entry)) {
                continue;
            }
        } else if (!FilesList().empty()) {
            const int file = FindFileForEntry(*entry, storedNames);
            if (file >= 0) {
                matched = true;
                const std::string name = FilesList()[static_cast<size_t>(file)];
                EraseAt(FilesList(), static_cast<size_t>(file));
                EraseAt(storedNames, static_cast<size_t>(file));
                if (ReplaceOrKeep(i, name, entry)) {
                    continue;
                }
            }
        }
        if (matched && OnUpdate) {
            OnUpdate(*this, uaKeep, i);
        }
        if (CopyKeptEntry(*entry)) {
            AddToNewDirectory(std::move(entry));
        }
    }
}

int TZipper::FindFileForEntry(const TZipHeaderInfo& entry,
                              const std::vector<std::string>& storedNames) const {
    const std::string fullName = entry.FullName();
    for (size_t n = 0; n < storedNames.size(); ++n) {
        if (EqualsIgnoringAsciiCase(storedNames[n], fullName)) {
            return static_cast<int>(n);
        }
    }
    return -1;
}

bool TZipper::ReplaceOrKeep(int index, const std::string& name,
                            std::unique_ptr<TZipHeaderInfo>& entry) {
    if (zipAction_ != zaReplace && EntryIsCurrent(*entry, name)) {
        if (dispose_) {
            run_->DisposeList.push_back(name);
        }
        return false;
    }
    if (OnUpdate) {
        OnUpdate(*this, uaReplace, index);
    }
    auto replacement = std::make_unique<TZipHeaderInfo>();
    if (!ZipOne(name, *replacement)) {
        // The file was skipped or could not be read: the entry it was to replace stays.
        return false;
    }
    AddToNewDirectory(std::move(replacement));
    ++run_->Count;
    if (dispose_) {
        run_->DisposeList.push_back(name);
    }
    entry.reset();
    return true;
}

bool TZipper::EntryIsCurrent(const TZipHeaderInfo& entry, const std::string& name) const {
    const std::optional<TFileStatus> file = FileStatus(name, !storeSymlinks_);
    if (!file) {
        return false;  // the file's try to replace the entry fails, and the entry stays
    }
    // An entry that carries the instant is compared exactly; one with the DOS date-time
    // alone at its granularity (local time, seconds rounded down to even), so a file
    // written in the same two seconds counts as not newer.
    std::optional<TDateTime> exact = ExtraModificationTime(entry.CentralExtra);
    if (!exact) {
        exact = ExtraModificationTime(entry.LocalExtra);
    }
    if (exact) {
        return *exact >= file->Modified;
    }
    const TDateTime entryTime = DosDateTimeToDateTime(entry.DosDateTime).value_or(Now());
    const TDateTime fileTime =
        DosDateTimeToDateTime(DateTimeToDosDateTime(file->Modified)).value_or(Now());
    return entryTime >= fileTime;
}

bool TZipper::DeleteEntry(TZipHeaderInfo& entry) {
    bool chosen = entry.Selected;
    size_t file = 0;
    if (chosen) {
        entry.Selected = false;
    } else {
        for (; file < FilesList().size(); ++file) {
            if (MatchesForDeletion(FilesList()[file], entry)) {
                chosen = true;
                break;
            }
        }
    }
    if (!chosen) {
        return false;
    }
    bool skip = false;
    if (OnDeleteEntry) {
        OnDeleteEntry(*this, entry.FullName(), skip);
    }
    // A plain name stands for one entry and is used up by it; a pattern goes on matching,
    // and an entry the handler keeps does not use it up either.
    if (file < FilesList().size() && !HasWildcards(FilesList()[file])) {
        EraseAt(FilesList(), file);
    }
    if (skip) {
        return false;
    }
    ++run_->Count;
    return true;
}

bool TZipper::MatchesForDeletion(const std::string& name, const TZipHeaderInfo& entry) const {
    std::string wanted = name;
    SlashToBackslash(wanted);
    if (HasWildcards(wanted)) {
        const bool wholeName = wanted.find('\\') != std::string::npos;
        return WildcardMatch(wanted, wholeName ? entry.FullName() : entry.FileName());
    }
    return EqualsIgnoringAsciiCase(wanted, entry.FullName());
}

bool TZipper::LocateKeptData(TZipHeaderInfo& entry) {
    const bool onSet = endCentral_->ThisDisk != 0;
    if (onSet && static_cast<int>(entry.DiskNumberStart) != currentDisk_) {
        OpenDisk(static_cast<int>(entry.DiskNumberStart) + 1);
    }
    TStream& input = ArchiveStream();
    uint8_t fixed[kLocalHeaderSize];
    input.Seek(static_cast<int64_t>(entry.LocalHeaderOffset), soBeginning);
    bool found = input.Read(fixed, kLocalHeaderSize) == static_cast<int64_t>(kLocalHeaderSize) &&
                 LoadU32(fixed) == kLocalHeaderSignature;
    if (found) {
        const uint16_t nameLength = LoadU16(fixed + local_header::kFileNameLength);
        const uint16_t extraLength = LoadU16(fixed + local_header::kExtraFieldLength);
        const int64_t dataEnd = static_cast<int64_t>(entry.LocalHeaderOffset) + kLocalHeaderSize +
                                nameLength + extraLength +
                                static_cast<int64_t>(entry.CompressedSize);
        // The data of a set's entry may go on into the disks after this one.
        found = onSet || dataEnd <= input.Size();
        if (found) {
            // The local extra field goes into the new local header as it was.
            input.Seek(nameLength, soCurrent);
            entry.LocalExtra = ReadText(input, extraLength);
        }
    }
    if (!found && !fixing_) {
        throw EBadZipFile("The data of \"" + entry.FullName() + "\" is missing from the archive");
    }
    return found;
}

bool TZipper::CopyKeptEntry(TZipHeaderInfo& entry) {
    // Checked before anything is written, so a repair can leave the entry out instead.
    if (!LocateKeptData(entry)) {
        return false;
    }
    if (fixing_) {
        // A repair writes what readers accept: lengths that run past the area go. A
        // directory rebuilt from local headers has no central extra fields; the ones that
        // mean the same in both headers are carried over from the local header.
        entry.LocalExtra = WellFormedExtraPart(entry.LocalExtra);
        entry.CentralExtra = DirectoryRebuilt() && entry.CentralExtra.empty()
                                 ? CentralExtraFromLocal(entry.LocalExtra)
                                 : WellFormedExtraPart(entry.CentralExtra);
    }
    entry.DiskNumberStart = static_cast<uint32_t>(run_->CurrentDisk);
    TStream& output = *run_->Output;
    WriteLocalHeader(entry);
    if (entry.CompressedSize > 0 && endCentral_->ThisDisk != 0) {
        CopyDataAcrossDisks(output, static_cast<int64_t>(entry.CompressedSize));
    } else if (entry.CompressedSize > 0) {
        output.CopyFrom(ArchiveStream(), static_cast<int64_t>(entry.CompressedSize));
    }
    // The old descriptor is not copied, but the flag stays: readers that stream the archive
    // look for a descriptor after the data, so a fresh one goes there.
    if (entry.HasDataDescriptor()) {
        WriteDataDescriptor(output, entry);
    }
    return true;
}

void TZipper::CopyDataAcrossDisks(TStream& output, int64_t count) {
    constexpr int64_t kPieceSize = 16384;
    std::vector<uint8_t> piece(static_cast<size_t>(std::min(count, kPieceSize)));
    while (count > 0) {
        const int64_t size = std::min<int64_t>(count, std::ssize(piece));
        ReadEntryData(piece.data(), static_cast<size_t>(size));
        output.WriteBuffer(piece.data(), size);
        count -= size;
    }
}

}  // namespace mobrel
