#include "WordPressQueries.h"

namespace kestrel {

namespace {

std::string table(std::string_view prefix, std::string_view bare)
{
    return std::string(prefix).append(bare);
}

// The table a meta table belongs to, and its id column.
struct Owner
{
    std::string_view table;
    std::string_view idColumn;
};

Owner ownerOf(const OriginKey& key)
{
    if (key.metaTable == "commentmeta")
        return {"comments", "comment_ID"};
    if (key.metaTable == "termmeta")
        return {"term_taxonomy", "term_id"};
    if (key.metaTable == "usermeta")
        return {"users", "ID"};
    return {"posts", "ID"};
}

// The taxonomy of a term's kind; none for the others.
std::string taxonomyOf(const OriginKey& key)
{
    if (key.metaTable != "termmeta")
        return {};
    return key.key == origin::category.key ? "category" : key.key == origin::menu.key ? "nav_menu" : "post_tag";
}

// Meta of one origin key (?1 its table, ?2 its key, ?3 its taxonomy) joined to its owner; `what` is the
// select list.
std::string fromOwnedMeta(std::string_view prefix, const OriginKey& key, std::string_view what)
{
    const Owner owner = ownerOf(key);
    const std::string ownerColumn(key.ownerColumn);
    std::string sql = "SELECT " + std::string(what) + " FROM ?1 m JOIN " + table(prefix, owner.table) + " o ON o." +
                      std::string(owner.idColumn) + "=m." + ownerColumn;
    if (key.metaTable == "termmeta")
        sql += " AND o.taxonomy=?3";
    return sql + " WHERE m.meta_key=?2";
}

std::vector<Parameter> originParameters(std::string_view prefix, const OriginKey& key)
{
    return {Name{table(prefix, key.metaTable)}, std::string(key.key), taxonomyOf(key)};
}

} // namespace

namespace reads {

Query option(std::string_view prefix, std::string_view name)
{
    return Query("option", "SELECT option_value FROM " + table(prefix, "options") + " WHERE option_name=?1",
                 {std::string(name)});
}

Query tableCharsets(std::string_view)
{
    return Query("table_charsets", "SELECT TABLE_NAME, SUBSTRING_INDEX(TABLE_COLLATION, '_', 1) FROM "
                                   "information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE()");
}

Query options(std::string_view prefix, std::vector<std::string> names)
{
    return Query("options",
                 "SELECT option_name, option_value FROM " + table(prefix, "options") + " WHERE option_name IN (?1)",
                 {std::move(names)});
}

Query postNames(std::string_view prefix)
{
    return Query("post_names", "SELECT post_name FROM " + table(prefix, "posts") + " WHERE post_name<>''");
}

Query termIds(std::string_view prefix)
{
    return Query("term_ids", "SELECT term_id FROM " + table(prefix, "terms") + " UNION SELECT term_taxonomy_id FROM " +
                                 table(prefix, "term_taxonomy") + " UNION SELECT term_taxonomy_id FROM " +
                                 table(prefix, "term_relationships"));
}

Query postIds(std::string_view prefix)
{
    return Query("post_ids", "SELECT ID FROM " + table(prefix, "posts"));
}

Query copies(std::string_view prefix, const OriginKey& key)
{
    // A term's meta names its term; links name its term_taxonomy row of the right taxonomy.
    const std::string taxonomyId =
        key.metaTable == "termmeta" ? "o.term_taxonomy_id" : "o." + std::string(ownerOf(key).idColumn);
    return Query("copies",
                 fromOwnedMeta(prefix, key, "m.meta_value, m." + std::string(key.ownerColumn) + ", " + taxonomyId),
                 originParameters(prefix, key));
}

Query originCount(std::string_view prefix, const OriginKey& key, std::int64_t emlogId)
{
    // The meta alone is not enough: where the tables cannot undo a row, it goes before its owner.
    std::vector<Parameter> parameters = originParameters(prefix, key);
    parameters.emplace_back(std::to_string(emlogId));
    return Query("origin_count", fromOwnedMeta(prefix, key, "COUNT(*)") + " AND m.meta_value=?4",
                 std::move(parameters));
}

Query links(std::string_view prefix)
{
    return Query("links", "SELECT link_id, link_url, link_name FROM " + table(prefix, "links"));
}

Query linkCount(std::string_view prefix, std::string_view url, std::string_view name)
{
    return Query("link_count", "SELECT COUNT(*) FROM " + table(prefix, "links") + " WHERE link_url=?1 AND link_name=?2",
                 {std::string(url), std::string(name)});
}

Query tablesWithoutTransactions(std::vector<std::string> tables)
{
    return Query("tables_without_transactions",
                 "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN (?1) "
                 "AND ENGINE<>'InnoDB'",
                 {std::move(tables)});
}

Query termSlugs(std::string_view prefix, std::string_view taxonomy)
{
    return Query("term_slugs",
                 "SELECT t.slug, t.term_id FROM " + table(prefix, "terms") + " t JOIN " +
                     table(prefix, "term_taxonomy") + " x ON x.term_id=t.term_id WHERE x.taxonomy=?1",
                 {std::string(taxonomy)});
}

Query users(std::string_view prefix)
{
    return Query("users",
                 "SELECT ID, user_login, user_email, user_nicename FROM " + table(prefix, "users") + " ORDER BY ID");
}

Query administrator(std::string_view prefix)
{
    return Query("administrator",
                 "SELECT COALESCE(MIN(u.ID), 0) FROM " + table(prefix, "users") + " u JOIN " +
                     table(prefix, "usermeta") +
                     " m ON m.user_id=u.ID AND m.meta_key=?1 WHERE m.meta_value LIKE '%\"administrator\"%'",
                 {table(prefix, "capabilities")});
}

Query postFormat(std::string_view prefix, std::string_view slug)
{
    return Query("post_format",
                 "SELECT t.term_id, x.term_taxonomy_id FROM " + table(prefix, "terms") + " t JOIN " +
                     table(prefix, "term_taxonomy") +
                     " x ON x.term_id=t.term_id AND x.taxonomy='post_format' WHERE t.slug=?1 ORDER BY "
                     "x.term_taxonomy_id LIMIT 1",
                 {std::string(slug)});
}

Query lastMenuOrder(std::string_view prefix)
{
    return Query("last_menu_order", "SELECT COALESCE(MAX(menu_order),0) FROM " + table(prefix, "posts") +
                                        " WHERE post_type='nav_menu_item'");
}

Query publishedPosts(std::string_view prefix, std::string_view type)
{
    return Query("published_posts",
                 "SELECT COUNT(*) FROM " + table(prefix, "posts") + " WHERE post_type=?1 AND post_status='publish'",
                 {std::string(type)});
}

Query menusOfTerm(std::string_view prefix, std::int64_t termId)
{
    return Query("menus_of_term",
                 "SELECT COUNT(*) FROM " + table(prefix, "term_taxonomy") + " WHERE taxonomy='nav_menu' AND term_id=?1",
                 {termId});
}

Query termsAt(std::string_view prefix, std::vector<std::int64_t> ids)
{
    return Query("terms_at",
                 "SELECT t.term_id, COALESCE(MIN(x.taxonomy), ''), t.name FROM " + table(prefix, "terms") +
                     " t LEFT JOIN " + table(prefix, "term_taxonomy") +
                     " x ON x.term_id=t.term_id WHERE t.term_id IN (?1) GROUP BY t.term_id, t.name ORDER BY t.term_id",
                 {std::move(ids)});
}

Query postsAt(std::string_view prefix, std::vector<std::int64_t> ids)
{
    return Query("posts_at",
                 "SELECT ID, post_type, post_title FROM " + table(prefix, "posts") + " WHERE ID IN (?1) ORDER BY ID",
                 {std::move(ids)});
}

Query linksAt(std::string_view prefix, std::vector<std::int64_t> ids)
{
    return Query("links_at",
                 "SELECT link_id, 'link', link_name FROM " + table(prefix, "links") +
                     " WHERE link_id IN (?1) ORDER BY link_id",
                 {std::move(ids)});
}

Query shownPosts(std::string_view prefix, std::vector<std::int64_t> ids)
{
    return Query("shown_posts",
                 "SELECT ID, post_type, post_status, post_password, post_title, post_content, guid FROM " +
                     table(prefix, "posts") + " WHERE ID IN (?1)",
                 {std::move(ids)});
}

Query shownComments(std::string_view prefix, std::vector<std::int64_t> ids)
{
    return Query("shown_comments",
                 "SELECT comment_ID, comment_post_ID, comment_parent, comment_approved, comment_content FROM " +
                     table(prefix, "comments") + " WHERE comment_ID IN (?1)",
                 {std::move(ids)});
}

Query postTerms(std::string_view prefix, std::vector<std::int64_t> ids)
{
    return Query("post_terms",
                 "SELECT r.object_id, t.term_taxonomy_id, t.taxonomy FROM " + table(prefix, "term_relationships") +
                     " r JOIN " + table(prefix, "term_taxonomy") +
                     " t ON t.term_taxonomy_id=r.term_taxonomy_id WHERE t.taxonomy IN ('category','post_tag') AND "
                     "r.object_id IN (?1)",
                 {std::move(ids)});
}

Query shownLinks(std::string_view prefix)
{
    return Query("shown_links", "SELECT link_url, link_name, link_visible FROM " + table(prefix, "links"));
}

Query postMeta(std::string_view prefix, std::string_view key, std::vector<std::int64_t> ids)
{
    return Query("post_meta",
                 "SELECT post_id, meta_value FROM " + table(prefix, "postmeta") +
                     " WHERE meta_key=?1 AND post_id IN (?2)",
                 {std::string(key), std::move(ids)});
}

} // namespace reads

namespace changes {

Change updateOption(std::string_view prefix, std::string_view name, std::string_view value)
{
    return Change("update_option", "UPDATE " + table(prefix, "options") + " SET option_value=?2 WHERE option_name=?1",
                  {std::string(name), std::string(value)});
}

Change updateOptionFrom(std::string_view prefix, std::string_view name, std::string_view was, std::string_view value)
{
    return Change("update_option_from",
                  "UPDATE " + table(prefix, "options") +
                      " SET option_value=?3 WHERE option_name=?1 AND option_value=?2",
                  {std::string(name), std::string(was), std::string(value)});
}

Change setOption(std::string_view prefix, std::string_view name, std::string_view value)
{
    return Change("set_option",
                  "INSERT INTO " + table(prefix, "options") +
                      " (option_name, option_value, autoload) VALUES (?1,?2,'yes') ON DUPLICATE KEY UPDATE "
                      "option_value=?2",
                  {std::string(name), std::string(value)});
}

Change recountTerms(std::string_view prefix, std::vector<std::int64_t> termTaxonomyIds)
{
    const std::string termTaxonomy = table(prefix, "term_taxonomy");
    return Change("recount_terms",
                  "UPDATE " + termTaxonomy + " SET count=(SELECT COUNT(*) FROM " + table(prefix, "term_relationships") +
                      " r JOIN " + table(prefix, "posts") +
                      " p ON p.ID=r.object_id WHERE r.term_taxonomy_id=" + termTaxonomy +
                      ".term_taxonomy_id AND p.post_status='publish' AND p.post_type='post') WHERE term_taxonomy_id "
                      "IN (?1)",
                  {std::move(termTaxonomyIds)});
}

Change recountMenu(std::string_view prefix, std::int64_t termTaxonomyId)
{
    return Change("recount_menu",
                  "UPDATE " + table(prefix, "term_taxonomy") + " SET count=(SELECT COUNT(*) FROM " +
                      table(prefix, "term_relationships") + " WHERE term_taxonomy_id=?1) WHERE term_taxonomy_id=?1",
                  {termTaxonomyId});
}

Change recountComments(std::string_view prefix, std::vector<std::int64_t> postIds)
{
    return Change("recount_comments",
                  "UPDATE " + table(prefix, "posts") + " p SET comment_count=(SELECT COUNT(*) FROM " +
                      table(prefix, "comments") +
                      " c WHERE c.comment_post_ID=p.ID AND c.comment_approved='1') WHERE p.ID IN (?1)",
                  {std::move(postIds)});
}

Change setPostContent(std::string_view prefix, std::int64_t id, std::string_view content)
{
    return Change("set_post_content", "UPDATE " + table(prefix, "posts") + " SET post_content=?2 WHERE ID=?1",
                  {id, std::string(content)});
}

Change setPostTexts(std::string_view prefix, std::int64_t id, std::string_view content, std::string_view excerpt)
{
    return Change("set_post_texts",
                  "UPDATE " + table(prefix, "posts") + " SET post_content=?2, post_excerpt=?3 WHERE ID=?1",
                  {id, std::string(content), std::string(excerpt)});
}

Change deleteOrphanedOrigins(std::string_view prefix, const OriginKey& key)
{
    const Owner owner = ownerOf(key);
    const std::string id = "o." + std::string(owner.idColumn);
    return Change("delete_orphaned_origins",
                  "DELETE m FROM ?1 m LEFT JOIN " + table(prefix, owner.table) + " o ON " + id + "=m." +
                      std::string(key.ownerColumn) + " WHERE m.meta_key=?2 AND " + id + " IS NULL",
                  {Name{table(prefix, key.metaTable)}, std::string(key.key)});
}

} // namespace changes

} // namespace kestrel
