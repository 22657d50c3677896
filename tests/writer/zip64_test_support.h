#pragma once
// Helpers for the tests that write past the classic format's limits: a source of gigabytes
// that takes no disk, what Python's zipfile finds in the records of an archive (an oracle
// independent of our reader), and the verdict of every peer.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "writer/zipper.h"

namespace mobrel::test {

inline constexpr uint64_t kFourGiB = uint64_t{1} << 32;

// Size bytes of a repeating run of 251 values: deflate shrinks it to almost nothing, yet it
// is not one byte over and over. Read-only and seekable.
class TGeneratedStream : public TStream {
  public:
    explicit TGeneratedStream(int64_t size) : size_(size) {}
    int64_t Read(void* data, int64_t count) override;
    int64_t Write(const void* data, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;
    int64_t Size() override { return size_; }

  private:
    int64_t size_;
    int64_t position_ = 0;
};

// A zipper that reads the placeholder files named in Generated as generated data of the
// size given there; every other file is read from disk.
class TGeneratingZipper : public TZipper {
  public:
    std::map<std::string, int64_t> Generated;

  protected:
    std::unique_ptr<TStream> OpenSourceFile(const std::string& fileName) override;
};

// One entry's records as Python's zipfile reads them, with the local extra field and the
// data descriptor read at the offsets it gives.
struct PeerRecord {
    std::string Name;
    uint64_t Size = 0;
    uint64_t CompressedSize = 0;
    uint64_t HeaderOffset = 0;
    std::string CentralExtra;
    std::string LocalExtra;
    std::string Descriptor;  // empty when the entry has none
};
std::vector<PeerRecord> PythonRecords(const std::filesystem::path& archive);

// Whether an extra-field area holds a ZIP64 field.
bool HasZip64Field(const std::string& area);
// Whether a ZIP64 end record and its locator stand before the end record.
bool HasZip64EndRecords(const std::filesystem::path& archive);

// unzip -t, 7zz t and Python's testzip all pass the archive (each reads every byte once,
// which counts for entries of gigabytes).
void ExpectEveryPeerPasses(const std::filesystem::path& archive);

// Names of the form prefix + five digits + "/", first to first + count - 1: folder entries
// the writer describes without any folder on disk.
std::vector<std::string> FolderEntryNames(const std::string& prefix, int first, int count);

}  // namespace mobrel::test
