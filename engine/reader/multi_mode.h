#pragma once

namespace mobrel {

// How an archive is split over several files.
enum TMultiMode : int {
    mmNone = 0,    // one file
    mmSpan = 1,    // removable disks, the same file name on each
    mmBlocks = 2,  // numbered block files in one folder (archive.001, archive.002, ...)
};

}  // namespace mobrel
