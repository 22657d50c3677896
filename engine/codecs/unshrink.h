#pragma once
// The decoder of compression method 1 (shrinking): a dynamic LZW code of 9 to 13 bits
// whose table is partly cleared on request. Its tables live in the context's window
// buffer. Bad data ends decoding silently; the CRC check reports the entry.
namespace mobrel {

class TDecodeContext;

void Unshrink(TDecodeContext& context);

}  // namespace mobrel
