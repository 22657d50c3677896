#pragma once
// Writing one archive over several volumes: numbered block files of a fixed size in one
// folder, or spanned disks that fill up to their free space. The writer keeps the run's
// output on the current volume and moves on to the next whenever a record does not fit.
//
// Every volume is written under a temporary name in its folder and gets its own name only
// once it is complete, so a failed run leaves the volumes finished before it and never a
// cut-off file under a name of the set (nor an old archive of that name overwritten).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "reader/multi_mode.h"
#include "reader/split_naming.h"
#include "writer/file_data_spool.h"

namespace mobrel {

class TEndCentral;
class TZipHeaderInfo;
struct TZipRunState;

struct TFileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ModifiedNanoseconds = 0;
    bool operator==(const TFileIdentity&) const = default;
};

struct TMultiDiskSettings {
    TMultiMode Mode = mmBlocks;        // mmBlocks or mmSpan
    std::string ArchiveName;           // the name the set is written for
    int64_t FirstLimit = 0;            // size limit of the first volume
    int64_t BlockSize = 0;             // size limit of every later block (mmBlocks)
    TSplitNaming Naming = snNumbered;  // how blocks are named (mmBlocks)
    std::string SpoolFolder;           // where entry data waits before it is copied out
    bool CommitVolumes = false;        // commit each volume to the disk when it is complete
};

class TMultiDiskWriter {
  public:
    static constexpr int64_t kCopyPieceSize = 16384;

    using TCreateFile = std::function<std::unique_ptr<TStream>(const std::string& fileName)>;
    using TFreeSpace = std::function<int64_t(const std::string& folder)>;
    // nextDisk is 1-based; an empty fileName afterwards means the user gave up.
    using TGetNextDisk = std::function<void(int nextDisk, std::string& fileName)>;
    using TPrepareNextDisk = std::function<void(int diskNum)>;
    using TCopyProgress = std::function<void(int64_t bytesCopied)>;

    // run's Output, OutputName and CurrentDisk are the writer's to change from here on.
    TMultiDiskWriter(TMultiDiskSettings settings, TZipRunState& run);
    TMultiDiskWriter(const TMultiDiskWriter&) = delete;
    TMultiDiskWriter& operator=(const TMultiDiskWriter&) = delete;

    TCreateFile CreateFile;
    TFreeSpace FreeSpace;
    TGetNextDisk GetNextDisk;
    TPrepareNextDisk PrepareNextDisk;

    // The name of "name.zip"'s block number (1-based): "name.001", "name.002", ...
    static std::string BlockFileName(const std::string& archiveName, int number);
    // Free space of folder as a volume's size limit (no limit when it is unknown).
    static int64_t SpaceLimit(int64_t freeSpace);

    // A new temporary file for the first volume, which the run opens as its output.
    std::string FirstVolumeFile();
    int64_t RoomLeft();

    // --- The records of the zip operation ---
    // A local header is never split: it starts a new disk unless data can follow it.
    void MakeRoomForLocalHeader(TZipHeaderInfo& entry);
    // Where an entry's data goes until CopyOutFileData.
    TStream& FileData() { return spool_.Output(); }
    // Copies the spooled data out across as many disks as it needs, then drops it.
    void CopyOutFileData(const TCopyProgress& progress);
    void MakeRoomForCentralHeader(const TZipHeaderInfo& entry, TEndCentral& end);
    // Also gives the end record the count of central headers on its own disk.
    void MakeRoomForEndRecord(TEndCentral& end);

    // Puts the last volume (already closed) under its name; returns the name the set is
    // known by, which holds the end record: the archive name, or for several numbered
    // blocks the last block.
    std::string PlaceLastVolume();

  private:
    // True when a new disk was started for bytes.
    bool MakeRoom(int64_t bytes);
    // The name block number (1-based) gets while it is not known to be the last.
    std::string BlockName(int number) const;
    // The end record's disk number and its count of central headers on that disk.
    void DescribeEndRecordDisk(TEndCentral& end) const;
    void StartNewDisk();
    void CloseVolume(const std::string& finalName);
    void PutVolumeInPlace(const std::string& finalName);
    void OpenVolume(const std::string& finalName);
    std::string AskForNextDisk();
    bool IsWrittenVolume(const std::string& fileName) const;
    void CopyPieces(TStream& source, int64_t count, const TCopyProgress& progress);

    TMultiDiskSettings settings_;
    TZipRunState& run_;
    std::string volumeName_;  // the name the current volume gets when it is complete
    int64_t sizeLimit_ = 0;
    int centralHeadersWritten_ = 0;
    int centralHeadersOnDisk_ = 0;
    std::vector<TFileIdentity> writtenVolumes_;
    TFileDataSpool spool_;
};

}  // namespace mobrel
