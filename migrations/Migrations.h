#pragma once

#include "PhpSerialized.h"

#include <optional>
#include <string>

namespace kestrel {

struct MigrationRun;

// The migrations, called in this order by a run. Each reads one emlog table
// and writes its rows into WordPress; a row an earlier run copied is left as
// it is. Terms come before the articles, so that each article arrives with
// its category and tag links.
void migrateUsers(MigrationRun& run);
void migrateCategories(MigrationRun& run);
void migrateTags(MigrationRun& run);
void migratePosts(MigrationRun& run);
void migrateComments(MigrationRun& run);
// emlog 3.x kept the blog owner's answer inside the visitor's comment: it becomes a comment under it.
void migrateOwnerReplies(MigrationRun& run);
// Other blogs' trackbacks (emlog before 5.1.3) become comments of type trackback.
void migrateTrackbacks(MigrationRun& run);
void migrateAttachments(MigrationRun& run);
void migrateLinks(MigrationRun& run);
void migrateTwitter(MigrationRun& run);
void migrateReplies(MigrationRun& run);
// emlog's navigation bar becomes a WordPress menu, shown where the theme shows one when it has none.
void migrateNavigation(MigrationRun& run);
// The owner's sidebar texts become reusable blocks, and block widgets of a classic theme's sidebar.
void migrateWidgets(MigrationRun& run);
// Not rows: the ICP number and the footer text go into the plugin's option, for every page's footer.
void copyFooter(MigrationRun& run);
// Not rows: how the blog wrote its addresses goes into the plugin's option, which reads the old addresses so.
void keepAddresses(MigrationRun& run);
// Not a migration of rows: WordPress takes emlog's time zone before any time is written.
void settleTimeZone(MigrationRun& run);
// Not rows: WordPress takes the site's name and settings, and the plugin its home page's title.
void copySettings(MigrationRun& run);
// Members' photos, comments' avatars, the template's logo and favicon: attachments shown where
// emlog showed them (the plugin's avatars, the site's icon and the theme's logo).
void migrateFaces(MigrationRun& run);

// An emlog value the run reads as PHP-serialized that is past what it reads (see PhpSerialized.h).
struct RefusedValue
{
    std::string table;
    std::string name; // the option's
    SerializedProblem problem = SerializedProblem::None;
};
// Asked before anything is written, so that such a value refuses the run rather than leave a part of
// it out: the first of emlog's serialized options past the bounds, or nothing.
std::optional<RefusedValue> valuePastBounds(MigrationRun& run);

inline constexpr void (*allMigrations[])(MigrationRun&) = {
    settleTimeZone,  copySettings,        migrateUsers,      migrateCategories,  migrateTags,  migratePosts,
    migrateComments, migrateOwnerReplies, migrateTrackbacks, migrateAttachments, migrateLinks, migrateTwitter,
    migrateReplies,  migrateNavigation,   migrateWidgets,    migrateFaces,       copyFooter,   keepAddresses};

} // namespace kestrel
