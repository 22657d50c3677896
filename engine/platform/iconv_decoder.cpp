#include "platform/iconv_decoder.h"

#include <array>
#include <cerrno>

namespace mobrel {

namespace {

// U+FFFD rather than '?': entry names are matched against wildcard patterns, where a '?'
// that stands for a lost character would match any character of another entry's name.
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

}  // namespace

TIconvDecoder::TIconvDecoder(const char* charset) : handle_(iconv_open("UTF-8", charset)) {}

TIconvDecoder::~TIconvDecoder() {
    if (Available()) {
        iconv_close(handle_);
    }
}

std::string TIconvDecoder::DecodeWithoutConverter(std::string_view bytes) const {
    std::string result;
    for (const char byte : bytes) {
        if (static_cast<unsigned char>(byte) < 0x80) {
            result += byte;
        } else {
            result += kReplacement;
        }
    }
    return result;
}

std::string TIconvDecoder::Decode(std::string_view bytes) {
    if (!Available()) {
        return DecodeWithoutConverter(bytes);
    }
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // the initial shift state
    std::string result;
    result.reserve(bytes.size());
    // iconv takes a non-const input pointer but never writes through it.
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    std::array<char, 256> buffer;
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t converted = iconv(handle_, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        result.append(buffer.data(), static_cast<size_t>(out - buffer.data()));
        if (converted != static_cast<size_t>(-1) || error == E2BIG) {
            continue;
        }
        // EILSEQ (no character) or EINVAL (a sequence cut by the end): the first byte is
        // lost, and what follows it is read afresh.
        result += kReplacement;
        ++in;
        --inLeft;
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    return result;
}

}  // namespace mobrel
