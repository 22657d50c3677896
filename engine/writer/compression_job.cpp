#include "writer/compression_job.h"

#include <cstring>

#include "codecs/compress_by_method.h"
#include "codecs/crc32.h"
#include "format/compression_method.h"
#include "platform/engine_errors.h"
#include "platform/file_status.h"

namespace mobrel {

namespace {

// Source files are read in large blocks, whatever the compressor asks for at a time.
constexpr size_t kBlockSize = 256 * 1024;

enum : uint8_t { kStartRecord = 'S', kReadRecord = 'R', kWriteRecord = 'W', kDoneRecord = 'D' };
constexpr size_t kHeadSize = 9;  // the kind, then a 64-bit count

}  // namespace

// The file as the job reads it: whole reads from a block buffer, so the compressor sees
// what a read of the file itself returns (all it asked for until the end). Each refill
// looks whether the caller still wants the job.
class TJobSource {
  public:
    TJobSource(std::unique_ptr<TStream> stream, const TJobLog& log)
        : stream_(std::move(stream)),
          log_(log),
          block_(std::make_unique_for_overwrite<uint8_t[]>(kBlockSize)) {}

    int64_t Size() { return stream_->Size(); }

    // The CRC the traditional cipher's header holds; the file is read again from its start.
    uint32_t CrcPass() {
        uint32_t crc = kCrcInitial;
        for (int64_t got; (got = Fill()) > 0;) {
            crc = UpdateCRCBuffer(crc, block_.get(), static_cast<size_t>(got));
        }
        stream_->SetPosition(0);
        taken_ = filled_ = 0;
        ended_ = false;
        return ~crc;
    }

    size_t Read(uint8_t* data, size_t count) {
        size_t done = 0;
        while (done < count) {
            if (taken_ == filled_ && (ended_ || Fill() == 0)) {
                break;
            }
            const size_t part = std::min(count - done, filled_ - taken_);
            std::memcpy(data + done, block_.get() + taken_, part);
            taken_ += part;
            done += part;
        }
        return done;
    }

  private:
    int64_t Fill() {
        if (log_.Stopped()) {
            throw TJobStopped();
        }
        const int64_t got = stream_->Read(block_.get(), static_cast<int64_t>(kBlockSize));
        taken_ = 0;
        filled_ = got > 0 ? static_cast<size_t>(got) : 0;
        ended_ = got <= 0;
        return got;
    }

