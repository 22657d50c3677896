#include "exception_handler.h"

#include <stdexcept>

#include "platform/interactive_services.h"
#include "silent_abort.h"

namespace {

constexpr const char* kErrorCaption = "Mobrel";

}  // namespace

void ShowEscapedException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // Whoever raised it has told the user already.
    } catch (const std::exception& e) {
        mobrel::Services().MessageBox(e.what(), kErrorCaption, mobrel::TMsgButtons::Ok);
    } catch (...) {
        mobrel::Services().MessageBox("Unknown error", kErrorCaption, mobrel::TMsgButtons::Ok);
    }
}

bool RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (...) {
        ShowEscapedException(std::current_exception());
        return false;
    }
}
