// WildcardMatch over the file names of the shared corpus, next to the C library's fnmatch
// on the patterns both understand; and a recursive TDirSearch of the corpus next to
// std::filesystem's recursive iterator.
#include <benchmark/benchmark.h>
#include <fnmatch.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/dir_search.h"
#include "platform/wildcard_match.h"

namespace {

namespace fs = std::filesystem;

const std::string& CorpusFolder() {
    static const std::string folder = std::string(MOBREL_SHARED_DIR) + "/corpus";
    return folder;
}

const std::vector<std::string>& CorpusNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(CorpusFolder())) {
            found.push_back(entry.path().filename().string());
        }
        return found;
    }();
    return names;
}

const char* const kPatterns[] = {"*.TXT", "*.*", "*<0-9>*.<a-m>*", "*a*e*i*o*u*"};

void BM_WildcardMatch(benchmark::State& state) {
    const char* pattern = kPatterns[state.range(0)];
    const auto& names = CorpusNames();
    int64_t matched = 0;
    for (auto _ : state) {
        for (const std::string& name : names) {
            matched += mobrel::WildcardMatch(pattern, name) ? 1 : 0;
        }
    }
    benchmark::DoNotOptimize(matched);
    state.SetLabel(pattern);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * names.size()));
}
BENCHMARK(BM_WildcardMatch)->DenseRange(0, 3);

void BM_Fnmatch(benchmark::State& state) {
    const char* pattern = state.range(0) == 0 ? "*.TXT" : "*a*e*i*o*u*";
    const auto& names = CorpusNames();
    int64_t matched = 0;
    for (auto _ : state) {
        for (const std::string& name : names) {
            matched += fnmatch(pattern, name.c_str(), FNM_CASEFOLD) == 0 ? 1 : 0;
        }
    }
    benchmark::DoNotOptimize(matched);
    state.SetLabel(pattern);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * names.size()));
}
BENCHMARK(BM_Fnmatch)->Arg(0)->Arg(1);

void BM_DirSearch_Corpus(benchmark::State& state) {
    for (auto _ : state) {
        mobrel::TDirSearch search(CorpusFolder(), true, "*.*");
        mobrel::TSearchRec rec;
        std::string name;
        int64_t files = 0;
        while (search.NextFile(rec, name)) {
            ++files;
        }
        benchmark::DoNotOptimize(files);
    }
}
BENCHMARK(BM_DirSearch_Corpus)->Unit(benchmark::kMillisecond);

void BM_RecursiveDirectoryIterator_Corpus(benchmark::State& state) {
    for (auto _ : state) {
        int64_t files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(CorpusFolder())) {
            if (entry.is_regular_file()) {
                files += entry.file_size() > 0 ? 1 : 0;
            }
        }
        benchmark::DoNotOptimize(files);
    }
}
BENCHMARK(BM_RecursiveDirectoryIterator_Corpus)->Unit(benchmark::kMillisecond);

}  // namespace
