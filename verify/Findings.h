#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// What a verification checks, by ASCII id: the JSON report names them, and only the front ends
// give them words.
namespace check {
inline constexpr std::string_view missing = "missing";                     // no copy names the emlog row
inline constexpr std::string_view status = "status";                       // published, draft, pending, private...
inline constexpr std::string_view password = "password";                   // the article's password
inline constexpr std::string_view title = "title";                         // the stored title
inline constexpr std::string_view text = "text";                           // the stored visible text
inline constexpr std::string_view address = "address";                     // the copy's address does not answer
inline constexpr std::string_view shown = "shown";                         // the page does not show the title or text
inline constexpr std::string_view categories = "categories";               // the article's categories
inline constexpr std::string_view tags = "tags";                           // the article's tags
inline constexpr std::string_view file = "file";                           // a picture or file that does not answer
inline constexpr std::string_view bytes = "bytes";                         // a file that is not emlog's bytes
inline constexpr std::string_view link = "link";                           // a link to the blog leads elsewhere
inline constexpr std::string_view approved = "approved";                   // a comment's approval
inline constexpr std::string_view thread = "thread";                       // a comment's place in its thread
inline constexpr std::string_view oldArticleAddress = "article-address";   // leads elsewhere
inline constexpr std::string_view oldCategoryAddress = "category-address"; // leads elsewhere
inline constexpr std::string_view plugin = "plugin";                       // the redirect plugin is not active
inline constexpr std::string_view setting = "setting";                     // a setting of the site
} // namespace check

// The kind of finding about the old addresses, beside the kinds of row.
inline constexpr std::string_view addressesKind = "addresses";

// One thing a reader of the new site would meet otherwise than the run meant it.
struct Finding
{
    std::string kind;                    // a kind's ASCII id, or addressesKind
    std::optional<std::int64_t> emlogId; // the emlog row concerned, when one is
    std::string check;                   // one of check::
    std::string expected;
    std::string seen;
    std::string address;    // the new site's address concerned, when there is one
    std::string oldAddress; // emlog's address of the row, when it has one
};

// What a verification found: how many rows of each kind it checked (by kind id, in the run's
// order, then the old addresses), and what differed.
struct Verification
{
    std::vector<std::pair<std::string, std::int64_t>> verified;
    std::vector<Finding> findings;
    bool stopped = false; // asked to stop: what was checked so far
    std::string site;     // the served site that was asked

    void count(std::string_view kind, std::int64_t rows = 1);
    std::int64_t verifiedOf(std::string_view kind) const;
};

} // namespace kestrel
