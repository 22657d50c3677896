#pragma once
// Small archives whose entries expand to far more than they take: Python's zipfile deflates
// zeros about a thousand to one, and a hand-built header can declare any size at all.
#include <cstdint>
#include <filesystem>

namespace mobrel::test {

// a.txt ("first\n"), bomb.bin of mebibytes zeros, z.txt ("last\n"), written by zipfile.
void MakeZerosBomb(const std::filesystem::path& archive, int mebibytes);

// One deflated entry bomb.bin of a mebibyte of zeros whose ZIP64 fields declare
// declaredSize bytes: a header that claims more than any disk holds.
void MakeDeclaredBomb(const std::filesystem::path& archive, uint64_t declaredSize);

}  // namespace mobrel::test
