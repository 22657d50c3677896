#pragma once
// The writer component: everything the reader does, plus writing. One operation behind
// Zip, DeleteEntries, SaveModifiedZipFile and FixZip writes a complete new archive: an
// existing archive is rewritten into a temporary file (kept entries copied raw, never
// recompressed) that replaces it only when it is complete, so a failure at any point leaves
// the old archive as it was. FilesList is empty after every operation.
//
// Calling order: set ZipName and the options; fill FilesList with file paths, folder
// entries ("dir/") and wildcard specifications ("dir/*.txt", "|" or ">" in front to switch
// recursion off or on for that line); call Zip. The result is the number of files zipped.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "format/compression_method.h"
#include "reader/un_zipper.h"
#include "writer/multi_zip_info.h"
#include "writer/zip_action.h"
#include "writer/zip_encryption.h"
#include "writer/zipper_events.h"

namespace mobrel {

struct TZipRunState;
struct TCompressionJobInputs;
class TCompressionJob;
class TParallelCompressor;

class TZipper : public TUnZipper {
  public:
    TZipper();
    ~TZipper() override;

    // With a TZipper source, copies the writer's settings and its event handlers as well
    // (OnPrepareNextDisk and OnRecursingFile stay); any other source, the reader's part.
    void Assign(const TUnZipper& source);

    // Saves comment changes still pending on the current archive before another one is
    // named. Host paths compare exactly, so only the very same name does nothing.
    void SetZipName(const std::string& value) override;

    // --- Published properties ---
    int PackLevel() const { return packLevel_; }  // 0 stores; 1..9 compress at that level
    void SetPackLevel(int value) { packLevel_ = value; }
    bool Recurse() const { return recurse_; }
    void SetRecurse(bool value) { recurse_ = value; }
    // Delete the source files that went into (or are already current in) the archive.
    bool Dispose() const { return dispose_; }
    void SetDispose(bool value) { dispose_ = value; }
    // False also switches RelativePaths and StoreVolumes off.
    bool StorePaths() const { return storePaths_; }
    void SetStorePaths(bool value);
    // True also switches StorePaths and Recurse on.
    bool RelativePaths() const { return relativePaths_; }
    void SetRelativePaths(bool value);
    // True also switches StorePaths on.
    bool StoreVolumes() const { return storeVolumes_; }
    void SetStoreVolumes(bool value);
    TZipAction ZipAction() const { return zipAction_; }
    void SetZipAction(TZipAction value) { zipAction_ = value; }
    const TMultiZipInfo& MultiZipInfo() const { return multiZipInfo_; }
    void SetMultiZipInfo(const TMultiZipInfo& value);
    // How a set of block files is named: snNumbered writes ZipName's name with ".001",
    // ".002", ...; snZip writes ".z01", ".z02", ... and the last block as ZipName itself.
    TSplitNaming SplitNaming() const { return multiZipInfo_.SplitNaming; }
    void SetSplitNaming(TSplitNaming value) { multiZipInfo_.SplitNaming = value; }
    bool Store83Names() const { return store83Names_; }
    void SetStore83Names(bool value) { store83Names_ = value; }
    // The folder for temporary files when it exists; else the system's temporary folder.
    const std::string& TempPath() const { return tempPath_; }
    void SetTempPath(const std::string& value) { tempPath_ = value; }
    bool SkipIfArchiveBitNotSet() const { return skipIfArchiveBitNotSet_; }
    void SetSkipIfArchiveBitNotSet(bool value) { skipIfArchiveBitNotSet_ = value; }
    bool ResetArchiveBitOnZip() const { return resetArchiveBitOnZip_; }
    void SetResetArchiveBitOnZip(bool value) { resetArchiveBitOnZip_ = value; }
    // Patterns of files never zipped; a pattern with a separator matches the whole path.
    const std::vector<std::string>& ExcludeList() const { return excludeList_; }
    void SetExcludeList(const std::vector<std::string>& value) { excludeList_ = value; }
    // Patterns of file names stored without compression.
    const std::vector<std::string>& NoCompressList() const { return noCompressList_; }
    void SetNoCompressList(const std::vector<std::string>& value) { noCompressList_ = value; }
    bool AddDirEntriesOnRecurse() const { return addDirEntriesOnRecurse_; }
    void SetAddDirEntriesOnRecurse(bool value) { addDirEntriesOnRecurse_ = value; }
    // Zip writes the archive from FilesList alone: an existing file of ZipName is replaced,
    // once the new archive is complete, instead of updated with its entries kept.
    bool ReplaceExisting() const { return replaceExisting_; }
    void SetReplaceExisting(bool value) { replaceExisting_ = value; }
    // A symbolic link is stored as itself (an entry of type S_IFLNK whose data is the target
    // text) and a linked folder is not searched; false follows links, and a link whose
    // target is missing is skipped with skDanglingLink.
    bool StoreSymlinks() const { return storeSymlinks_; }
    void SetStoreSymlinks(bool value) { storeSymlinks_ = value; }
    // The method of compressed files: cmDeflated (the default), cmBzip2, cmLzma, cmZstd or
    // cmXz. PackLevel 0 and NoCompressList still store.
    TCompressionMethod CompressionMethod() const { return compressionMethod_; }
    void SetCompressionMethod(TCompressionMethod value) { compressionMethod_ = value; }
    // The cipher of the files zipped while Password is set.
    TZipEncryption Encryption() const { return encryption_; }
    void SetEncryption(TZipEncryption value) { encryption_ = value; }

