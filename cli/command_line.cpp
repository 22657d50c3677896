#include "command_line.h"

#include <algorithm>

namespace mobrel::cli {

namespace {

const OptionSpec* FindSpec(const std::vector<OptionSpec>& options, const std::string& name) {
    auto it = std::find_if(options.begin(), options.end(),
                           [&](const OptionSpec& spec) { return spec.Name == name; });
    return it == options.end() ? nullptr : &*it;
}

bool LooksLikeOption(const std::string& word) {
    return word.size() > 1 && word[0] == '-';
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& args,
                         const std::vector<OptionSpec>& options) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || !LooksLikeOption(word)) {
            positional_.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = word;
        std::optional<std::string> inlineValue;
        if (word.rfind("--", 0) == 0) {
            const size_t equals = word.find('=');
            if (equals != std::string::npos) {
                name = word.substr(0, equals);
                inlineValue = word.substr(equals + 1);
            }
        }
        const OptionSpec* spec = FindSpec(options, name);
        if (spec == nullptr) {
            throw UsageError("unknown option " + word);
        }
        std::string value;
        if (spec->TakesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                throw UsageError("option " + name + " needs a value");
            }
        } else if (inlineValue) {
            throw UsageError("option " + name + " takes no value");
        }
        auto& slot = values_[name];
        if (!spec->Repeatable) {
            slot.clear();
        }
        slot.push_back(value);
        order_.push_back(name);
    }
}

std::optional<std::string> CommandLine::Value(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end() || it->second.empty()) {
        return std::nullopt;
    }
    return it->second.back();
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>() : it->second;
}

}  // namespace mobrel::cli
