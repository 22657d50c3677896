#pragma once
// Choosing the decoder for an entry's compression method.
#include <cstdint>

namespace mobrel {

class TDecodeContext;

// Whether DecodeByMethod has a decoder for the method.
bool HasDecoder(uint16_t method);

// Runs the decoder of `method` over the entry the context was started on. Returns false,
// decoding nothing, when this engine has no decoder for the method.
bool DecodeByMethod(TDecodeContext& context, uint16_t method, uint16_t generalFlags,
                    int64_t compressedSize);

}  // namespace mobrel
