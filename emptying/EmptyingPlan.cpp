#include "EmptyingPlan.h"

#include "MarkedRows.h"

#include "EmlogSource.h"
#include "Kinds.h"
#include "ResultSet.h"
#include "RunContext.h"
#include "Session.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <span>

namespace kestrel {

namespace {

constexpr std::string_view emptying = step::emptying;

// The emlog tables every run reads: one that is not there means a wrong prefix or database.
constexpr std::string_view emlogTablesRead[] = {"blog", "comment", "attachment", "sort", "tag", "link"};

std::string sqlList(std::span<const std::string_view> names)
{
    std::string list;
    for (const std::string_view name : names)
        list += (list.empty() ? "'" : ", '") + std::string(name) + "'";
    return "(" + list + ")";
}

bool run(RunContext& migration, const std::string& statement)
{
    if (migration.wordPress.change(Change("emptying_mark", statement)))
        return true;
    recordFailure(migration, emptying, statement.substr(0, statement.find(' ', 40)), "");
    return false;
}

// (name, rows) of a two-column count.
bool countInto(Session& wordPress, const Query& count, std::map<std::string, std::int64_t>& counts)
{
    ResultSet rows = wordPress.read(count);
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::string name;
        std::int64_t count = 0;
        readField(rows, 0, name);
        readField(rows, 1, count);
        counts[name] += count;
    }
    return static_cast<bool>(rows);
}

bool countRows(Session& wordPress, const std::string& prefix, std::vector<EmptyingPlan::Kind>& kinds,
               const MarkSets* marks);

// The origins of the posts a run makes besides the blog's own types: menu items and the site's
// navigation.
std::string broughtPostKeys()
{
    const std::string_view keys[] = {origin::navigation.key, origin::navigationBlock.key, origin::widget.key};
    return sqlList(keys);
}

// The menus a run made (`what` of each): their terms are of no other taxonomy.
std::string broughtMenus(const std::string& prefix, std::string_view what)
{
    return "SELECT " + std::string(what) + " FROM " + prefix + "term_taxonomy x JOIN " + prefix +
           "termmeta m ON m.term_id=x.term_id AND m.meta_key='" + std::string(origin::menu.key) +
           "' WHERE x.taxonomy='nav_menu'";
}

} // namespace

std::vector<MarkedTable> markedTables()
{
    return markedTables({"SELECT id FROM kestrel_gone_posts", "SELECT id FROM kestrel_gone_comments",
                         "SELECT id FROM kestrel_gone_taxonomies", "SELECT id FROM kestrel_gone_terms"});
}

std::vector<MarkedTable> markedTables(const MarkSets& marks)
{
    const std::string posts = " IN (" + marks.posts + ")";
    const std::string comments = " IN (" + marks.comments + ")";
    const std::string taxonomies = " IN (" + marks.taxonomies + ")";
    const std::string terms = " IN (" + marks.terms + ")";
    // A post's links to terms of other taxonomies go with the post; links' categories are ours anyway.
    std::vector<MarkedTable> tables = {
        {"comments", "comment_ID" + comments, {"comment_ID"}},
        {"commentmeta", "comment_id" + comments, {"meta_id"}},
        {"posts", "ID" + posts, {"ID"}},
        {"postmeta", "post_id" + posts, {"meta_id"}},
        {"term_relationships",
         "term_taxonomy_id" + taxonomies + " OR object_id" + posts,
         {"object_id", "term_taxonomy_id"}},
        {"term_taxonomy", "term_taxonomy_id" + taxonomies, {"term_taxonomy_id"}},
        {"terms", "term_id" + terms, {"term_id"}},
        {"termmeta", "term_id" + terms, {"meta_id"}},
        {"links", "", {"link_id"}},
    };
    for (MarkedTable& table : tables)
        table.marks = marks.ids;
    return tables;
}

std::vector<Parameter> markedParameters(const MarkedTable& table, const std::string& name)
{
    std::vector<Parameter> parameters = {Name{name}};
    if (table.marks && table.marks->size() == 4)
        parameters.insert(parameters.end(), table.marks->begin(), table.marks->end());
    else
        parameters.insert(parameters.end(), 4, std::vector<std::int64_t>{});
    return parameters;
}

std::vector<Parameter> ownedParameters(std::string first)
{
    const auto texts = [](std::span<const std::string_view> names) {
        return std::vector<std::string>(names.begin(), names.end());
    };
    const std::string_view postKeys[] = {origin::navigation.key, origin::navigationBlock.key, origin::widget.key};
    return {std::move(first), texts(blogPostTypes), texts(blogTaxonomies), texts(postKeys),
            std::string(origin::menu.key)};
}

