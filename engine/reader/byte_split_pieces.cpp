#include "reader/byte_split_pieces.h"

#include "format/end_central.h"
#include "platform/file_helpers.h"
#include "platform/joined_file_stream.h"
#include "platform/lfn_file_stream.h"
#include "reader/split_naming.h"

namespace mobrel {

namespace {

std::vector<std::string> ConsecutivePieces(const std::string& firstPiece) {
    std::vector<std::string> pieces = {firstPiece};
    for (int n = 2;; ++n) {
        const std::string next = NumberedDiskName(firstPiece, n);
        if (!RegularFileExists(next)) {
            return pieces;
        }
        pieces.push_back(next);
    }
}

}  // namespace

std::vector<std::string> ByteSplitPieces(const std::string& firstPiece, int32_t bufferSize) {
    if (NumberedDiskName(firstPiece, 1) != firstPiece ||
        !RegularFileExists(NumberedDiskName(firstPiece, 2))) {
        return {};
    }
    TEndCentral end;
    {
        TLFNFileStream first(firstPiece, TFileMode::OpenRead, false, bufferSize);
        if (end.FindEndCentral(first)) {
            return {};
        }
    }
    std::vector<std::string> pieces = ConsecutivePieces(firstPiece);
    TJoinedFileStream joined(pieces, bufferSize);
    if (!end.FindEndCentral(joined) || end.ThisDisk != 0) {
        return {};
    }
    return pieces;
}

}  // namespace mobrel