    // The reader's multi-disk settings live in MultiZipInfo.
    TMultiMode MultiMode() const override { return multiZipInfo_.MultiMode; }
    void SetMultiMode(TMultiMode value) override;
    bool CheckDiskLabels() const override { return multiZipInfo_.CheckDiskLabels; }
    void SetCheckDiskLabels(bool value) override;

    // --- Published events ---
    TStartZipInfo OnStartZipInfo;
    TStartZipEvent OnStartZip;
    TEndZipFileEvent OnEndZip;
    TDisposeEvent OnDisposeFile;
    TDeleteEvent OnDeleteEntry;
    TNoSuchFileEvent OnNoSuchFile;
    // A FilesList line that found no file on disk at all (a missing name, after
    // OnNoSuchFile, or a specification without any match); files found and then left out
    // by the pattern lists or ZipAction do not count.
    TNoFileMatchesEvent OnNoFileMatches;
    TZipComplete OnZipComplete;
    TUpdateEvent OnUpdate;
    TPrepareNextDisk OnPrepareNextDisk;
    TOnRecursingFile OnRecursingFile;

    // --- Operations ---
    // Zips FilesList into the archive; the number of files written (new or replacing).
    int Zip();
    // Deletes the selected entries or, without a selection, those FilesList names (a plain
    // name deletes one entry, a pattern every match); the number deleted.
    int DeleteEntries();
    // Writes changed file and archive comments into the archive, then reads it again.
    void SaveModifiedZipFile();
    // Copies every entry of a damaged archive that still tests sound into outputName; the
    // number copied. An empty inputName repairs the current archive (or asks for one), an
    // empty outputName asks for the new file's name.
    int FixZip(const std::string& inputName, const std::string& outputName);
    // Writes zipName as a self-extracting program: a copy of the stub, the configuration
    // block (none when blockCount <= 0), then an archive of FilesList as Zip writes it; an
    // existing ".zip" is only read and the program goes beside it as ".exe". The number of
    // files zipped; 0 and nothing done for an empty name (make_sfx.cpp).
    int MakeSFX(const std::string& stubName, const std::string& zipName, const uint8_t* configBlock,
                int blockCount);

  protected:
    // --- The one operation (zipper_operation.cpp) ---
    // Runs the whole sequence for the mode flags below; the count to return.
    int RunZipOperation();
    bool NothingToZip() const;

    // --- Places where self-extractor assembly and multi-disk writing join in ---
    // Whether this operation writes a new archive directly instead of rewriting one.
    virtual bool CreatesNewArchive();
    // Room reserved on the first disk before anything is written.
    virtual void StartMultiDisk();
    // The file the operation creates first (a new archive, or the set's first disk).
    std::string FirstOutputName();
    // Writes whatever precedes the first entry (the prefix source in self-extractor mode).
    virtual void WritePrefix(TStream& output);
    // Writes an entry's local header at the current output position (for a new file a
    // placeholder that FinishFileData completes).
    virtual void WriteLocalHeader(TZipHeaderInfo& entry);
    // Where an entry's encryption header and data go.
    virtual TStream& FileDataOutput();
    // After an entry's data: the local header gets its final sizes and CRC.
    virtual void FinishFileData(TZipHeaderInfo& entry);
    virtual void BeforeCentralHeader(const TZipHeaderInfo& entry);
    virtual void BeforeEndRecord();
    virtual void AfterEndRecord() {}
    // The finished output is closed: the set's last disk gets its name, and ZipName the one
    // the set is known by.
    virtual void PlaceMultiDiskSet();
    // After the hand-over of a successful operation.
    virtual void FinishMultiDisk();
    // Puts the finished temporary file in place of target; false leaves both files as
    // they are.
    virtual bool PutInPlace(const std::string& source, const std::string& target);