namespace {

// What a copy of a blog owns, once: each set of ids is the union of these selects over the site's tables.
// The comments are those of the posts that go, as `posts` (a select, or a list of ids) names them.
struct OwnedRows
{
    std::vector<std::string> posts, taxonomies, terms;
    std::string comments(const std::string& posts) const { return commentsOf + "(" + posts + ")"; }
    std::string commentsOf;
};

OwnedRows ownedRows(const std::string& prefix)
{
    const std::string types = sqlList(blogPostTypes);
    const std::string taxonomies = sqlList(blogTaxonomies);
    const std::string posts = prefix + "posts";
    const std::string termTaxonomy = prefix + "term_taxonomy";
    return {
        {"SELECT ID FROM " + posts + " WHERE post_type IN " + types,
         // The blog's menu items and the navigation made of them, by their origins: other menus stay.
         "SELECT post_id FROM " + prefix + "postmeta WHERE meta_key IN " + broughtPostKeys(),
         // Revisions and autosaves of those posts, not of a template or a menu.
         "SELECT r.ID FROM " + posts + " r JOIN " + posts +
             " p ON p.ID=r.post_parent WHERE r.post_type='revision' AND p.post_type IN " + types},
        {"SELECT term_taxonomy_id FROM " + termTaxonomy + " WHERE taxonomy IN " + taxonomies,
         broughtMenus(prefix, "x.term_taxonomy_id")},
        // A term that another taxonomy shares (WordPress before 4.2 made such) stays for it.
        {"SELECT t.term_id FROM " + termTaxonomy + " t WHERE t.taxonomy IN " + taxonomies +
             " AND NOT EXISTS (SELECT 1 FROM " + termTaxonomy + " o WHERE o.term_id=t.term_id AND o.taxonomy NOT IN " +
             taxonomies + ")",
         broughtMenus(prefix, "x.term_id")},
        "SELECT comment_ID FROM " + prefix + "comments WHERE comment_post_ID IN ",
    };
}

std::string unionOf(const std::vector<std::string>& selects)
{
    std::string all;
    for (const std::string& select : selects)
        all += (all.empty() ? "" : " UNION ") + select;
    return all;
}

} // namespace

MarkSets markSelects(const std::string& prefix)
{
    const OwnedRows owned = ownedRows(prefix);
    const std::string posts = unionOf(owned.posts);
    return {posts, owned.comments(posts), unionOf(owned.taxonomies), unionOf(owned.terms)};
}

bool markBlogRows(RunContext& migration, std::vector<EmptyingPlan::Kind>& kinds)
{
    const OwnedRows owned = ownedRows(migration.wordPressPrefix);
    std::vector<std::string> statements = {
        "DROP TEMPORARY TABLE IF EXISTS kestrel_gone_posts, kestrel_gone_comments, kestrel_gone_taxonomies, "
        "kestrel_gone_terms",
    };
    const std::pair<const char*, const std::vector<std::string>*> sets[] = {
        {"posts", &owned.posts}, {"taxonomies", &owned.taxonomies}, {"terms", &owned.terms}};
    for (const char* set : {"posts", "comments", "taxonomies", "terms"})
        statements.push_back("CREATE TEMPORARY TABLE kestrel_gone_" + std::string(set) +
                             " (id BIGINT UNSIGNED PRIMARY KEY)");
    for (const auto& [set, selects] : sets) {
        for (const std::string& select : *selects)
            statements.push_back("INSERT IGNORE INTO kestrel_gone_" + std::string(set) + " " + select);
    }
    statements.push_back("INSERT INTO kestrel_gone_comments " + owned.comments("SELECT id FROM kestrel_gone_posts"));
    for (const std::string& statement : statements) {
        if (!run(migration, statement))
            return false;
    }

    // Counted from the marks: what is marked is what goes.
    const MarkSets marks = {"SELECT id FROM kestrel_gone_posts", "SELECT id FROM kestrel_gone_comments", "", ""};
    if (countRows(migration.wordPress, migration.wordPressPrefix, kinds, &marks))
        return true;
    recordFailure(migration, emptying, migration.wordPressTable("posts"), "");
    return false;
}

bool countBlogRows(Session& wordPress, const std::string& prefix, std::vector<EmptyingPlan::Kind>& kinds)
{
    return countRows(wordPress, prefix, kinds, nullptr);
}

bool countMarkedRows(Session& wordPress, const std::string& prefix, const MarkSets& marks,
                     std::vector<EmptyingPlan::Kind>& kinds)
{
    return countRows(wordPress, prefix, kinds, &marks);
}

