#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class Session;
class EmlogSource;
struct RunContext;

// What emptying WordPress first takes: only what a copy of a blog owns. Posts of these
// types (with their revisions, comments and meta), terms of these taxonomies (with their
// meta and links to posts) and the links. Menus, templates, styles, other post types and
// taxonomies stay as they are.
inline constexpr std::string_view blogPostTypes[] = {"post", "page", "attachment"};
inline constexpr std::string_view blogTaxonomies[] = {"category", "post_tag", "link_category", "post_format"};

struct EmptyingPlan
{
    struct Kind
    {
        std::string name; // WordPress's: post, page, comment, category, link...
        std::int64_t rows = 0;
    };
    std::vector<Kind> kinds;
    std::string backupFile;

    // A WordPress table the emptying deletes from, and whether its engine takes part in the
    // transaction: on one that does not (MyISAM, Aria), a delete stands once it is made.
    struct Table
    {
        std::string name; // with its prefix
        std::string engine;
        bool rollsBack = false;
    };
    std::vector<Table> tables; // in the order of markedTables()

    // Why nothing may be deleted, with the table or the server's answer it concerns.
    enum class Refusal {
        None,
        EmlogTableUnreadable,     // a wrong prefix or database on emlog's side
        WordPressTableUnreadable, // the same on WordPress's side
        NotCounted,               // the rows to delete could not be counted
        EnginesUnknown,           // the tables' engines could not be asked
    };
    Refusal refusal = Refusal::None;
    std::string refusedTable;
    std::string refusedBecause;

    bool refused() const { return refusal != Refusal::None; }
    // The tables whose deletes a failure later on cannot undo.
    std::vector<Table> tablesThatCannotRollBack() const;
};

// Counts, with selects only, what the emptying would take from a WordPress, per kind.
// False when a select failed.
bool countBlogRows(Session& wordPress, const std::string& prefix, std::vector<EmptyingPlan::Kind>& kinds);

// Checks both sides and counts what the emptying would take; writes nothing.
EmptyingPlan planEmptying(RunContext& run, EmlogSource& emlog, std::string backupFile);

} // namespace kestrel
