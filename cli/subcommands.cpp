#include "subcommand.h"

#include "add_command.h"
#include "comment_command.h"
#include "delete_command.h"
#include "extract_command.h"
#include "fix_command.h"
#include "list_command.h"
#include "sfx_command.h"
#include "test_command.h"

namespace mobrel::cli {

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> all = {
        {"list", kListSummary, kListUsage, RunList},
        {"test", kTestSummary, kTestUsage, RunTest},
        {"extract", kExtractSummary, kExtractUsage, RunExtract},
        {"add", kAddSummary, kAddUsage, RunAdd},
        {"delete", kDeleteSummary, kDeleteUsage, RunDelete},
        {"comment", kCommentSummary, kCommentUsage, RunComment},
        {"fix", kFixSummary, kFixUsage, RunFix},
        {"sfx", kSfxSummary, kSfxUsage, RunSfx},
    };
    return all;
}

}  // namespace mobrel::cli
