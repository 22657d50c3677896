#pragma once
// The reader component: opens an archive, reads (or rebuilds) its directory, shows the
// entries through indexed accessors, chooses entries and runs an extraction over them.
// The writer component derives from it and inherits everything here.
//
// Calling order: set ZipName; ReadZip; read Count and the accessors; set DestDir and the
// options; fill FilesList (or set DoAll, or set EntrySelected and call UnZipSelected);
// call UnZip. FilesList is empty after every run.
#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "codecs/aes_keys.h"
#include "format/aes_extra_field.h"
#include "format/zip64_end_records.h"
#include "format/zip_format.h"
#include "format/zip_sort_mode.h"
#include "platform/dos_date_time.h"
#include "platform/names_code_page.h"
#include "reader/free_space_estimate.h"
#include "reader/incomplete_zip_mode.h"
#include "reader/multi_mode.h"
#include "reader/skip_reason.h"
#include "reader/split_naming.h"
#include "reader/uz_overwrite_mode.h"

namespace mobrel {

class TAesCtrStream;
class TArchiveDecodeContext;
class TDataDecryptor;
class TDecodeContext;
class TDecodeJob;
class TEndCentral;
class TFileStream;
class TFolderStamps;
class TOutputGuard;
class TParallelDecoder;
class TLFNFileStream;
class TSortedZip;
class TStream;
class TZipCipher;
class TZipHeaderInfo;
class TUnZipper;

// The component's events. Sender is the component; a reference parameter is one the
// handler may change to steer the operation.
using TStartUnZipInfoEvent =
    std::function<void(TUnZipper& sender, int numFiles, int64_t totalBytes, bool& stopNow)>;
using TPercentDoneEvent = std::function<void(TUnZipper& sender, int percent)>;
using TStartUnZipEvent =
    std::function<void(TUnZipper& sender, int fileIndex, std::string& fName, bool& skip)>;
using TEndUnZipEvent =
    std::function<void(TUnZipper& sender, int fileIndex, const std::string& fName)>;
using TPromptForOverwriteEvent =
    std::function<void(TUnZipper& sender, bool& overWriteIt, int fileIndex, std::string& fName)>;
using TSkippingFileEvent = std::function<void(
    TUnZipper& sender, TSkipReason reason, const std::string& fName, int fileIndex, bool& retry)>;
using TBadPasswordEvent =
    std::function<void(TUnZipper& sender, int fileIndex, std::string& newPassword)>;
using TBadCRCEvent =
    std::function<void(TUnZipper& sender, uint32_t calcCRC, uint32_t storedCRC, int fileIndex)>;
using TInCompleteZipEvent =
    std::function<void(TUnZipper& sender, TIncompleteZipMode& incompleteMode)>;
using TGetNextDiskEvent = std::function<void(TUnZipper& sender, int nextDisk, std::string& fName)>;
using TUnZipCompleteEvent = std::function<void(TUnZipper& sender, int fileCount)>;
using TGetNextBufferEvent =
    std::function<void(TUnZipper& sender, void*& buffer, const std::string& fName, int amountUsed,
                       int bufferNum, bool& quit)>;

class TUnZipper {
  public:
    static constexpr int kThisVersion = 222;
    // The archive stream's buffer: small, since reading the directory seeks between headers.
    static constexpr int32_t kStreamBufferSize = 8192;
    // The output file's buffer of the extraction step: whatever pieces the decoders hand
    // over, the disk is written a quarter-megabyte at a time.
    static constexpr int32_t kOutputFileBufferSize = 262144;
    // The largest entry UnZipToBuffer takes: a few kilobytes of deflate can claim and
    // really produce gigabytes, which must not all land in one buffer.
    static constexpr uint32_t kMaxMemoryEntrySize = 256u << 20;
    // While scanning for local headers, the user interface gets a turn after this many
    // skipped bytes.
    static constexpr int kScanMessageInterval = 10240;
    static constexpr uint64_t kReadProgressInterval = 4096;
    // A self-extractor's program part is at least this long, so a scan of an ".exe"
    // starts here.
    static constexpr int64_t kExeScanStart = 14000;

    TUnZipper();
    virtual ~TUnZipper();
    TUnZipper(const TUnZipper&) = delete;
    TUnZipper& operator=(const TUnZipper&) = delete;

