#pragma once
// The engine's interactive services for a program run from a terminal: the engine's
// message boxes become questions on the terminal. Installed only while questions may be
// asked; otherwise the engine's headless default answers them without changing anything.
#include "platform/interactive_services.h"

namespace mobrel::sfx {

class TConsoleServices : public TInteractiveServices {
  public:
    TMsgAnswer MessageBox(const std::string& text, const std::string& caption,
                          TMsgButtons buttons) override;
};

}  // namespace mobrel::sfx
