#pragma once
// The decoder of the stored method (0): the entry's bytes go to the output unchanged,
// a piece of at most 32 KB at a time, decrypted on the way when the entry is encrypted.
namespace mobrel {

class TDecodeContext;

void CopyStored(TDecodeContext& context);

}  // namespace mobrel
