#pragma once

namespace mobrel {

// What a file without an end record is taken for when it is opened.
enum TIncompleteZipMode : int {
    izAssumeMulti = 0,    // one disk of a multi-disk set: EIncompleteZip
    izAssumeBad = 1,      // a damaged archive: rebuild the directory from local headers
    izAssumeNotAZip = 2,  // no archive at all: ENotAZipFile
};

}  // namespace mobrel
