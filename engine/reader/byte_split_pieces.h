#pragma once
// An archive cut into raw byte pieces ("name.zip.001", "name.zip.002", ...), as some
// archivers split one ordinary zip file: the pieces are read as the one file they join to.
#include <cstdint>
#include <string>
#include <vector>

namespace mobrel {

// The pieces starting at firstPiece, in order, when firstPiece is the ".001" of several
// consecutive pieces, is no archive on its own, and the pieces joined hold an archive on a
// single disk; otherwise empty. A numbered block set of the engine's own (whose end record
// names a later disk) is not taken for one, nor a first piece with nothing beside it.
std::vector<std::string> ByteSplitPieces(const std::string& firstPiece, int32_t bufferSize);

}  // namespace mobrel
