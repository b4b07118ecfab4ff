#pragma once

#include "PhpValue.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrel {

struct MigrationRun;

// One of emlog's settings and the WordPress option that means the same.
struct SiteSetting
{
    std::string_view emlog;
    std::string_view wordPress;
};
// Every setting the site takes from emlog, in the order the report names them.
std::span<const SiteSetting> siteSettings();
// What WordPress's option holds for emlog's value of the setting: nothing for a value WordPress
// cannot take (an empty text, a number that is none, an answer that is neither y nor n), which
// leaves WordPress's own.
std::optional<std::string> wordPressSetting(std::string_view emlogName, std::string_view emlogValue);

// What becomes of one of WordPress's settings when emlog's differs.
enum class SettingFate {
    same,        // WordPress already holds emlog's value
    ownersSince, // a run set it before and the site's owner changed it since: theirs stays
    kept,        // the run keeps WordPress's settings
    change,
};
// `current` is WordPress's value (nothing when it has none), `setBefore` what an earlier run set.
SettingFate settingFate(const std::optional<std::string>& current, std::string_view emlog,
                        const std::optional<std::string>& setBefore, bool keepWordPress);

// The settings Kestrel gave WordPress, kept in WordPress's option kestrel_settings (name to value):
// a later run changes again only those the site's owner has not changed since. Each change is
// noted for the report with WordPress's value before.
class SettingsRecord
{
public:
    // False when WordPress's record cannot be read: nothing may then be changed.
    bool read(MigrationRun& run);
    // Gives WordPress's setting `name` (its value now `current`) emlog's `value` through `write`,
    // when the settingFate() says so. False when the write failed.
    bool settle(MigrationRun& run, std::string_view name, const std::optional<std::string>& current,
                std::string_view value, const std::function<bool()>& write);
    // Writes the record when it changed; false when that failed.
    bool save(MigrationRun& run);

private:
    PhpValue m_record = PhpValue::array();
    bool m_changed = false;
};

// Whether emlog closed comments on every article (its option iscomment): read once a run.
bool commentsClosedEverywhere(MigrationRun& run);

} // namespace kestrel
