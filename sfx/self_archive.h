#pragma once
// The archive a self-extracting program carries behind its own code, opened through the
// reader, and the configuration block that sits between the code and the archive.
#include <cstdint>
#include <optional>
#include <string>

#include "format/sfx_settings.h"
#include "reader/un_zipper.h"

namespace mobrel::sfx {

class TSelfArchive : public TUnZipper {
  public:
    // Reads the directory of the archive in programPath; raises the reader's errors when the
    // file carries no archive.
    explicit TSelfArchive(const std::string& programPath);

    // Where the archive's first record begins: its first local header, or for an archive
    // without entries its central directory. Everything before it is code and block.
    int64_t ArchiveStart() const;
    // The settings of the block in front of the archive; nothing for a program made
    // without one.
    std::optional<TSFXSettings> ReadSettings() const;
};

}  // namespace mobrel::sfx
