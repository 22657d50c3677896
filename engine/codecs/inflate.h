#pragma once
// The decoder of compression method 8: a raw DEFLATE stream (RFC 1951) read through the
// decoding context's input, decoded into its window and handed to FlushOutput.
namespace mobrel {

class TDecodeContext;

// What one block (and so the whole stream) came to.
enum TInflateResult : int {
    irOk = 0,
    irBadData = 1,       // an invalid code or header, or data that ends too early
    irInvalidBlock = 2,  // block type 3, or a code with more lengths than room
    irOutOfMemory = 3,   // a decoding table could not be allocated
};

// Decodes the whole current entry. Bad data ends decoding silently: the bytes not yet
// handed over are dropped and the CRC check of the caller reports the entry; the result
// says why, for callers that want to know. EUserCanceled (a cancel seen at an input
// refill) passes on, and so does anything the final flush after the last block raises;
// every other exception inside a block (a premature end of the archive, an output larger
// than declared, a failed write) ends decoding as bad data.
TInflateResult Inflate(TDecodeContext& context);

// The decoder of compression method 9, Deflate64: the same decoder with a 64 KB window,
// length code 285 as 3 plus 16 extra bits and distance codes 30 and 31 (32,769 and
// 49,153 plus 14 extra bits). Grows the context's window to kDeflate64WindowSize once.
TInflateResult Inflate64(TDecodeContext& context);

}  // namespace mobrel
