#pragma once
// Helpers for the multi-disk tests: a source tree to split, and reading a set back through
// the reader into a map of entry names to contents.
#include <filesystem>
#include <map>
#include <string>

#include <vector>

#include "reader/split_naming.h"
#include "reader/un_zipper.h"
#include "test_support.h"
#include "writer/multi_zip_info.h"
#include "writer/zipper_test_support.h"

namespace mobrel::test {

using FileContents = std::map<std::string, std::string>;

// A folder of files (text, random bytes, an empty file, a sub-folder) of about 30 KB.
FileContents MakeSplitTree(const std::filesystem::path& folder);

// Every file under folder, by its path relative to folder ('/' separated).
FileContents ReadTree(const std::filesystem::path& folder);

// Extracts every entry of the archive (or set, through its ZipName) with reader into a
// fresh folder under scratch and returns what came out.
FileContents ExtractAll(TUnZipper& reader, const std::filesystem::path& scratch);

// The contents of an extracted tree, by name.
FileContents ContentsOf(const ExtractedTree& tree);

// Settings for a set of numbered block files of these sizes.
TMultiZipInfo BlockSetInfo(int64_t firstBlock, int64_t block, TSplitNaming naming = snNumbered);

// The split sets of the test folder, by the name their parts share before the extension,
// and the test name each gives ("split_s64k_spans_4_disks").
std::vector<std::string> PeerSplitSets();
std::string SplitSetTestName(const std::string& set);

}  // namespace mobrel::test
