#pragma once
// One entry's decode as a worker runs it: everything the caller's thread settled before
// the hand-off (the entry, where its data starts, the decryptor state after the password
// check, the open output file) and everything the caller needs afterwards to finish the
// entry in order (decoded or not, CRC, length, the flushes for the progress events, an
// error to raise in its turn).
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codecs/aes_keys.h"
#include "codecs/zip_cipher.h"
#include "format/aes_extra_field.h"

namespace mobrel {

class TJobDecodeContext;
class TLFNFileStream;
class TZipHeaderInfo;

class TDecodeJob {
  public:
    struct TRequest {
        int FileIndex = 0;
        int64_t Order = 0;  // the run's count of entries prepared when this one was
        std::string FName;
        bool BufferSizedHere = false;
        // The working copy of the entry, its compressed size without the encryption header.
        std::unique_ptr<TZipHeaderInfo> Entry;
        std::optional<TAesField> AesField;
        uint16_t Method = 0;  // the method of the data, the AES field's for an AES entry
        int64_t DataOffset = 0;
        std::optional<TZipCipher> Cipher;        // keys as the encryption header left them
        std::optional<TAesKeys> AesKeys;         // keys the verifier accepted
        std::unique_ptr<TLFNFileStream> Output;  // nullptr in test mode
        bool NewFile = false;  // no file or link had the name before this run created it
        // The temporary file Output writes, which takes FName's place in the entry's turn;
        // empty when Output writes FName itself.
        std::string AsideName;
    };

    struct TResult {
        bool Decoded = false;  // false when more came out than the entry declares
        bool Authenticated = true;
        uint32_t Crc = 0;
        int64_t Delivered = 0;
        std::vector<uint32_t> Flushes;
        std::exception_ptr Error;  // what stopped the decode, raised in the entry's turn
    };

    explicit TDecodeJob(TRequest request);
    ~TDecodeJob();
    TDecodeJob(const TDecodeJob&) = delete;
    TDecodeJob& operator=(const TDecodeJob&) = delete;

    // On a worker: decodes into the output; never throws.
    void Run(TJobDecodeContext& context);

    TRequest& Request() { return request_; }
    const TRequest& Request() const { return request_; }
    const TResult& Result() const { return result_; }

  private:
    void Decode(TJobDecodeContext& context);

    TRequest request_;
    TResult result_;
};

}  // namespace mobrel
