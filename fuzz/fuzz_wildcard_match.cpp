// Pattern and name for WildcardMatch: the input up to its first newline is the pattern, the
// rest the name. Short inputs are also run through the plain backtracking reference, and
// any disagreement stops the fuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "../tests/platform/wildcard_reference.h"
#include "platform/wildcard_match.h"

namespace {

// The reference tries every position of every star; keep its inputs small enough to stay
// quick.
bool SmallEnoughForReference(std::string_view pattern, std::string_view name) {
    return pattern.size() <= 16 && name.size() <= 20 &&
           std::count(pattern.begin(), pattern.end(), '*') <= 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = std::min(input.find('\n'), input.size());
    const std::string_view pattern = input.substr(0, split);
    const std::string_view name = split < input.size() ? input.substr(split + 1) : "";

    const bool matched = mobrel::WildcardMatch(pattern, name);
    mobrel::HasWildcards(pattern);
    if (SmallEnoughForReference(pattern, name) &&
        matched != mobrel::test::TReferenceWildcard::Match(pattern, name)) {
        std::abort();
    }
    return 0;
}
