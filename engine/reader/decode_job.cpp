#include "reader/decode_job.h"

#include "codecs/aes_ctr_stream.h"
#include "codecs/decode_by_method.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/lfn_file_stream.h"
#include "reader/decode_error_texts.h"
#include "reader/job_decode_context.h"

namespace mobrel {

TDecodeJob::TDecodeJob(TRequest request) : request_(std::move(request)) {}

TDecodeJob::~TDecodeJob() = default;

void TDecodeJob::Run(TJobDecodeContext& context) {
    try {
        Decode(context);
        // The last bytes go to the file here rather than when the caller's thread closes
        // it, so that thread does no writing; a short write fails the entry as any other.
        if (request_.Output && !request_.Output->FlushBuffer()) {
            throw ECantWriteUCF(kCantWrite);
        }
    } catch (...) {
        result_.Error = std::current_exception();
    }
    result_.Crc = context.FinishedCrc();
    result_.Delivered = context.BytesDelivered();
}

void TDecodeJob::Decode(TJobDecodeContext& context) {
    const TZipHeaderInfo& entry = *request_.Entry;
    context.Bind(request_.DataOffset, request_.Output.get(), &result_.Flushes);
    context.BeginEntry(static_cast<int64_t>(entry.CompressedSize),
                       static_cast<int64_t>(entry.UncompressedSize));
    std::unique_ptr<TAesCtrStream> aes;
    if (request_.AesKeys) {
        aes = std::make_unique<TAesCtrStream>();
        aes->Start(*request_.AesKeys);
        context.SetCipher(aes.get());
    } else if (request_.Cipher) {
        context.SetCipher(&*request_.Cipher);
    } else {
        context.SetCipher(nullptr);
    }
    result_.Decoded = true;
    try {
        DecodeByMethod(context, request_.Method, entry.GeneralFlags,
                       static_cast<int64_t>(entry.CompressedSize));
    } catch (const EBiggerThanUncompressed&) {
        result_.Decoded = false;
    }
    if (aes) {
        // The code covers every encrypted byte, also those a damaged stream left unread.
        context.ReadRemainingInput();
        TAesCode stored{};
        context.ReadRaw(stored.data(), stored.size());
        result_.Authenticated = SameAesCode(stored, aes->FinishCode());
    }
}

}  // namespace mobrel