    // Copies the settings and the event handlers of source; ZipName and DestDir are taken
    // as stored (no dialogs, nothing read). The directory is not copied.
    void Assign(const TUnZipper& source);

    // --- Published properties ---
    int ThisVersion() const { return kThisVersion; }
    void SetThisVersion(int /*value*/) {}  // the version is the engine's, not a setting

    const std::string& ZipName() const { return zipName_; }
    // Forgets the directory and closes the file; nothing is read. A value ending in "?"
    // asks for the archive with a file dialog (EUserCanceled when cancelled).
    virtual void SetZipName(const std::string& value);

    const std::string& DestDir() const { return destDir_; }
    // "?" asks for the folder (EUserCanceled when cancelled). Stored without a trailing '/'.
    void SetDestDir(const std::string& value);

    const std::string& RootDir() const { return rootDir_; }
    // Stored with a trailing separator unless empty.
    void SetRootDir(const std::string& value);

    // The order of the visible directory; a new value takes effect at the next directory
    // read or Sort.
    TZipSortMode SortMode() const { return sortMode_; }
    void SetSortMode(TZipSortMode mode) { sortMode_ = mode; }

    bool RecreateDirs() const { return recreateDirs_; }
    void SetRecreateDirs(bool value) { recreateDirs_ = value; }
    TUZOverwriteMode OverwriteMode() const { return overwriteMode_; }
    void SetOverwriteMode(TUZOverwriteMode value) { overwriteMode_ = value; }

    // Wildcard patterns of the entries to extract; consumed by every operation.
    std::vector<std::string>& FilesList() { return filesList_; }
    const std::vector<std::string>& FilesList() const { return filesList_; }
    void SetFilesList(const std::vector<std::string>& lines) { filesList_ = lines; }

    bool DoAll() const { return doAll_; }
    void SetDoAll(bool value) { doAll_ = value; }
    TIncompleteZipMode IncompleteZipMode() const { return incompleteZipMode_; }
    void SetIncompleteZipMode(TIncompleteZipMode value) { incompleteZipMode_ = value; }
    bool KeepZipOpen() const { return keepZipOpen_; }
    void SetKeepZipOpen(bool value) { keepZipOpen_ = value; }
    bool DoProcessMessages() const { return doProcessMessages_; }
    void SetDoProcessMessages(bool value) { doProcessMessages_ = value; }
    bool RetainAttributes() const { return retainAttributes_; }
    void SetRetainAttributes(bool value) { retainAttributes_ = value; }
    bool ReplaceReadOnly() const { return replaceReadOnly_; }
    void SetReplaceReadOnly(bool value) { replaceReadOnly_ = value; }
    bool FlushFilesOnClose() const { return flushFilesOnClose_; }
    void SetFlushFilesOnClose(bool value) { flushFilesOnClose_ = value; }
    // How many threads read, compress and decode file data: 0 (the default) one per core,
    // 1 everything on the caller's thread. Events always fire on the caller's thread and
    // the results (files, dates, permissions, counts, skips, failures) are the same
    // whatever the count.
    //
    // Extracting to files and testing decode on workers when more than one thread is
    // allowed and the run has more than one entry: each entry is prepared on the caller's
    // thread (OnStartUnZip, the overwrite rules, folders, the password, links) and then
    // decoded while the next ones are prepared; the decoded entries are finished in entry
    // order (progress, OnEndUnZip, OnBadCRC, OnBadPassword after a bad CRC, the skip of an
    // entry failing its authentication). So the one difference in the order of events is
    // that the preparing events of later entries (OnStartUnZip, OnPromptForOverwrite,
    // OnSkippingFile for entries skipped before decoding, OnBadPassword of the password
    // check) may fire before the OnEndUnZip of earlier entries; how far ahead depends on the
    // archive and the number of threads, not on timing. UnZipToBuffer, the disks of
    // a multi-disk set and an archive split into byte pieces always decode on the caller's
    // thread.
    int Threads() const { return threads_; }
    void SetThreads(int value) { threads_ = value < 0 ? 0 : value; }
    // The code page of entry names without the UTF-8 flag from MS-DOS hosts, CP437 by
    // default. A new value takes effect when the directory is next read: the next ReadZip
    // reads it again even when the file is unchanged. Whatever the page, a rewrite stores
    // the names of the entries it keeps as the bytes they were read from.
    TNamesCodePage NamesCodePage() const { return namesCodePage_; }
    void SetNamesCodePage(TNamesCodePage value) { namesCodePage_ = value; }

