#pragma once
// What one hostile archive did to the reader and the extraction run, in one line: the
// exception that ended a step (its class and message) or what the step produced.
#include <filesystem>
#include <string>

namespace mobrel {
class EEngineError;
}

namespace mobrel::test {

// The class name of one of the engine's exceptions ("EBadZipFile").
std::string EngineErrorName(const EEngineError& error);

// Opens archive (a damaged directory rebuilt from local headers), extracts every entry
// into out with folders, tests every entry, and extracts the first few into memory. The
// engine's own exceptions are part of the outcome; anything else escapes.
std::string RunEveryOperation(const std::filesystem::path& archive,
                              const std::filesystem::path& out);

}  // namespace mobrel::test
