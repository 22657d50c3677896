// The writer's side of compressing ahead: the files ZipRemainingFiles zips are read and
// compressed on worker threads while the caller's thread does everything else as it does
// alone. For each file the caller still stats and opens it, fires its events and writes
// its headers; for the data it replays the job's records, firing the same progress events
// for the same read sizes and writing the same bytes through WriteData, so encryption,
// full disks, cancel and multi-disk spools see what they see without workers.
#include <algorithm>
#include <filesystem>

#include "codecs/zip_cipher.h"
#include "format/compression_method.h"
#include "platform/file_status.h"
#include "platform/worker_pool.h"
#include "writer/compression_job.h"
#include "writer/files_list_names.h"
#include "writer/parallel_compressor.h"
#include "writer/zip_run_state.h"
#include "writer/zipper.h"

namespace mobrel {

std::unique_ptr<TParallelCompressor> TZipper::CompressAhead(const std::vector<std::string>& names) {
    if (Threads() == 1) {
        return nullptr;
    }
    TParallelCompressor::TRoutines routines;
    routines.Open = [this](const std::string& fileName) { return OpenSourceFile(fileName); };
    routines.InputsFor = [this](const std::string& name) -> std::optional<TCompressionJobInputs> {
        if (IsFolderEntryName(name)) {
            return std::nullopt;
        }
        std::string directory;
        std::string fileName;
        StoredNameOf(name, directory, fileName);
        return JobInputsFor(name, fileName);
    };
    routines.SizeOf = [this](const std::string& name) -> int64_t {
        const std::optional<TFileStatus> status = FileStatus(name, !storeSymlinks_);
        return status ? status->Size : 0;
    };
    return std::make_unique<TParallelCompressor>(names, WorkerThreadsFor(Threads()),
                                                 std::move(routines), SpillFolder());
}

TCompressionJobInputs TZipper::JobInputsFor(const std::string& path,
                                            const std::string& fileName) const {
    TCompressionJobInputs inputs;
    inputs.Path = path;
    inputs.Store = packLevel_ == 0 || MatchesNoCompressList(fileName);
    inputs.Level = packLevel_;
    inputs.Method = compressionMethod_;
    inputs.CrcPass = !Password().empty() && !EncryptsWithAes();
    inputs.FollowLinks = !storeSymlinks_;
    inputs.StoreChunk = StoreChunkSize();
    return inputs;
}

std::string TZipper::SpillFolder() const {
    // A spanned disk has no room to spare; a set's spool lives in the temporary folder too.
    if (run_->MultiDisk) {
        return TemporaryFolder();
    }
    const std::string folder = std::filesystem::path(run_->OutputName).parent_path().string();
    return folder.empty() ? "." : folder;
}

bool TZipper::WriteFileDataFromJob(TZipHeaderInfo& entry, const std::string& name) {
    if (!run_->Parallel) {
        return false;
    }
    const std::shared_ptr<TCompressionJob> job = run_->Parallel->TakeCurrent();
    if (!job) {
        return false;
    }
    // OnStartZip may have changed the settings or the entry's name since the job began; a
    // job that failed before recording anything is redone here, to fail as it fails here.
    const auto whileWaiting = [this] { CheckCancel(); };
    if (!(job->Inputs() == JobInputsFor(name, entry.FileName())) || !job->Start(whileWaiting) ||
        job->SourceSize() != static_cast<int64_t>(entry.UncompressedSize)) {
        job->Stop();
        return false;
    }
    WriteJobData(entry, name, *job);
    return true;
}

void TZipper::WriteJobData(TZipHeaderInfo& entry, const std::string& name, TCompressionJob& job) {
    TZipRunState& run = *run_;
    run.FileSize = static_cast<int64_t>(entry.UncompressedSize);
    run.FileBytesRead = 0;
    run.Encrypting = !Password().empty();
    run.EncryptingAes = EncryptsWithAes();
    const uint32_t headerCrc = job.HeaderCrc();
    if (run.EncryptingAes) {
        BeginAesData();
    } else if (run.Encrypting) {
        run.Cipher.WriteEncryptionHeader(Password(), headerCrc, FileDataOutput());
    }
    const auto whileWaiting = [this] { CheckCancel(); };
    std::vector<uint8_t> data;
    uint64_t count = 0;
    for (TJobStep step; (step = job.Next(data, count, whileWaiting)) != TJobStep::Done;) {
        if (step == TJobStep::Read) {
            CountRead(static_cast<int64_t>(count));
        } else {
            WriteData(data.data(), static_cast<size_t>(count));
        }
    }
    uint64_t compressedSize = ApplyJobResult(entry, job);
    run.Crc = job.Result().Crc;
    entry.CRC32 = ~run.Crc;
    FinishEncryption(entry, name, headerCrc, compressedSize);
    entry.UncompressedSize = static_cast<uint64_t>(run.FileBytesRead);
    entry.CompressedSize = compressedSize;
    FinishFileData(entry);
}

// The entry's method, flags and attributes as WriteFileData sets them for each coder; the
// compressed size.
uint64_t TZipper::ApplyJobResult(TZipHeaderInfo& entry, const TCompressionJob& job) {
    const TCompressionJobResult& result = job.Result();
    switch (CoderFor(job.Inputs(), job.SourceSize())) {
        case TJobCoder::Store:
            entry.CompressionMethod = cmStored;
            entry.InternalAttributes = 0;
            return static_cast<uint64_t>(run_->FileBytesRead);
        case TJobCoder::Library:
            entry.CompressionMethod = result.CompressionMethod;
            entry.GeneralFlags |= result.GeneralPurposeFlags;
            entry.InternalAttributes = 0;
            entry.VersionNeeded =
                std::max(entry.VersionNeeded, VersionNeededFor(result.CompressionMethod));
            return result.CompressedSize;
        case TJobCoder::Deflate:
            break;
    }
    entry.CompressionMethod = result.CompressionMethod;
    // The level's flag bits describe deflated data only; a stored result has none.
    const bool deflated = result.CompressionMethod == cmDeflated;
    if (deflated) {
        entry.GeneralFlags |= result.GeneralPurposeFlags;
    }
    entry.InternalAttributes = deflated ? result.InternalAttributes : 0;
    return result.CompressedSize;
}

}  // namespace mobrel
