#pragma once
// Text in another character set to UTF-8 through the C library's iconv. A byte the set
// gives no character for becomes U+FFFD and decoding goes on at the next byte, so whatever
// the input, the result is well-formed UTF-8 of about its length.
#include <iconv.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace mobrel {

// A handle is not safe to share between threads: each thread keeps its own.
class TIconvDecoder {
  public:
    // charset is an iconv name ("CP866", "CP932").
    explicit TIconvDecoder(const char* charset);
    ~TIconvDecoder();
    TIconvDecoder(const TIconvDecoder&) = delete;
    TIconvDecoder& operator=(const TIconvDecoder&) = delete;

    // False when the C library has no converter for the set (a system without its gconv
    // modules); Decode then keeps ASCII and gives U+FFFD for every other byte.
    bool Available() const { return handle_ != kNoHandle; }
    std::string Decode(std::string_view bytes);

  private:
    static inline const iconv_t kNoHandle = reinterpret_cast<iconv_t>(intptr_t{-1});

    std::string DecodeWithoutConverter(std::string_view bytes) const;

    iconv_t handle_;
};

}  // namespace mobrel
