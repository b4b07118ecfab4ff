#pragma once

#include "EmptyingPlan.h"
#include "Query.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

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
    // The marks' ids, when read beforehand (MarkSets::ids).
    std::shared_ptr<const std::vector<Parameter>> marks = {};
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
    // The same read beforehand, as the receiver plugin takes them: four lists of ids, in that order.
    std::shared_ptr<const std::vector<Parameter>> ids = {};
};
std::vector<MarkedTable> markedTables(const MarkSets& marks);

// The selects that find each mark set's ids without temporary tables, for a session that cannot keep
// them between its statements (one carried through the receiver plugin): posts, comments (which
// reads the posts' select), taxonomies, terms.
MarkSets markSelects(const std::string& prefix);

// What a copy of a blog owns, as the receiver plugin takes it with the operations that need it: the post
// types, the taxonomies, the origin keys of the posts a run brings, and that of its menus.
// `first` leads them: what the operation asks for (a set, a count).
std::vector<Parameter> ownedParameters(std::string first);
// A marked table's operations' first parameters: its name, then the marks' four lists of ids (empty ones
// for marks in temporary tables, which only a MySQL session has).
std::vector<Parameter> markedParameters(const MarkedTable& table, const std::string& name);

// Counts per kind what the marks name (see markBlogRows()).
bool countMarkedRows(Session& wordPress, const std::string& prefix, const MarkSets& marks,
                     std::vector<EmptyingPlan::Kind>& kinds);

} // namespace kestrel