    // --- Files the operation opens (zipper_zip_one.cpp); tests put failing streams here ---
    virtual std::unique_ptr<TStream> CreateOutputFile(const std::string& fileName);
    // Also called on worker threads, several at a time, while Threads is not 1.
    virtual std::unique_ptr<TStream> OpenSourceFile(const std::string& fileName);

    // --- Choosing files (zipper_choose_files.cpp) ---
    void ExpandFilesList();
    // The folder and file parts an entry for path gets.
    void StoredNameOf(const std::string& path, std::string& directory, std::string& fileName) const;
    bool MatchesExcludeList(const std::string& path) const;
    bool MatchesNoCompressList(const std::string& fileName) const;

    // --- Existing entries (zipper_existing_entries.cpp) ---
    void ProcessExistingEntries();
    // False when a repair leaves the entry out because its data is not all there.
    bool CopyKeptEntry(TZipHeaderInfo& entry);

    // --- One file (zipper_zip_one.cpp) ---
    bool ZipOne(const std::string& name, TZipHeaderInfo& entry);
    // Adds a written record to both new lists and the new end record's counts.
    void AddToNewDirectory(std::unique_ptr<TZipHeaderInfo> entry);

    // --- Mode flags of one operation ---
    bool deleting_ = false;               // DeleteEntries
    bool fixing_ = false;                 // FixZip: entries whose data is missing are left out
    bool sfxMode_ = false;                // self-extractor assembly
    TStream* prefixSource_ = nullptr;     // copied in front of the first entry in sfxMode_
    std::string alternativeDestination_;  // where the finished file goes instead
    std::unique_ptr<TZipRunState> run_;   // only while an operation runs

