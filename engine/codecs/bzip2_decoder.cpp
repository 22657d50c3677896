#include "codecs/bzip2_decoder.h"

#include <bzlib.h>

#include <cstring>

namespace mobrel {

namespace {

class TBzip2Coder : public TStreamCoder {
  public:
    TBzip2Coder() {
        std::memset(&stream_, 0, sizeof(stream_));
        // small = 0: the faster decoder, at most about 3.7 MB for a 900 KB block.
        opened_ = BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK;
    }
    ~TBzip2Coder() override {
        if (opened_) {
            BZ2_bzDecompressEnd(&stream_);
        }
    }
    TBzip2Coder(const TBzip2Coder&) = delete;
    TBzip2Coder& operator=(const TBzip2Coder&) = delete;

    bool Opened() const { return opened_; }

    TStepStatus Step(TCoderBuffers& buffers, bool inputEnded) override {
        (void)inputEnded;
        stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(buffers.In));
        stream_.avail_in = static_cast<unsigned>(buffers.InLeft);
        stream_.next_out = reinterpret_cast<char*>(buffers.Out);
        stream_.avail_out = static_cast<unsigned>(buffers.OutLeft);
        const int status = BZ2_bzDecompress(&stream_);
        buffers.In += buffers.InLeft - stream_.avail_in;
        buffers.InLeft = stream_.avail_in;
        buffers.Out += buffers.OutLeft - stream_.avail_out;
        buffers.OutLeft = stream_.avail_out;
        if (status == BZ_STREAM_END) {
            return TStepStatus::StreamEnd;
        }
        if (status == BZ_MEM_ERROR) {
            return TStepStatus::MemoryLimit;
        }
        return status == BZ_OK ? TStepStatus::Running : TStepStatus::BadData;
    }

  private:
    bz_stream stream_;
    bool opened_ = false;
};

}  // namespace

TStreamResult DecodeBzip2(TDecodeContext& context) {
    TBzip2Coder coder;
    if (!coder.Opened()) {
        return srMemoryLimit;
    }
    return RunStreamDecoder(context, coder);
}

}  // namespace mobrel
