#include "EmlogSource.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"
#include "PhpValue.h"
#include "TextHelpers.h"
#include "WordPressState.h"

namespace kestrel {

namespace {

// Shared with the plugin (includes/footer.php), which shows it on every page.
constexpr std::string_view footerOption = "kestrel_footer";

bool blank(const std::optional<std::string>& text)
{
    return !text || text->find_first_not_of(" \t\r\n") == std::string::npos;
}

} // namespace

void copyFooter(MigrationRun& run)
{
    constexpr std::string_view step = step::footer;
    std::optional<std::string> icp;
    std::optional<std::string> info;
    if (!run.source->option("icp", icp) || !run.source->option("footer_info", info)) {
        run.failures.record(step, run.source->tableName("options"), "",
                            {Why::Code::emlogUnreadable, {}, run.source->lastError()});
        return;
    }
    if (blank(icp) && blank(info))
        return;
    std::optional<std::string> kept;
    if (!readWordPressOption(run, footerOption, kept)) {
        unreadableWordPress(run, step, "options", footerOption);
        return;
    }
    // Set by an earlier run, or changed by the owner since: it stays as it is.
    if (kept)
        return;
    PhpValue footer = PhpValue::array();
    footer.at("icp") = PhpValue::string(icp.value_or(""));
    footer.at("info") = PhpValue::string(info.value_or(""));
    if (!setWordPressOption(run, footerOption, footer.serialized())) {
        recordFailure(run, step, "options", "");
        return;
    }
    run.failures.note({FailureLog::Note::What::FooterKept, icp.value_or(""), {}});
}

} // namespace kestrel
