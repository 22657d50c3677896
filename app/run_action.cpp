#include "run_action.h"

#include <exception>

#include "platform/interactive_services.h"

void RunAction(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        mobrel::Services().MessageBox(error.what(), "Mobrel", mobrel::TMsgButtons::Ok);
    }
}
