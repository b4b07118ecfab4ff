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

// Marks the rows the emptying takes in temporary tables of the WordPress session, and
// counts them per kind. False when a statement failed (recorded in the run's log).
bool markBlogRows(RunContext& run, std::vector<EmptyingPlan::Kind>& kinds);

// Each WordPress table the emptying takes rows from, with the condition that picks them
// once markBlogRows() has run; an empty condition takes every row.
struct MarkedTable
{
    std::string_view bare;
    std::string condition;
    // Its primary key, integer columns: the backup reads the table in pages by it.
    std::vector<std::string_view> key;
};
std::vector<MarkedTable> markedTables();

// The rows the emptying takes, as what may follow " IN ": the temporary tables markBlogRows() makes
// ("SELECT id FROM kestrel_gone_posts"), or lists of ids read beforehand ("1, 2, 3").
struct MarkSets
{
    std::string posts;
    std::string comments;
    std::string taxonomies;
    std::string terms;
};
std::vector<MarkedTable> markedTables(const MarkSets& marks);

// The selects that find each mark set's ids without temporary tables, for a session that cannot keep
// them between its statements (one carried through the receiver plugin): posts, comments (which
// reads the posts' select), taxonomies, terms.
MarkSets markSelects(const std::string& prefix);

// Counts per kind what the marks name (see markBlogRows()).
bool countMarkedRows(Session& wordPress, const std::string& prefix, const MarkSets& marks,
                     std::vector<EmptyingPlan::Kind>& kinds);

} // namespace kestrel