    // --- Published events ---
    TStartUnZipInfoEvent OnStartUnZipInfo;
    TPercentDoneEvent OnFilePercentDone;
    TPercentDoneEvent OnTotalPercentDone;
    TStartUnZipEvent OnStartUnZip;
    TEndUnZipEvent OnEndUnZip;
    TPromptForOverwriteEvent OnPromptForOverwrite;
    TSkippingFileEvent OnSkippingFile;
    TBadPasswordEvent OnBadPassword;
    TBadCRCEvent OnBadCRC;
    TInCompleteZipEvent OnInCompleteZip;
    TGetNextDiskEvent OnGetNextDisk;  // a default handler is installed by the constructor
    TUnZipCompleteEvent OnUnZipComplete;
    TGetNextBufferEvent OnGetNextBuffer;  // published for callers; the engine never fires it

    // --- Reading ---
    // Opens the archive and reads its directory when it isn't read yet or the file has
    // changed; then closes the file unless KeepZipOpen. A file without an end record in
    // mode izAssumeMulti and without an OnInCompleteZip handler leaves no directory.
    void ReadZip();
    // Closes the file, forgets the directory and the end record, empties ZipName.
    void ClearZip();

    // --- Extraction ---
    // Extracts the entries chosen by DoAll / FilesList into DestDir; the number extracted.
    int UnZip();
    // As UnZip, choosing the entries whose Selected flag is set (and every one with DoAll).
    int UnZipSelected();
    // Extracts into memory. An empty buffer is sized by the extraction; the caller owns it.
    int UnZipToBuffer(std::vector<uint8_t>& buffer, int index);
    // Decodes without writing; index -1 means every chosen entry.
    bool TestEntries(int index);
    // TestEntries(index) with DoAll treated as false.
    bool TestEntry(int index);

    // --- The directory ---
    // Rebuilds the visible directory in mode and stores mode in SortMode.
    void Sort(TZipSortMode mode);
    // Entries in the directory (0 without one).
    int Count() const;
    // Every indexed accessor refers to the visible directory and raises EListError
    // "Index N is out of range" for an index outside 0..Count-1.
    std::string EntryFileName(int index) const;
    std::string EntryPath(int index) const;
    std::string EntryFullName(int index) const;
    // The entry's modification time: exact from its extra fields, else its DOS date-time as
    // local time; the current time when that is no calendar date.
    TDateTime EntryDateTime(int index) const;
    uint64_t EntryCompressedSize(int index) const;
    uint64_t EntryUncompressedSize(int index) const;
    // The whole record, for callers that show more than the accessors above.
    const TZipHeaderInfo& EntryInfo(int index) const;
    // Read from the archive on first use.
    std::string EntryComment(int index);
    // A changed text sets the end record's Modified flag; the writer saves it.
    void SetEntryComment(int index, const std::string& text);
    bool EntrySelected(int index) const;
    void SetEntrySelected(int index, bool selected);
    int SelectedCount() const { return selectedCount_; }
    // The archive comment, read from the archive on first use.
    std::string ZipComment();
    void SetZipComment(const std::string& text);
    // True when a comment was changed since the directory was read.
    bool CommentsModified() const;
    // The archive file's size in bytes; 0 when ZipName is empty.
    int64_t ZipSize();

    // --- Multi-disk state ---
    int DiskCount() const { return diskCount_; }
    void SetDiskCount(int value) { diskCount_ = value; }
    int CurrentDisk() const { return currentDisk_; }
    virtual TMultiMode MultiMode() const { return multiMode_; }
    virtual void SetMultiMode(TMultiMode value) { multiMode_ = value; }
    virtual bool CheckDiskLabels() const { return checkDiskLabels_; }
    virtual void SetCheckDiskLabels(bool value) { checkDiskLabels_ = value; }