    std::unique_ptr<TStream> stream_;
    const TJobLog& log_;
    std::unique_ptr<uint8_t[]> block_;
    size_t taken_ = 0;
    size_t filled_ = 0;
    bool ended_ = false;
};

TJobCoder CoderFor(const TCompressionJobInputs& inputs, int64_t size) {
    if (inputs.Store) {
        return TJobCoder::Store;
    }
    // An empty file goes to the deflater, which stores it, as the caller does.
    return HasLibraryEncoder(inputs.Method) && size > 0 ? TJobCoder::Library : TJobCoder::Deflate;
}

TCompressionJob::TCompressionJob(TCompressionJobInputs inputs, std::string spillFolder)
    : inputs_(std::move(inputs)), log_(std::move(spillFolder)) {}

// --- On a worker thread ---

bool TCompressionJob::Run(const TOpenRoutine& open, TDeflater& deflater) {
    try {
        if (!inputs_.FollowLinks) {
            const std::optional<TFileStatus> status = FileStatus(inputs_.Path, false);
            if (!status || status->IsSymbolicLink()) {
                log_.Close();
                return true;
            }
        }
        TJobSource source(open(inputs_.Path), log_);
        const int64_t size = source.Size();
        const uint32_t headerCrc = inputs_.CrcPass ? source.CrcPass() : 0;
        Record(kStartRecord, static_cast<uint64_t>(size), &headerCrc, sizeof headerCrc);
        const TCompressionJobResult result = Compress(source, size, deflater);
        Record(kDoneRecord, sizeof result, &result, sizeof result);
        log_.Close();
        return true;
    } catch (const TJobStopped&) {
        log_.Close();
    } catch (...) {
        log_.Fail(std::current_exception());
    }
    return false;
}

TCompressionJobResult TCompressionJob::Compress(TJobSource& source, int64_t size,
                                                TDeflater& deflater) {
    TCompressionJobResult result;
    const auto read = [&](uint8_t* buffer, size_t count) {
        const size_t got = source.Read(buffer, count);
        if (got > 0) {
            result.Crc = UpdateCRCBuffer(result.Crc, buffer, got);
            Record(kReadRecord, got);
        }
        return got;
    };
    const auto write = [&](const uint8_t* buffer, size_t count) {
        Record(kWriteRecord, count, buffer, count);
    };
    result.Crc = kCrcInitial;
    switch (CoderFor(inputs_, size)) {
        case TJobCoder::Store: {
            std::vector<uint8_t> buffer(inputs_.StoreChunk);
            for (size_t got; (got = read(buffer.data(), buffer.size())) > 0;) {
                write(buffer.data(), got);
            }
            result.CompressionMethod = cmStored;
            break;
        }
        case TJobCoder::Library: {
            const TEncodeResult encoded =
                CompressByMethod(inputs_.Method, inputs_.Level, size, read, write);
            result.CompressionMethod = inputs_.Method;
            result.GeneralPurposeFlags = encoded.GeneralPurposeFlags;
            result.CompressedSize = encoded.CompressedSize;
            break;
        }
        case TJobCoder::Deflate: {
            const TDeflateResult deflated = deflater.deflate(inputs_.Level, read, write);
            result.CompressionMethod = deflated.CompressionMethod;
            result.GeneralPurposeFlags = deflated.GeneralPurposeFlags;
            result.InternalAttributes = deflated.InternalAttributes;
            result.CompressedSize = deflated.CompressedSize;
            break;
        }
    }
    return result;
}

void TCompressionJob::Record(uint8_t kind, uint64_t count, const void* body, size_t bodySize) {
    uint8_t head[kHeadSize];
    head[0] = kind;
    std::memcpy(head + 1, &count, sizeof count);
    log_.Append(head, sizeof head, body, bodySize);
}

// --- On the caller's thread ---

bool TCompressionJob::Start(const TJobLog::TWaitRoutine& whileWaiting) {
    if (!log_.WaitForBytes(whileWaiting)) {
        return false;
    }
    uint64_t size = 0;
    if (ReadHead(size, whileWaiting) != kStartRecord) {
        throw EStreamError("The compression of \"" + inputs_.Path + "\" started out of order");
    }
    log_.Read(&headerCrc_, sizeof headerCrc_, whileWaiting);
    sourceSize_ = static_cast<int64_t>(size);
    return log_.WaitForBytes(whileWaiting);
}

TJobStep TCompressionJob::Next(std::vector<uint8_t>& data, uint64_t& count,
                               const TJobLog::TWaitRoutine& whileWaiting) {
    switch (ReadHead(count, whileWaiting)) {
        case kReadRecord:
            return TJobStep::Read;
        case kWriteRecord:
            data.resize(static_cast<size_t>(count));
            log_.Read(data.data(), data.size(), whileWaiting);
            return TJobStep::Write;
        case kDoneRecord:
            log_.Read(&result_, sizeof result_, whileWaiting);
            return TJobStep::Done;
        default:
            throw EStreamError("The compression of \"" + inputs_.Path + "\" recorded nonsense");
    }
}

uint8_t TCompressionJob::ReadHead(uint64_t& count, const TJobLog::TWaitRoutine& whileWaiting) {
    uint8_t head[kHeadSize];
    if (!log_.Read(head, sizeof head, whileWaiting)) {
        throw EStreamError("The compression of \"" + inputs_.Path + "\" ended without a result");
    }
    std::memcpy(&count, head + 1, sizeof count);
    return head[0];
}

}  // namespace mobrel
