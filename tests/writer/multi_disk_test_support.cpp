#include "writer/multi_disk_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "writer/zipper_test_support.h"

namespace mobrel::test {

namespace fs = std::filesystem;

FileContents MakeSplitTree(const fs::path& folder) {
    const FileContents files = {
        {"index.html", CompressibleText(9000)},
        {"random.bin", RandomBytes(7000, 12)},
        {"empty.txt", ""},
        {"css/style.css", CompressibleText(3000)},
        {"css/deeper/with a rather long name to make its headers large.txt", "short"},
        {"img/photo.jpg", RandomBytes(6500, 34)},
        {"notes.txt", CompressibleText(400)},
    };
    for (const auto& [name, bytes] : files) {
        MakeFile(folder, name, bytes);
    }
    return files;
}

FileContents ReadTree(const fs::path& folder) {
    FileContents files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) {
            const std::vector<uint8_t> bytes = ReadFileBytes(item.path());
            files[fs::relative(item.path(), folder).generic_string()] =
                std::string(bytes.begin(), bytes.end());
        }
    }
    return files;
}

FileContents ExtractAll(TUnZipper& reader, const fs::path& scratch) {
    static int run = 0;
    const fs::path out = scratch / ("extracted" + std::to_string(++run));
    fs::create_directories(out);
    reader.SetDestDir(out.string());
    reader.SetRecreateDirs(true);
    reader.SetDoAll(true);
    reader.UnZip();
    return ReadTree(out);
}

FileContents ContentsOf(const ExtractedTree& tree) {
    FileContents contents;
    for (const auto& [name, file] : tree) {
        contents[name] = file.Bytes;
    }
    return contents;
}

TMultiZipInfo BlockSetInfo(int64_t firstBlock, int64_t block, TSplitNaming naming) {
    TMultiZipInfo info;
    info.MultiMode = mmBlocks;
    info.FirstBlockSize = firstBlock;
    info.BlockSize = block;
    info.SplitNaming = naming;
    return info;
}

std::vector<std::string> PeerSplitSets() {
    return {"split-s64k-spans-4-disks--infozip-gen", "split-sp-pause-mode-dd--infozip-gen",
            "split-winzip26-stored--sharpcompress", "split-infozip-256k-zip64--commons-compress"};
}

std::string SplitSetTestName(const std::string& set) {
    std::string name = set.substr(0, set.find("--"));
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

}  // namespace mobrel::test