    // A cancel request, honoured at the next scan step or input refill.
    bool CancelRequested() const { return cancelRequested_; }
    void SetCancelRequested(bool value) { cancelRequested_ = value; }
    // True while UnZip or UnZipToBuffer runs.
    bool Busy() const { return busy_; }
    // The password tried on encrypted entries.
    const std::string& Password() const { return password_; }
    void SetPassword(const std::string& value) { password_ = value; }
    // True while the directory in use came from local headers.
    bool DirectoryRebuilt() const { return rebuilt_; }
    // What the reason of the last OnSkippingFile leaves unsaid, for the user: with
    // skUnsafeLink the link and its target, or the link in an entry's way; with
    // skUnsupportedMethod and skDamagedData what is wrong; with skCreateError the system's
    // reason. Empty for the other reasons. Valid while the event runs and until the next
    // skip.
    const std::string& LastSkipDetail() const { return skipDetail_; }

  protected:
    // --- Opening and reading (un_zipper_read.cpp) ---
    // Opens the file when it isn't open; reads the directory when there is none or the
    // file's modification time differs from the one stored at the last read.
    void OpenAndRefresh();
    // Closes the archive file unless KeepZipOpen.
    void CloseZip();
    // Closes the archive file whatever KeepZipOpen says.
    void CloseZipFile();
    // The open archive stream (OpenAndRefresh first).
    TStream& ArchiveStream();
    // Opens disk n (1-based) of a multi-disk set through OnGetNextDisk, which is offered the
    // disk's file name; it becomes the archive stream, CurrentDisk and ZipName. A file of
    // the set that isn't there raises EFileError naming it.
    void OpenDisk(int n);
    // Builds the directory by scanning for local headers; false when none can be found or
    // the directory is already a rebuilt one.
    bool RebuildFromLocalHeaders();
    // The handler OnGetNextDisk starts with.
    void DefaultGetNextDisk(int nextDisk, std::string& fName);

    // --- The directory (un_zipper.cpp) ---
    TZipHeaderInfo& VisibleEntry(int index) const;
    void FreeDirectories();
    void CheckIndex(int index) const;

    // --- The extraction run (un_zipper_run.cpp) ---
    // Chooses the entries, fires OnStartUnZipInfo, runs ExtractEntry for each chosen one
    // and OnUnZipComplete at the end of every path; the number extracted.
    int RunExtraction();
    // The per-entry step (extract_entry.cpp): extracts visible entry fileIndex,
    // adds 1 to extractedCount_ for a file extracted, and sets retry when it must run again
    // (a new password was supplied).
    void ExtractEntry(int fileIndex, bool& retry);
    // The decoders' work areas, allocated once per run and released at its end.
    void AllocateWorkAreas();
    void ReleaseWorkAreas();