namespace {

bool countRows(Session& wordPress, const std::string& prefix, std::vector<EmptyingPlan::Kind>& kinds,
               const MarkSets* marks)
{
    const std::string taxonomies = sqlList(blogTaxonomies);
    const std::string posts = prefix + "posts";
    const std::string termTaxonomy = prefix + "term_taxonomy";
    const MarkSets owned = marks ? *marks : markSelects(prefix);
    const std::string& blogPosts = owned.posts;
    const std::string comments =
        "SELECT 'comments', COUNT(*) FROM " + prefix + "comments WHERE comment_ID IN (" + owned.comments + ")";
    // The receiver plugin counts by name: what, what the blog owns and, once read, the marked posts and comments.
    const auto count = [marks](const char* what, std::string sql) {
        std::vector<Parameter> parameters = ownedParameters(what);
        if (marks && marks->ids && marks->ids->size() == 4)
            parameters.insert(parameters.end(), marks->ids->begin(), marks->ids->begin() + 2);
        return Query("emptying_count", std::move(sql), std::move(parameters));
    };
    std::map<std::string, std::int64_t> posted;
    std::map<std::string, std::int64_t> taxonomy;
    std::map<std::string, std::int64_t> other;
    if (!countInto(wordPress,
                   count("post_types", "SELECT post_type, COUNT(*) FROM " + posts + " WHERE ID IN (" + blogPosts +
                                           ") GROUP BY post_type"),
                   posted) ||
        !countInto(wordPress,
                   count("taxonomies", "SELECT taxonomy, COUNT(*) FROM " + termTaxonomy + " WHERE taxonomy IN " +
                                           taxonomies + " GROUP BY taxonomy"),
                   taxonomy) ||
        !countInto(wordPress, count("comments", comments), other) ||
        !countInto(wordPress, count("links", "SELECT 'links', COUNT(*) FROM " + prefix + "links"), other) ||
        !countInto(wordPress,
                   count("menus", "SELECT 'nav_menu', COUNT(*) FROM (" + broughtMenus(prefix, "x.term_id") + ") menus"),
                   other))
        return false;
    kinds = {{"post", posted["post"]},
             {"page", posted["page"]},
             {"attachment", posted["attachment"]},
             {"revision", posted["revision"]},
             {"comment", other["comments"]},
             {"category", taxonomy["category"]},
             {"post_tag", taxonomy["post_tag"]},
             {"link_category", taxonomy["link_category"]},
             {"post_format", taxonomy["post_format"]},
             {"link", other["links"]}};
    // Only a blog that brought a menu lists it: the counts of every other blog read as they did.
    for (const auto& [name, rows] :
         {std::pair{"nav_menu", other["nav_menu"]}, std::pair{"nav_menu_item", posted["nav_menu_item"]},
          std::pair{"wp_navigation", posted["wp_navigation"]}, std::pair{"wp_block", posted["wp_block"]}}) {
        if (rows > 0)
            kinds.push_back({name, rows});
    }
    return true;
}

} // namespace

std::vector<EmptyingPlan::Table> EmptyingPlan::tablesThatCannotRollBack() const
{
    std::vector<Table> standing;
    for (const Table& table : tables) {
        if (!table.rollsBack)
            standing.push_back(table);
    }
    return standing;
}

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    // information_schema compares table names without case; so does this.
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// Each table's engine, and whether that engine takes part in transactions, as the server says.
bool askEngines(RunContext& migration, std::vector<EmptyingPlan::Table>& tables)
{
    std::vector<std::string> names;
    for (const MarkedTable& table : markedTables()) {
        const std::string name = migration.wordPressTable(table.bare);
        tables.push_back({name, "", false});
        names.push_back(name);
    }
    // A view has no engine: nothing says its rows go back, so it counts as one that cannot.
    ResultSet rows = migration.wordPress.read(
        Query("table_engines",
              "SELECT t.TABLE_NAME, t.ENGINE, e.TRANSACTIONS FROM information_schema.TABLES t LEFT JOIN "
              "information_schema.ENGINES e ON e.ENGINE=t.ENGINE WHERE t.TABLE_SCHEMA=DATABASE() AND "
              "t.TABLE_NAME IN (?1)",
              {std::move(names)}));
    if (!rows)
        return false;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::string name;
        std::string engine;
        std::string transactions;
        readField(rows, 0, name);
        readField(rows, 1, engine);
        readField(rows, 2, transactions);
        for (EmptyingPlan::Table& table : tables) {
            if (sameName(table.name, name)) {
                table.engine = engine;
                table.rollsBack = transactions == "YES";
            }
        }
    }
    return true;
}

} // namespace

EmptyingPlan planEmptying(RunContext& migration, EmlogSource& emlog, std::string backupFile)
{
    EmptyingPlan plan;
    plan.backupFile = std::move(backupFile);
    migration.wordPress.useUnicode();
    auto refuse = [&](EmptyingPlan::Refusal refusal, std::string table, std::string because) {
        plan.refusal = refusal;
        plan.refusedTable = std::move(table);
        plan.refusedBecause = std::move(because);
        return plan;
    };
    for (const std::string_view bare : emlogTablesRead) {
        std::string why;
        if (!emlog.readable(bare, why))
            return refuse(EmptyingPlan::Refusal::EmlogTableUnreadable, emlog.tableName(bare), why);
    }
    for (const MarkedTable& table : markedTables()) {
        const std::string name = migration.wordPressTable(table.bare);
        if (!migration.wordPress.read(Query("no_rows", "SELECT * FROM ?1 LIMIT 0", {Name{name}})))
            return refuse(EmptyingPlan::Refusal::WordPressTableUnreadable, name, migration.wordPress.lastError());
    }
    if (!askEngines(migration, plan.tables))
        return refuse(EmptyingPlan::Refusal::EnginesUnknown, "", migration.wordPress.lastError());
    if (!countBlogRows(migration.wordPress, migration.wordPressPrefix, plan.kinds))
        return refuse(EmptyingPlan::Refusal::NotCounted, "", migration.wordPress.lastError());
    return plan;
}

} // namespace kestrel
