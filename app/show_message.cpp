#include "show_message.h"

#include "platform/interactive_services.h"

void ShowMessage(const std::string& text) {
    mobrel::Services().MessageBox(text, "Mobrel", mobrel::TMsgButtons::Ok);
}
