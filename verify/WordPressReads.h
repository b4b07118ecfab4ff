#pragma once

#include "OriginKeys.h"
#include "Query.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct RunContext;
class ResultSet;

// A post of WordPress as the checks read it.
struct PostRead
{
    std::int64_t id = 0;
    std::string type;
    std::string status;
    std::string password;
    std::string title;
    std::string content;
    std::string guid;
};

// A comment of WordPress as the checks read it.
struct CommentRow
{
    std::int64_t id = 0;
    std::int64_t postId = 0;
    std::int64_t parent = 0;
    std::string approved;
    std::string content;
};

// Every read the verification makes of WordPress, each named, so that the session under them can
// change without the checks knowing. Each reads only; each is false (or nothing) when WordPress
// could not be asked, with the session's words in lastError().
class WordPressReads
{
public:
    explicit WordPressReads(RunContext& run) : m_run(run) {}

    std::optional<Copies> copies(const OriginKey& key);
    // An option's value; nothing inside when the site has no such option.
    std::optional<std::optional<std::string>> option(std::string_view name);
    bool posts(const std::vector<std::int64_t>& ids, const std::function<void(const PostRead&)>& each);
    bool comments(const std::vector<std::int64_t>& ids, const std::function<void(const CommentRow&)>& each);
    // The categories and tags of these posts: each(post id, term_taxonomy_id, taxonomy).
    bool postTerms(const std::vector<std::int64_t>& ids,
                   const std::function<void(std::int64_t, std::int64_t, const std::string&)>& each);
    // Every link: each(url, name, visible).
    bool links(const std::function<void(const std::string&, const std::string&, const std::string&)>& each);
    // The post's meta of this key: each(post id, value).
    bool postMeta(const std::vector<std::int64_t>& ids, std::string_view key,
                  const std::function<void(std::int64_t, const std::string&)>& each);

    std::string lastError() const;

private:
    // Rows of a select over ids, several hundred ids to a select; false when one failed.
    bool byIds(const std::vector<std::int64_t>& ids, const std::function<Query(std::vector<std::int64_t>)>& select,
               const std::function<void(const ResultSet&)>& each);

    RunContext& m_run;
};

} // namespace kestrel