    // --- Parts of the per-entry step ---
    // The output folder of the working entry as a host path ending in '/', or empty for
    // the current folder (output_path.cpp).
    std::string BuildOutputDir() const;
    // Reads the working entry's local header (opening the entry's disk of a set first) and
    // leaves the archive stream after its name and extra field (entry_location.cpp).
    void ReadLocalHeader();
    // Puts the archive stream at the first byte the decoder takes.
    void SeekToEntryData(bool pastEncryptionHeader);
    // The password check of an encrypted entry; false when the entry is skipped
    // (password_check.cpp).
    bool CheckPassword(int fileIndex);
    // After a wrong password: OnBadPassword may offer another, which becomes the password
    // (true); without a new one the entry is skipped as skBadPassword (false).
    bool TakeAnotherPassword(int fileIndex);
    // --- AES entries (aes_entry.cpp) ---
    // Reads the AES field of a method-99 entry into aesField_ (cleared for other
    // methods); false, the entry skipped, when the field is missing or not understood.
    bool PrepareAesEntry(int fileIndex);
    // The method the entry's data was compressed with: the AES field's for an AES entry.
    uint16_t DataMethod() const;
    // Salt and verifier: the verifier decides the password, and a good one starts the
    // AES stream; false when the entry is skipped.
    bool CheckAesPassword(int fileIndex);
    // What decrypts the working entry's data (nullptr when it is not encrypted), and the
    // bytes in front of that data (encryption header, or salt and verifier).
    TDataDecryptor* EntryDecryptor();
    int64_t EncryptionHeaderSize() const;
    // After decoding: the rest of the encrypted data into the authentication, then the
    // code after it compared; true when they agree.
    bool AuthenticateEntry();
    // Whether a decoded CRC passes for the working entry (AE-2 entries store none).
    bool CrcAgrees(uint32_t crc) const;
    // An entry that failed its authentication: no output is kept, the skip reported.
    void RejectForgedEntry(int fileIndex, const std::string& fName);
    // The overwrite rules and the creation of the output file; false when the entry is
    // skipped (output_file.cpp). An overwrite prompt's handler may change fName.
    bool OpenOutputFile(int fileIndex, std::string& fName);
    // Creates the output file, replacing a link at the name and, when allowed, a
    // read-only file; false when it can't be made, with the system's errno of the last
    // refusal in systemError (0 when none is known).
    bool CreateOutputFile(const std::string& path, int& systemError);
    // Decoding ahead, an existing file at path that may be replaced is not touched before
    // the entry's turn: the entry is written under a temporary name beside it.
    bool WritesAside(const std::string& path) const;
    bool CreateAsideFile(const std::string& path, int& systemError);
    // Creates the file an entry is written to, never through a link at path (EFileError
    // when it can't be made). Its writes may run on a worker thread while others decode.
    virtual std::unique_ptr<TFileStream> CreateOutputFileStream(const std::string& path);
    // The overwrite rules for a name already taken by a file or a link; false (the entry
    // reported as skipped) when it stays. A prompt's handler may change path.
    bool MayReplace(int fileIndex, std::string& path);
    // Raises ECantWriteUCF ("not enough space") before the output file is made when the
    // working entry's declared size can't fit on its file system, counting the room of a
    // file it replaces. Decoding never writes more than the declared size, so only a full
    // disk met during the write remains, which fails the entry there.
    void CheckRoomFor(const std::string& path);
    // Free bytes on the file system of folder, -1 when unknown (no check then). The writer
    // takes it for the room of a spanned disk.
    virtual int64_t FreeSpaceOn(const std::string& folder);
    // Creates the folder of an output file below the destination, never through a link;
    // false (the entry reported as skipped) when a link is in the way.
    bool CreateOutputFolder(int fileIndex, const std::string& fName);
    // A folder entry: its folder, and its time and permissions for the end of the run.
    void ExtractFolder(int fileIndex, const std::string& outputDir);
    // A link entry written to a folder: its target decoded into memory and checked, then
    // the link itself (extract_link.cpp).
    void ExtractLink(int fileIndex, std::string& fName, bool& retry);
    // The date and, with RetainAttributes, the permissions of a file just written.
    void StampOutputFile(int descriptor);
    // Where the working entry's data starts in the archive (the local header read).
    int64_t EntryDataOffset(bool pastEncryptionHeader) const;
    // Runs the decoder of the working entry's method; false when the entry is not decoded
    // (its output ran past the declared size) (extract_entry.cpp).
    bool DecodeEntry();
    // Closes the output of the working entry and, for a decoded file, stamps its date and
    // attributes; a buffer the step sized is released when nothing was decoded.
    void FinishOutput(bool decoded, bool bufferSizedHere);
    // The CRC check and the events that report its outcome, for what decodeContext_ decoded
    // or for a CRC and length decoded elsewhere.
    void CheckEntryCrc(int fileIndex, const std::string& fName, bool& retry);
    void CheckEntryCrc(int fileIndex, const std::string& fName, uint32_t crc, int64_t delivered,
                       bool& retry);
    // Reports a skipped entry and takes its bytes off the run's total; detail becomes
    // LastSkipDetail while the event runs.
    void SkipEntry(TSkipReason reason, const std::string& fName, int fileIndex,
                   const std::string& detail = {});
    // Raises EUserCanceled when a cancel was requested, after letting the user interface
    // run when DoProcessMessages is on (entry_io.cpp).
    void CheckCancel();
    // The decoding context's two ends: count raw bytes of the entry from the archive (on
    // to the next disk of a set when one ends), and decoded bytes to the target
    // (entry_io.cpp).
    void ReadEntryData(uint8_t* buffer, size_t count);
    void WriteEntryOutput(const uint8_t* data, size_t count);
    void ReportEntryProgress(size_t count);
    friend class TArchiveDecodeContext;

