#pragma once

namespace mobrel {

// The orders the directory can be shown in. ByNone is archive order: by disk, then by the
// position of the local header. ByPermissions, ByMethod and ByEncryption order the texts
// that format/entry_details.h gives.
enum TZipSortMode : int {
    ByName = 0,
    ByFileName = 1,
    ByDirectoryName = 2,
    ByDate = 3,
    ByCompressedSize = 4,
    ByUnCompressedSize = 5,
    ByRate = 6,
    ByNone = 7,
    ByPermissions = 8,
    ByMethod = 9,
    ByEncryption = 10,
};

}  // namespace mobrel
