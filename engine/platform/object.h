#pragma once
// The base of the objects the engine's lists hold: destroyed through the base, and able to
// name its class for the lists' error messages.
#include <string>

namespace mobrel {

class TObject {
  public:
    virtual ~TObject() = default;
    virtual std::string ClassName() const = 0;
};

}  // namespace mobrel
