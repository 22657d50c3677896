#include "bench_corpus.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace mobrel::bench {

const std::vector<uint8_t>& CorpusBytes() {
    static const std::vector<uint8_t> bytes = [] {
        const char* choice = std::getenv("MOBREL_BENCH_CORPUS");
        const std::filesystem::path root =
            std::filesystem::path(MOBREL_SHARED_DIR) / "corpus" / (choice ? choice : "small");
        // A fixed order, so every run measures the same bytes.
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        std::vector<uint8_t> all;
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            all.insert(all.end(), std::istreambuf_iterator<char>(in),
                       std::istreambuf_iterator<char>());
        }
        return all;
    }();
    return bytes;
}

}  // namespace mobrel::bench
