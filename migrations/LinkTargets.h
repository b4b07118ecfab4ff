#pragma once

#include "BlogLinks.h"
#include "OriginKeys.h"
#include "Query.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel {

struct MigrationRun;

// Where the old blog's own addresses lead in WordPress, under any permalink structure and
// without the redirect plugin: an article to ?p= (or ?page_id=) of the post copied from it,
// a category to ?cat=, a tag to ?tag= its slug, the home page to WordPress's home, any other path
// to the same path under that home. WordPress's canonical redirect takes a reader on to the
// permalink. Files under content/ go where the run's contentAddress says, or stay on the old blog;
// emlog pro's download links lead to their attachment's copied file, or stay as they are.
class LinkTargets
{
public:
    explicit LinkTargets(MigrationRun& run);
    // What read() asks WordPress, to read it ahead.
    static std::vector<Query> wordPressQueries(MigrationRun& run);
    // Reads emlog's address, how it wrote its addresses, its articles and tags, and WordPress's home and tag slugs.
    // False when WordPress could not be read (recorded under `migration`). A blog whose own tables
    // cannot be read keeps its links as they are, and the report says so.
    bool read(std::string_view migration);

    // Whether the blog has an address of its own to look for.
    bool any() const { return m_blog.has_value(); }
    // The text with every link to the blog made WordPress's. `placed` holds the articles this
    // run has given an id so far (emlog gid → WordPress ID). `waiting` is set when a link names
    // an article of the blog that has no post yet: that link is left as it was. Without
    // `waiting`, such a link leads to its path under WordPress's home, as any other path.
    std::string rewrite(std::string_view text, const IdMap& placed, bool* waiting) const;

    // One address (a menu item's), made WordPress's when it leads into the blog.
    std::string rewriteAddress(std::string_view address) const { return rewrite(address, {}, nullptr); }

private:
    std::string resolve(const BlogLink& link, const IdMap& placed, bool* waiting) const;
    std::string underHome(std::string_view path) const;

    MigrationRun& m_run;
    std::optional<BlogAddress> m_blog;
    const BlogAddressing* m_addressing = nullptr;             // the run's, once read
    std::string m_home;                                       // WordPress's home option, without a closing "/"
    IdMap m_articles;                                         // emlog gid → 1 for a page, 0 for a post
    std::unordered_map<std::string, std::int64_t> m_tags;     // tag name → tid
    std::unordered_map<std::int64_t, std::string> m_tagSlugs; // WordPress term id → slug
};

} // namespace kestrel
