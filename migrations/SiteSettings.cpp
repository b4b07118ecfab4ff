#include "SiteSettings.h"

#include "EmlogSource.h"
#include "HtmlText.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"

#include <algorithm>
#include <iterator>

namespace kestrel {

namespace {

constexpr std::string_view migration = step::settings;
// Kestrel's own record of the settings it gave WordPress.
constexpr std::string_view recordOption = "kestrel_settings";
// Shared with the redirect plugin (includes/home.php), which gives the home page emlog's title,
// description and keywords.
constexpr std::string_view homeOption = "kestrel_home";

constexpr SiteSetting settings[] = {
    {"blogname", "blogname"},
    {"bloginfo", "blogdescription"},
    {"index_lognum", "posts_per_page"},
    {"iscomment", "default_comment_status"},
    {"ischkcomment", "comment_moderation"},
    {"login_comment", "comment_registration"},
    {"comment_paging", "page_comments"},
    {"comment_pnum", "comments_per_page"},
    {"comment_order", "comment_order"},
    {"isgravatar", "show_avatars"},
    {"rss_output_num", "posts_per_rss"},
    {"rss_output_fulltext", "rss_use_excerpt"},
    {"is_signup", "users_can_register"},
};

std::optional<std::string> yesOrNo(std::string_view value, std::string_view yes, std::string_view no)
{
    if (value == "y")
        return std::string(yes);
    if (value == "n")
        return std::string(no);
    return std::nullopt;
}

// A count WordPress can take: a whole number from 1, as emlog's settings page let one type.
std::optional<std::string> positiveCount(std::string_view value)
{
    const auto digits = value.find_first_not_of('0');
    if (value.empty() || value.size() > 9 || digits == std::string_view::npos ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::string(value.substr(digits));
}

bool blank(const std::optional<std::string>& text)
{
    return !text || text->find_first_not_of(" \t\r\n") == std::string::npos;
}

// The home page's title, description and keywords, kept for the redirect plugin as the footer is:
// set once, then the site owner's.
void copyHomeMeta(MigrationRun& run)
{
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::optional<std::string> keywords;
    if (!run.source->option("site_title", title) || !run.source->option("site_description", description) ||
        !run.source->option("site_key", keywords)) {
        run.failures.record(migration, run.source->tableName("options"), "",
                            {Why::Code::emlogUnreadable, {}, run.source->lastError()});
        return;
    }
    if ((blank(title) && blank(description) && blank(keywords)) || run.keepWordPressSettings)
        return;
    std::optional<std::string> kept;
    if (!readWordPressOption(run, homeOption, kept)) {
        unreadableWordPress(run, migration, "options", homeOption);
        return;
    }
    if (kept)
        return;
    PhpValue home = PhpValue::array();
    home.at("title") = PhpValue::string(title.value_or(""));
    home.at("description") = PhpValue::string(description.value_or(""));
    home.at("keywords") = PhpValue::string(keywords.value_or(""));
    if (!setWordPressOption(run, homeOption, home.serialized())) {
        recordFailure(run, migration, "options", "");
        return;
    }
    run.failures.note({FailureLog::Note::What::HomeMetaKept, {}, {}});
}

} // namespace

std::span<const SiteSetting> siteSettings()
{
    return settings;
}

std::optional<std::string> wordPressSetting(std::string_view emlogName, std::string_view value)
{
    if (emlogName == "blogname" || emlogName == "bloginfo") {
        // WordPress keeps them as its settings page does: escaped, shown as they are.
        if (blank(std::string(value)))
            return std::nullopt;
        return escapeHtml(value);
    }
    if (emlogName == "index_lognum" || emlogName == "comment_pnum" || emlogName == "rss_output_num")
        return positiveCount(value);
    if (emlogName == "iscomment")
        return yesOrNo(value, "open", "closed");
    if (emlogName == "comment_order") {
        if (value == "newer")
            return "desc";
        return value == "older" ? std::optional<std::string>("asc") : std::nullopt;
    }
    // Whole text when emlog's feed had full text: WordPress's option says the opposite.
    if (emlogName == "rss_output_fulltext")
        return yesOrNo(value, "0", "1");
    const auto known = std::find_if(std::begin(settings), std::end(settings),
                                    [&](const SiteSetting& setting) { return setting.emlog == emlogName; });
    return known != std::end(settings) ? yesOrNo(value, "1", "0") : std::nullopt;
}

SettingFate settingFate(const std::optional<std::string>& current, std::string_view emlog,
                        const std::optional<std::string>& setBefore, bool keepWordPress)
{
    if (current && *current == emlog)
        return SettingFate::same;
    if (setBefore && current.value_or("") != *setBefore)
        return SettingFate::ownersSince;
    return keepWordPress ? SettingFate::kept : SettingFate::change;
}

bool SettingsRecord::read(MigrationRun& run)
{
    std::optional<std::string> record;
    if (!readWordPressOption(run, recordOption, record))
        return false;
    const std::optional<PhpValue> parsed = record ? PhpValue::parse(*record) : std::nullopt;
    m_record = parsed && parsed->isArray() ? *parsed : PhpValue::array();
    m_changed = false;
    return true;
}

bool SettingsRecord::settle(MigrationRun& run, std::string_view name, const std::optional<std::string>& current,
                            std::string_view value, const std::function<bool()>& write)
{
    const PhpValue* before = m_record.find(name);
    const std::optional<std::string> setBefore = before ? std::optional(before->text()) : std::nullopt;
    using What = FailureLog::Note::What;
    switch (settingFate(current, value, setBefore, run.keepWordPressSettings)) {
    case SettingFate::same:
        // emlog's already: from now on a change is the owner's.
        if (setBefore != value && !run.keepWordPressSettings) {
            m_record.at(name) = PhpValue::string(value);
            m_changed = true;
        }
        return true;
    case SettingFate::ownersSince:
        return true;
    case SettingFate::kept:
        run.failures.note({What::SettingKept, std::string(name), current.value_or(""), std::string(value)});
        return true;
    case SettingFate::change:
        break;
    }
    if (!write())
        return false;
    m_record.at(name) = PhpValue::string(value);
    m_changed = true;
    run.failures.note({What::SettingChanged, std::string(name), current.value_or(""), std::string(value)});
    return true;
}

bool SettingsRecord::save(MigrationRun& run)
{
    if (!m_changed)
        return true;
    m_changed = false;
    return setWordPressOption(run, recordOption, m_record.serialized());
}

bool commentsClosedEverywhere(MigrationRun& run)
{
    if (!run.handoffs.commentsClosed) {
        std::optional<std::string> option;
        // Unread, the articles keep their own choice, and the settings say why.
        run.handoffs.commentsClosed = run.source->option("iscomment", option) && option == "n";
    }
    return *run.handoffs.commentsClosed;
}

void copySettings(MigrationRun& run)
{
    SettingsRecord record;
    if (!record.read(run)) {
        unreadableWordPress(run, migration, "options", recordOption);
        return;
    }
    for (const SiteSetting& setting : settings) {
        std::optional<std::string> emlog;
        // Unread, the options are unread for every setting: said once, and WordPress keeps its own.
        if (!run.source->option(setting.emlog, emlog)) {
            run.failures.record(migration, run.source->tableName("options"), "",
                                {Why::Code::emlogUnreadable, {}, run.source->lastError()});
            return;
        }
        // A setting this blog's emlog did not have yet, or left empty, leaves WordPress's.
        const std::optional<std::string> value = emlog ? wordPressSetting(setting.emlog, *emlog) : std::nullopt;
        if (!value)
            continue;
        std::optional<std::string> current;
        if (!readWordPressOption(run, setting.wordPress, current)) {
            recordFailure(run, migration, run.wordPressTable("options"), setting.wordPress);
            continue;
        }
        if (!record.settle(run, setting.wordPress, current, *value,
                           [&] { return setWordPressOption(run, setting.wordPress, *value); }))
            recordFailure(run, migration, run.wordPressTable("options"), setting.wordPress);
    }
    if (!record.save(run))
        recordFailure(run, migration, run.wordPressTable("options"), recordOption);
    copyHomeMeta(run);
}

} // namespace kestrel
