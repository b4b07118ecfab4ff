#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class BlogConnection;
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
    // Why nothing may be deleted: an emlog table that cannot be read (a wrong prefix),
    // WordPress's tables not found. Empty when the emptying may go ahead.
    std::string refusal;
};

// Counts, with selects only, what the emptying would take from a WordPress, per kind.
// False when a select failed.
bool countBlogRows(BlogConnection& wordPress, const std::string& prefix, std::vector<EmptyingPlan::Kind>& kinds);

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
};
std::vector<MarkedTable> markedTables();

} // namespace kestrel
