#pragma once
// How the files of a set split over several disks are named. Numbered blocks: every disk
// is the set's name with its number as the extension ("name.001", "name.002", ...). Zip
// naming, as other zip tools write split archives: the disks before the last are
// "name.z01", "name.z02", ... ("name.z100" past 99) and the last one, which holds the end
// record, is "name.zip".
#include <string>

namespace mobrel {

enum TSplitNaming : int {
    snNumbered = 0,  // name.001, name.002, ...
    snZip = 1,       // name.z01, name.z02, ..., name.zip
};

// Numbered block disk (1-based) of the set named after setName: "name.001".
std::string NumberedDiskName(const std::string& setName, int disk);
// A disk before the last of a zip-named set: "name.z01".
std::string ZipPieceName(const std::string& setName, int disk);
// The file of disk (1-based) of a set of diskCount disks. setName may be the name of any
// disk of the set: only its extension is replaced (for a zip-named set's last disk, a
// ".zNN" extension becomes ".zip" and any other stays as it is).
std::string SplitDiskName(const std::string& setName, TSplitNaming naming, int disk, int diskCount);
// The naming of the set of diskCount disks that diskName belongs to, from its extension
// and the files beside it: numbered for "name.001", zip for "name.z02"; for "name.zip", the
// naming under which more of the other disks are there, numbered (the engine's own) when
// neither has more. One missing disk thus still tells which name it is missing under.
TSplitNaming NamingOfSet(const std::string& diskName, int diskCount);

}  // namespace mobrel