    // --- Decoding on worker threads (un_zipper_parallel.cpp) ---
    // Whether this run may decode on workers (Threads, the target, the archive's kind).
    bool CanDecodeInParallel() const;
    // RunChosenEntries with the decoding handed to workers; every worker is joined before
    // it returns or throws.
    void RunChosenEntriesInParallel();
    // True when the working entry, its output open, goes to a worker rather than being
    // decoded here.
    bool HandsOffDecode() const;
    void HandOffDecode(int fileIndex, const std::string& fName, bool bufferSizedHere);
    // Finishes entries decoded ahead, in entry order: the oldest (waiting for it with the
    // cancel check), all of them; and all of them when one of them writes fName, the
    // working entry's output.
    void RetireOldestJob();
    void RetireAllJobs();
    // Honours a cancel asked for while the working entry was prepared: the entries before
    // it finish, then the run stops where one thread would read the entry's data.
    void StopAtEntryData();
    void RetireJobsWriting(const std::string& fName);
    // Ends a run that failed with error as one thread would have ended it, then raises it.
    [[noreturn]] void EndRunAfterFailure(std::exception_ptr error);
    // The step's end for an entry a worker decoded: progress, output, CRC and events.
    void FinishDecodeJob(TDecodeJob& job, bool& retry);
    // Raises a job's error on this thread; a write the disk cut short removes the entry's
    // file and raises the error that names it, as with one thread.
    [[noreturn]] void RethrowJobError(const TDecodeJob& job);
    void ReplayProgress(const TDecodeJob& job);
    // Puts the file an entry decoded ahead was written to in place of the one it replaces;
    // false (the entry skipped) when it can't be.
    bool PutAsideFileInPlace(const TDecodeJob& job);

    // --- State shared with the writer and the extraction step ---
    std::unique_ptr<TStream> zipStream_;      // the open archive file, or none
    std::unique_ptr<TSortedZip> physical_;    // every entry in archive order (owning)
    std::unique_ptr<TSortedZip> sortedView_;  // the visible order when not ByNone
    TSortedZip* visible_ = nullptr;           // physical_ or sortedView_
    std::unique_ptr<TEndCentral> endCentral_;
    // The archive file's modification time when its directory was read.
    std::optional<std::filesystem::file_time_type> zipFileTime_;
    // The names code page the directory in use was read with.
    TNamesCodePage directoryCodePage_ = TNamesCodePage::Cp437;
    int currentDisk_ = 0;
    int diskCount_ = 1;
    TMultiMode multiMode_ = mmNone;
    bool checkDiskLabels_ = true;
    bool rebuilt_ = false;    // the directory came from local headers
    bool repairing_ = false;  // set by the writer's repair: rebuild without asking
    bool cancelRequested_ = false;
    bool busy_ = false;
    int selectedCount_ = 0;
    int selectedAtStart_ = 0;    // SelectedCount when the current run began
    bool selectedMode_ = false;  // the run chooses by Selected flags

    // What the extraction step works with.
    std::unique_ptr<TZipHeaderInfo> spare_;          // working copy of the entry being extracted
    std::unique_ptr<TDecodeContext> decodeContext_;  // the work areas of one run
    bool testMode_ = false;                          // decode and check, write nothing
    bool memoryTarget_ = false;                      // decode into memoryBuffer_
    std::vector<uint8_t>* memoryBuffer_ = nullptr;   // the caller's buffer
    int64_t totalBytes_ = 0;                         // bytes to extract in this run
    int64_t bytesDone_ = 0;                          // bytes extracted so far in this run
    int extractedCount_ = 0;                         // files extracted so far in this run
    std::string messageText_;                        // text of the last message box
    std::string password_;
    std::array<uint8_t, kLocalHeaderSize> localHeaderImage_{};  // the last local header read
    std::unique_ptr<TZipCipher> cipher_;                        // keys of the entry being decrypted
    std::unique_ptr<TAesCtrStream> aes_;            // the AES stream of the entry being decrypted
    std::optional<TAesField> aesField_;             // the working entry's AES field, if AES
    std::optional<TAesKeys> aesKeys_;               // the keys its verifier accepted
    bool authenticated_ = true;                     // false once an AES entry failed its code
    std::exception_ptr handlerError_;               // a progress handler's, inside a decoder
    std::unique_ptr<TLFNFileStream> outputStream_;  // the output file while it is written
    bool outputIsNew_ = false;          // decoding ahead: no file or link had its name before
    std::string outputAside_;           // decoding ahead: the temporary name written, if any
    TFreeSpaceEstimate freeSpace_;      // of the run's folders
    uint32_t crcValue_ = 0;             // the last entry's finished CRC
    size_t memoryWritePosition_ = 0;    // next byte of *memoryBuffer_ to write
    int64_t memoryBytesRemaining_ = 0;  // bytes the memory target still takes
    std::unique_ptr<TOutputGuard> outputGuard_;    // the destination of the run
    std::unique_ptr<TFolderStamps> folderStamps_;  // folder times and modes for the run's end
    uint32_t umask_ = 022;                         // the process's umask when the run began
    std::string skipDetail_;                       // see LastSkipDetail
    std::unique_ptr<TParallelDecoder> parallel_;   // the entries decoding on workers, if any

