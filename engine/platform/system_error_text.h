#pragma once
// The system's words for an errno value ("Permission denied"), safe on any thread, unlike
// strerror, whose buffer is shared.
#include <string>

namespace mobrel {

std::string SystemErrorText(int error);

}  // namespace mobrel
