#pragma once
// What the writer holds while one operation runs: the output, the new directory and end
// record, the totals behind the progress events and the per-file registers. It exists from
// the start of an operation to the end of its clean-up.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/aes_ctr_stream.h"
#include "codecs/crc32.h"
#include "codecs/deflater.h"
#include "codecs/zip_cipher.h"
#include "format/end_central.h"
#include "format/sorted_zip.h"
#include "format/zip_sort_mode.h"
#include "writer/archive_output_stream.h"
#include "writer/multi_disk_writer.h"
#include "writer/parallel_compressor.h"

namespace mobrel {

struct TZipRunState {
    // Settings of the reader that the operation changes for its duration.
    TZipSortMode SavedSortMode = ByNone;
    bool SavedKeepZipOpen = false;

    // The file written: the archive itself when it is created, else a temporary file.
    std::unique_ptr<TArchiveOutputStream> Output;
    std::string OutputName;
    bool Updating = false;  // an existing archive is rewritten into OutputName
    bool Succeeded = false;

    // The new directory in write order (owning) and by name (finds duplicate names).
    std::unique_ptr<TSortedZip> NewDirectory;
    std::unique_ptr<TSortedZip> NewByName;
    std::unique_ptr<TEndCentral> NewEnd;

    // The compressor's work areas, allocated once per operation.
    std::unique_ptr<TDeflater> Deflater;

    std::vector<std::string> DisposeList;
    int Count = 0;  // files zipped, or entries deleted
    int CurrentDisk = 0;
    // Splits the archive over disks or block files when multi-disk writing is on.
    std::unique_ptr<TMultiDiskWriter> MultiDisk;

    // Progress: bytes of the whole operation and of the current file.
    int64_t TotalBytes = 0;
    int64_t BytesDone = 0;
    int64_t FileSize = 0;
    int64_t FileBytesRead = 0;
    uint32_t LocalHeaderSize = 0;  // of the entry being written, as first written
    int64_t BytesOnDisk = 0;

    // The file being zipped, its CRC register and, with a password, its cipher.
    std::unique_ptr<TStream> Source;
    uint32_t Crc = kCrcInitial;
    bool Encrypting = false;
    TZipCipher Cipher;
    // With an AES encryption chosen, the stream of the entry being written instead.
    std::unique_ptr<TAesCtrStream> Aes;
    bool EncryptingAes = false;
    std::vector<uint8_t> Scratch;  // encrypted copy of a buffer on its way out

    // Compresses the new files ahead of the caller while ZipRemainingFiles runs (Threads
    // other than 1).
    std::unique_ptr<TParallelCompressor> Parallel;
};

}  // namespace mobrel
