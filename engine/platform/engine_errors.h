#pragma once
// The engine's exceptions. Every error that ends an engine operation is one of these
// classes, each carrying a fixed English message; all derive from EEngineError so a
// caller can catch the engine's failures in one place.
#include <stdexcept>
#include <string>

namespace mobrel {

class EEngineError : public std::runtime_error {
  public:
    explicit EEngineError(const std::string& message) : std::runtime_error(message) {}
};

#define MOBREL_DECLARE_ERROR(Name, Base)                             \
    class Name : public Base {                                       \
      public:                                                        \
        explicit Name(const std::string& message) : Base(message) {} \
    };

// General failures of the run-time layer: invalid arguments, seek errors, file errors.
MOBREL_DECLARE_ERROR(EGeneralError, EEngineError)
MOBREL_DECLARE_ERROR(EStreamError, EEngineError)
MOBREL_DECLARE_ERROR(EListError, EEngineError)

// A file could not be opened or created; SystemError is the errno the system refused it
// with, 0 when none is known.
class EFileError : public EStreamError {
  public:
    explicit EFileError(const std::string& message, int systemError = 0)
        : EStreamError(message), systemError_(systemError) {}
    int SystemError() const { return systemError_; }

  private:
    int systemError_;
};

// Opening an archive.
MOBREL_DECLARE_ERROR(EBadZipFile, EEngineError)
MOBREL_DECLARE_ERROR(EIncompleteZip, EEngineError)
MOBREL_DECLARE_ERROR(ENotAZipFile, EEngineError)

// Prompts and operations the user cancelled.
MOBREL_DECLARE_ERROR(EUserCanceled, EEngineError)

// Extraction.
MOBREL_DECLARE_ERROR(EFatalUnzipError, EEngineError)
MOBREL_DECLARE_ERROR(EBiggerThanUncompressed, EEngineError)
MOBREL_DECLARE_ERROR(ECantWriteUCF, EEngineError)

// Writing.
MOBREL_DECLARE_ERROR(ENotEnoughRoom, EEngineError)
// The classic format holds 32-bit sizes and offsets and 16-bit counts; anything larger
// ends the operation rather than wrapping a field.
MOBREL_DECLARE_ERROR(EFormatLimit, EEngineError)

#undef MOBREL_DECLARE_ERROR

}  // namespace mobrel
