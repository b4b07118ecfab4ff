#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

struct MigrationRun;

// Absolute links to the old blog's own address become relative links ("..").
extern const std::string_view siteAddress;

// The columns of an emlog article that reach WordPress.
struct Article
{
    std::int64_t gid = 0;
    std::int64_t author = 0;
    std::int64_t date = 0; // Unix time
    std::int64_t comnum = 0;
    std::int64_t sortid = 0;
    std::string title;
    std::string content;
    std::string hide = "n";    // 'y': a draft
    std::string checked = "y"; // 'n': awaiting review
    std::string password;
};

// An article stays private in WordPress when emlog kept it from readers.
bool isDraft(const Article& article);

struct PostFields
{
    std::string assignments;         // the post's row
    bool categoryLinkWritten = true; // whether the relationship row reached WordPress (when there was one)
};

// Writes the article's category link into term_relationships and gives the post's assignment list.
PostFields buildPostFields(MigrationRun& run, const Article& article);

// "'" becomes "’" throughout.
std::string replaceApostrophes(std::string_view text);

} // namespace kestrel