  private:
    // --- Reading the directory (un_zipper_read.cpp) ---
    std::unique_ptr<TStream> OpenArchiveFile(const std::string& fileName) const;
    void ReadDirectory();
    void ReadDirectoryFrom(TStream*& source, bool fromZfc);
    std::unique_ptr<TStream> OpenZfcWithEndRecord();
    void HandleMissingEndRecord();
    void DecideMultiMode();
    // Takes ZipName as the name the set's files are derived from, and their naming from
    // the files beside it.
    void RememberSet();
    // The file of disk (1-based) of the set remembered.
    std::string SetDiskName(int disk) const;
    // Takes the values of the ZIP64 end record that a locator before the end record points
    // at, which may lie on another disk of a set (source then names that disk's stream).
    // End records that contradict each other leave the directory to be rebuilt.
    void ReadZip64EndRecord(TStream*& source, bool fromZfc);
    std::optional<TZip64End> FindZip64End(TStream*& source, const TZip64Locator& locator,
                                          bool fromZfc);
    void ReadCentralHeaders(TStream*& source);
    // Every kReadProgressInterval headers: the share read so far, and a chance for the
    // window to repaint and for Escape to stop a long read.
    void ReportReadingProgress(uint64_t read, uint64_t total);
    void MergeIntoRebuilt(const TZipHeaderInfo& central, std::set<const TZipHeaderInfo*>& merged);
    void LoadCommentAt(TZipHeaderInfo& entry, TStream& source);
    void LoadMultiDiskZipComment(TStream* zfc);
    bool ScanToLocalHeader(TStream& stream);
    void CreatePhysicalDirectory();
    TStream* NextDiskForCentral();
    [[noreturn]] void FailBadZip();
    std::optional<std::filesystem::file_time_type> FileTimeOf(const std::string& name) const;

    // --- Comments (un_zipper.cpp) ---
    std::string ReadEntryComment(TZipHeaderInfo& entry);

    // --- The run (un_zipper_run.cpp) ---
    int MarkChosenEntries();
    bool MatchesFilesList(const TZipHeaderInfo& entry) const;
    void RunChosenEntries();

    std::string zipName_;
    // The set the disks belong to: the file whose end record was read (ZipName moves on to
    // the disk that is open), empty without a set; and how its files are named.
    std::string setName_;
    TSplitNaming setNaming_ = snNumbered;
    std::string destDir_;
    std::string rootDir_;
    TZipSortMode sortMode_ = ByNone;
    bool recreateDirs_ = false;
    TUZOverwriteMode overwriteMode_ = TUZOverwriteMode::Prompt;
    std::vector<std::string> filesList_;
    bool doAll_ = false;
    TIncompleteZipMode incompleteZipMode_ = izAssumeMulti;
    bool keepZipOpen_ = false;
    bool doProcessMessages_ = true;
    int threads_ = 0;
    TNamesCodePage namesCodePage_ = TNamesCodePage::Cp437;
    bool retainAttributes_ = true;
    bool replaceReadOnly_ = false;
    bool flushFilesOnClose_ = false;
};

}  // namespace mobrel
