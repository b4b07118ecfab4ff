#pragma once

#include "OriginKeys.h"
#include "Query.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// Every read and change by name a run, a check or an emptying asks of WordPress, each by the prefix of its
// tables. Through MySQL each goes as the SQL written here; the receiver plugin has each by its name, and
// makes the same of it (wordpress-plugin/kestrel-receiver/includes/reads.php).
namespace reads {

Query option(std::string_view prefix, std::string_view name);
// Every table of the site's database with its character set (the plugin's answer names only the site's).
Query tableCharsets(std::string_view prefix);
Query options(std::string_view prefix, std::vector<std::string> names);
// post_name of every post that has one.
Query postNames(std::string_view prefix);
// Every id a term, a term_taxonomy row or a link to one takes.
Query termIds(std::string_view prefix);
Query postIds(std::string_view prefix);
// The copies of one kind: each copy's meta value (the emlog id as stored), the copy's id and, for a term,
// its term_taxonomy_id. Only meta whose owner still exists counts, and a term only in its kind's taxonomy.
Query copies(std::string_view prefix, const OriginKey& key);
// How many such meta rows name this emlog id.
Query originCount(std::string_view prefix, const OriginKey& key, std::int64_t emlogId);
// link_id, link_url and link_name of every link.
Query links(std::string_view prefix);
Query linkCount(std::string_view prefix, std::string_view url, std::string_view name);
// How many of these tables (whole names) cannot undo a row: not InnoDB.
Query tablesWithoutTransactions(std::vector<std::string> tables);
// slug and term_id of every term of a taxonomy.
Query termSlugs(std::string_view prefix, std::string_view taxonomy);
// ID, user_login, user_email, user_nicename of every user, by ID.
Query users(std::string_view prefix);
// The lowest id of an administrator; 0 when there is none.
Query administrator(std::string_view prefix);
// term_id and term_taxonomy_id of the post format whose term has this slug.
Query postFormat(std::string_view prefix, std::string_view slug);
Query lastMenuOrder(std::string_view prefix);
Query publishedPosts(std::string_view prefix, std::string_view type);
Query menusOfTerm(std::string_view prefix, std::int64_t termId);
// What WordPress holds at these ids, as id, type and title: terms (their taxonomy), posts (their type),
// links ("link").
Query termsAt(std::string_view prefix, std::vector<std::int64_t> ids);
Query postsAt(std::string_view prefix, std::vector<std::int64_t> ids);
Query linksAt(std::string_view prefix, std::vector<std::int64_t> ids);
// What a verification reads of what a reader is shown. Posts: ID, post_type, post_status, post_password,
// post_title, post_content, guid.
Query shownPosts(std::string_view prefix, std::vector<std::int64_t> ids);
// comment_ID, comment_post_ID, comment_parent, comment_approved, comment_content.
Query shownComments(std::string_view prefix, std::vector<std::int64_t> ids);
// The categories and tags of these posts: object_id, term_taxonomy_id, taxonomy.
Query postTerms(std::string_view prefix, std::vector<std::int64_t> ids);
// link_url, link_name, link_visible of every link.
Query shownLinks(std::string_view prefix);
// post_id and meta_value of the meta of this key of these posts.
Query postMeta(std::string_view prefix, std::string_view key, std::vector<std::int64_t> ids);

} // namespace reads

namespace changes {

// Sets an option the site has; one it has not stays unset.
Change updateOption(std::string_view prefix, std::string_view name, std::string_view value);
// Sets an option to `value` only while it still holds `was`.
Change updateOptionFrom(std::string_view prefix, std::string_view name, std::string_view was, std::string_view value);
// Sets an option, adding it where the site has none.
Change setOption(std::string_view prefix, std::string_view name, std::string_view value);
// Each term's count as WordPress's own recount gives it: the published posts linked to it.
Change recountTerms(std::string_view prefix, std::vector<std::int64_t> termTaxonomyIds);
// A menu's count: the items linked to it.
Change recountMenu(std::string_view prefix, std::int64_t termTaxonomyId);
// Each post's comment_count as WordPress's own recount gives it: its approved comments.
Change recountComments(std::string_view prefix, std::vector<std::int64_t> postIds);
Change setPostContent(std::string_view prefix, std::int64_t id, std::string_view content);
Change setPostTexts(std::string_view prefix, std::int64_t id, std::string_view content, std::string_view excerpt);
// Meta of one origin key whose owner is gone.
Change deleteOrphanedOrigins(std::string_view prefix, const OriginKey& key);

} // namespace changes

} // namespace kestrel
