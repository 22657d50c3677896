#pragma once
// Interactive services for the fuzz targets: every question is answered no and every file
// dialog cancelled, so a run never waits on anybody and no prompt fills the log.
#include <string>

#include "platform/interactive_services.h"

namespace mobrel::fuzz {

class TQuietServices : public TInteractiveServices {
  public:
    TMsgAnswer MessageBox(const std::string&, const std::string&, TMsgButtons) override {
        return TMsgAnswer::No;
    }
    bool OpenFileDialog(const TFileDialogRequest&, std::string&) override { return false; }
};

}  // namespace mobrel::fuzz
