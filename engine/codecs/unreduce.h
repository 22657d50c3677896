#pragma once
// The decoder of compression methods 2 to 5 (reducing with compression factor 1 to 4):
// follower sets, then literals and matches into a 16 KB window; the factor is the method
// minus one. Its window and follower sets live in the context's window buffer.
namespace mobrel {

class TDecodeContext;

void Unreduce(TDecodeContext& context, int factor);

}  // namespace mobrel
