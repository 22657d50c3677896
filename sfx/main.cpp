// The self-extractor stub: a copy of this program, followed by a configuration block and
// a zip archive, is a self-extracting program.
#include <string>
#include <vector>

#include "stub_run.h"

int main(int argc, char** argv) {
    const std::string programName = argc > 0 ? argv[0] : "self-extractor";
    return mobrel::sfx::RunStub(programName, std::vector<std::string>(argv + 1, argv + argc));
}
