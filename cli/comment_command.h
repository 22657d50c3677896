#pragma once
// mobrel-cli comment: the archive comment, or one entry's comment, set and saved.
#include <string>
#include <vector>

namespace mobrel::cli {

extern const char* const kCommentSummary;
extern const char* const kCommentUsage;

// The subcommand: "comment ARCHIVE [--entry NAME] TEXT".
int RunComment(const std::vector<std::string>& args);

}  // namespace mobrel::cli
