#include "codecs/xz_decoder.h"

#include <cstring>

#include "codecs/lzma_stream_coder.h"

namespace mobrel {

namespace {

constexpr uint8_t kXzMagic[6] = {0xFD, '7', 'z', 'X', 'Z', 0x00};

class TXzCoder : public TLzmaStreamCoder {
  public:
    lzma_ret Open() { return lzma_stream_decoder(&Stream(), kLzmaMemoryLimit, 0); }

    bool ContinuesWith(const uint8_t* data, size_t count) override {
        return count >= sizeof(kXzMagic) && std::memcmp(data, kXzMagic, sizeof(kXzMagic)) == 0 &&
               Open() == LZMA_OK;
    }
};

}  // namespace

TStreamResult DecodeXz(TDecodeContext& context) {
    TXzCoder coder;
    const lzma_ret status = coder.Open();
    if (status != LZMA_OK) {
        return LzmaSetupResult(status);
    }
    return RunStreamDecoder(context, coder);
}

}  // namespace mobrel
