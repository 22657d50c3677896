#pragma once
// A small option parser for mobrel-cli: short and long options, options with values,
// "--" ending the options, and positional arguments in order.
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace mobrel::cli {

class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

struct OptionSpec {
    std::string Name;         // "-d", "--block-size"
    bool TakesValue = false;  // the next argument (or "=value" for long options) is its value
    bool Repeatable = false;  // may appear several times (-x PATTERN ...)
};

class CommandLine {
  public:
    // Parses args (the words after the subcommand) against the known options.
    // Raises UsageError for an unknown option or a missing value.
    CommandLine(const std::vector<std::string>& args, const std::vector<OptionSpec>& options);

    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    std::optional<std::string> Value(const std::string& name) const;
    std::vector<std::string> Values(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return positional_; }
    // The options given in command-line order (for mutually exclusive flags where the
    // last one wins).
    const std::vector<std::string>& Order() const { return order_; }

  private:
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> positional_;
    std::vector<std::string> order_;
};

}  // namespace mobrel::cli
