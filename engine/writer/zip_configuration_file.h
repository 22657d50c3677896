#pragma once
// The ".zfc" companion of a multi-disk set: a copy of its central directory and end record
// beside a disk, so the set can be listed when the disk with the end record is not at hand.
#include <string>

namespace mobrel {

class TEndCentral;
class TSortedZip;

// Writes every central header of directory and then end into fileName. Failures are shown
// in a message box and go no further: the set itself is complete without the copy.
void SaveZipConfigurationFile(const std::string& fileName, TSortedZip& directory, TEndCentral& end);

}  // namespace mobrel
