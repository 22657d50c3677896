#pragma once
// The silent abort: ends the action that is running without any further message. The
// standard handler lets it pass unseen; it is raised after the user has already been told.
#include <exception>

class EAbort : public std::exception {
  public:
    const char* what() const noexcept override { return "Operation aborted"; }
};