  private:
    // zipper_operation.cpp
    void BeginOperation();
    void EndOperation();
    void OpenOutput(const std::string& fileName);
    void StartNewEndRecord();
    void ReportStartZipInfo();
    void ZipRemainingFiles();
    void WriteCentralDirectory();
    void WriteEndRecord();
    void HandOver();
    void InstallNewDirectory();
    void DiscardOutput();
    void DisposeFiles();
    std::string TemporaryFolder() const;
    // zipper_choose_files.cpp
    // Whether the line found a file (or was a specification, searched later); the files
    // kept go to expanded.
    bool ExpandName(const std::string& name, std::vector<std::string>& expanded,
                    std::vector<std::string>& specs);
    // Whether the search found anything at all, before the pattern lists and ZipAction.
    bool SearchSpecification(std::string spec, std::vector<std::string>& expanded);
    void ReportNoFileMatches(const std::string& spec);
    bool FreshenAllows(const std::string& path);
    void SkipDanglingLink(const std::string& path);
    void CheckCancel();
    // zipper_existing_entries.cpp
    // Positions the old archive at the entry's local extra field (on its own disk of a
    // set); false (or EBadZipFile outside a repair) when the local header or the data is
    // not where it should be.
    bool LocateKeptData(TZipHeaderInfo& entry);
    // Copies count bytes of entry data from a set, going on to the next disk where one ends.
    void CopyDataAcrossDisks(TStream& output, int64_t count);
    bool MatchesForDeletion(const std::string& name, const TZipHeaderInfo& entry) const;
    // True when the entry is deleted (and counted).
    bool DeleteEntry(TZipHeaderInfo& entry);
    // True when the file replaced the entry; false when the entry stays.
    bool ReplaceOrKeep(int index, const std::string& name, std::unique_ptr<TZipHeaderInfo>& entry);
    // Whether the entry is at least as new as the file that would replace it.
    bool EntryIsCurrent(const TZipHeaderInfo& entry, const std::string& name) const;
    int FindFileForEntry(const TZipHeaderInfo& entry,
                         const std::vector<std::string>& storedNames) const;
    // zipper_zip_one.cpp
    bool OpenSource(const std::string& name, const std::string& shown, bool link);
    void WriteFileData(TZipHeaderInfo& entry, const std::string& name);
    // zipper_compress.cpp: whether files are compressed with a library encoder rather than
    // deflated, and compressing one that way; returns the compressed size.
    bool UsesLibraryEncoder() const;
    uint64_t CompressWithLibrary(TZipHeaderInfo& entry);
    uint32_t CrcOfSource();
    size_t ReadSource(uint8_t* buffer, size_t count);
    // The progress of count bytes read from the file being zipped.
    void CountRead(int64_t count);
    // With a password, the end of the entry's encryption: the AES code, or the check that
    // the traditional header's CRC (headerCrc) is the data's.
    void FinishEncryption(TZipHeaderInfo& entry, const std::string& name, uint32_t headerCrc,
                          uint64_t& compressedSize);
    static size_t StoreChunkSize();
    void WriteData(const uint8_t* buffer, size_t count);
    // zipper_parallel.cpp
    // The compressor of the files ahead of the caller; none with Threads 1.
    std::unique_ptr<TParallelCompressor> CompressAhead(const std::vector<std::string>& names);
    TCompressionJobInputs JobInputsFor(const std::string& path, const std::string& fileName) const;
    // Where a job keeps what does not fit in memory.
    std::string SpillFolder() const;
    // Writes the entry's data from its job; false when there is no job fit for it.
    bool WriteFileDataFromJob(TZipHeaderInfo& entry, const std::string& name);
    void WriteJobData(TZipHeaderInfo& entry, const std::string& name, TCompressionJob& job);
    uint64_t ApplyJobResult(TZipHeaderInfo& entry, const TCompressionJob& job);
    // zipper_aes_data.cpp
    // Whether the files zipped now are AES-encrypted: a password and an AES encryption.
    bool EncryptsWithAes() const;
    // Before the local header is first written: the AES field in both extra areas (its
    // real method and version completed by FinishAesData, in place) and version 5.1.
    void ReserveAesField(TZipHeaderInfo& entry);
    // Salt and password verifier out, the entry's AES stream started.
    void BeginAesData();
    // The authentication code out; the entry becomes method 99 with its field completed,
    // and compressedSize grows by salt, verifier and code.
    void FinishAesData(TZipHeaderInfo& entry, uint64_t& compressedSize);
    // zipper_multi_disk.cpp
    void RefuseMultiDiskProgram() const;
    // Sizes of the headers the files in FilesList will get.
    void MeasureNewHeaders(int64_t& largestLocal, int64_t& largestCentral,
                           int64_t& centralTotal) const;
    int64_t NewEndRecordSize() const;
    // EGeneralError when a block could not hold the largest record of this run.
    void CheckBlockSizes() const;
    // The first spanned disk's free space less the room reserved on it.
    int64_t FirstDiskLimit();
    void CopyOutFileData(const TZipHeaderInfo& entry);
    void SaveZipConfiguration();
    // zipper_fix.cpp
    bool PrepareRepair(const std::string& inputName);
    void TestEveryEntry();
    // An entry whose test ended with an error, reported as damaged data.
    void ReportUndecodable(int index, const std::string& why);
    bool ChooseFixedName(const std::string& outputName);

    int packLevel_ = 6;
    bool recurse_ = false;
    bool dispose_ = false;
    bool storePaths_ = false;
    bool relativePaths_ = false;
    bool storeVolumes_ = false;
    TZipAction zipAction_ = zaUpdate;
    TMultiZipInfo multiZipInfo_;
    bool store83Names_ = false;
    std::string tempPath_;
    bool skipIfArchiveBitNotSet_ = false;
    bool resetArchiveBitOnZip_ = false;
    std::vector<std::string> excludeList_;
    std::vector<std::string> noCompressList_;
    bool addDirEntriesOnRecurse_ = false;
    bool replaceExisting_ = false;
    bool storeSymlinks_ = false;
    TCompressionMethod compressionMethod_ = cmDeflated;
    TZipEncryption encryption_ = TZipEncryption::Traditional;
};

}  // namespace mobrel
