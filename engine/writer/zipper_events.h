#pragma once
// The writer component's events. Sender is the component; a reference parameter is one the
// handler may change to steer the operation.
#include <cstdint>
#include <functional>
#include <string>

#include "writer/zip_action.h"

namespace mobrel {

class TEndCentral;
class TZipHeaderInfo;
class TZipper;

using TStartZipInfo = std::function<void(TZipper& sender, int numFiles, int64_t totalBytes,
                                         TEndCentral& endCentralRecord, bool& stopNow)>;
using TStartZipEvent = std::function<void(TZipper& sender, const std::string& fName,
                                          TZipHeaderInfo& zipHeader, bool& skip)>;
using TEndZipFileEvent =
    std::function<void(TZipper& sender, const std::string& fName, int64_t uncompressedSize,
                       int64_t compressedSize, int64_t currentZipSize)>;
using TDisposeEvent = std::function<void(TZipper& sender, const std::string& fName, bool& skip)>;
using TDeleteEvent = std::function<void(TZipper& sender, const std::string& fName, bool& skip)>;
using TNoSuchFileEvent = std::function<void(TZipper& sender, const std::string& fName)>;
// spec is the FilesList line, name or wildcard specification, as it was given.
using TNoFileMatchesEvent = std::function<void(TZipper& sender, const std::string& spec)>;
using TZipComplete = std::function<void(TZipper& sender, int fileCount)>;
using TUpdateEvent = std::function<void(TZipper& sender, TUpdateAction udAction, int fileIndex)>;
using TPrepareNextDisk = std::function<void(TZipper& sender, int diskNum)>;
using TOnRecursingFile = std::function<void(TZipper& sender, const std::string& fName)>;

}  // namespace mobrel
