#pragma once
// One file read, CRC'd and compressed on a worker thread ahead of the caller. The worker
// records what the caller's own reading would have done: every read's size (the caller
// fires the progress events for it) and every piece of compressed data (the caller writes
// it through its usual write routine), in order, then the result. The caller takes the
// records as they come, so a big file's progress shows while it is compressed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codecs/deflater.h"
#include "platform/stream.h"
#include "writer/job_log.h"

namespace mobrel {

// What the caller decided for the file when it handed it out; a job whose inputs no longer
// match when the caller reaches the file is dropped, and the file zipped the usual way.
struct TCompressionJobInputs {
    std::string Path;
    bool Store = false;       // written as it is: PackLevel 0 or the no-compression list
    int Level = 6;            // 1..9 when compressed
    uint16_t Method = 0;      // the writer's CompressionMethod
    bool CrcPass = false;     // the traditional cipher's header needs the CRC first
    bool FollowLinks = true;  // false: a link is stored as itself, which no job does
    size_t StoreChunk = 0;    // the size of the reads that store a file
    bool operator==(const TCompressionJobInputs&) const = default;
};

// How the file's data is made: by the size the job found, as the caller would decide it.
enum class TJobCoder { Store, Deflate, Library };
TJobCoder CoderFor(const TCompressionJobInputs& inputs, int64_t size);

// What the compressor reported; travels through the log as bytes.
struct TCompressionJobResult {
    uint16_t CompressionMethod = 0;
    uint16_t GeneralPurposeFlags = 0;
    uint16_t InternalAttributes = 0;
    uint64_t CompressedSize = 0;
    uint32_t Crc = 0;  // the CRC register over every byte read, before the final inversion
};

enum class TJobStep { Read, Write, Done };

class TJobSource;

class TCompressionJob {
  public:
    using TOpenRoutine = std::function<std::unique_ptr<TStream>(const std::string& fileName)>;

    // spillFolder takes what a job not read yet makes beyond the log's memory limit.
    TCompressionJob(TCompressionJobInputs inputs, std::string spillFolder);

    const TCompressionJobInputs& Inputs() const { return inputs_; }

    // --- On a worker thread ---
    // Does the whole job; any failure goes to the caller through the log. False when the
    // deflater was left in the middle of a file.
    bool Run(const TOpenRoutine& open, TDeflater& deflater);

    // --- On the caller's thread ---
    // Waits until the job has opened the file (and done the CRC pass) and recorded its
    // first step. False when it failed before that or leaves the file to the caller: the
    // caller then zips the file itself, and meets any failure as it always does.
    bool Start(const TJobLog::TWaitRoutine& whileWaiting);
    int64_t SourceSize() const { return sourceSize_; }
    uint32_t HeaderCrc() const { return headerCrc_; }
    // The next record: a read of count bytes, count bytes of data to write (in data), or
    // the end (Result is set). Rethrows the job's error where it happened.
    TJobStep Next(std::vector<uint8_t>& data, uint64_t& count,
                  const TJobLog::TWaitRoutine& whileWaiting);
    const TCompressionJobResult& Result() const { return result_; }
    // The caller no longer wants the job: its worker stops at the next block.
    void Stop() { log_.Stop(); }

  private:
    void Record(uint8_t kind, uint64_t count, const void* body = nullptr, size_t bodySize = 0);
    uint8_t ReadHead(uint64_t& count, const TJobLog::TWaitRoutine& whileWaiting);
    TCompressionJobResult Compress(TJobSource& source, int64_t size, TDeflater& deflater);

    const TCompressionJobInputs inputs_;
    TJobLog log_;
    // Caller's side, from the records.
    int64_t sourceSize_ = 0;
    uint32_t headerCrc_ = 0;
    TCompressionJobResult result_;
};

}  // namespace mobrel
