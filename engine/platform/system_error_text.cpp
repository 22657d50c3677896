#include "platform/system_error_text.h"

#include <system_error>

namespace mobrel {

std::string SystemErrorText(int error) {
    return std::generic_category().message(error);
}

}  // namespace mobrel
