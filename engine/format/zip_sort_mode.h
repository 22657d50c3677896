#pragma once

namespace mobrel {

// The orders the directory can be shown in. ByNone is archive order: by disk, then by the
// position of the local header.
enum TZipSortMode : int {
    ByName = 0,
    ByFileName = 1,
    ByDirectoryName = 2,
    ByDate = 3,
    ByCompressedSize = 4,
    ByUnCompressedSize = 5,
    ByRate = 6,
    ByNone = 7,
};

}  // namespace mobrel
