#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kestrel {

struct MigrationRun;
class EmlogRow;
class RowValues;

// The columns of an emlog article or page that reach WordPress. A column this
// emlog version lacks keeps its default here.
struct Article
{
    std::int64_t gid = 0;
    std::int64_t author = 1;
    std::int64_t date = 0; // Unix time
    std::int64_t comnum = 0;
    std::int64_t sortid = -1;
    std::int64_t parent = 0; // emlog pro: the page above this one
    std::string title;
    std::string content;
    std::string excerpt;
    std::string alias;
    std::string type = "blog"; // or "page"
    std::string hide = "n";    // 'y': a draft
    std::string checked = "y"; // 'n': awaiting review
    std::string top = "n";     // 'y': sticky
    std::string allowRemark = "y";
    std::string password;
    std::string link; // emlog pro: the address the article sends its visitors to instead
    std::int64_t views = 0;
    // emlog pro's counts of likes, dislikes and saves; unset on the versions without them.
    std::optional<std::int64_t> likes;
    std::optional<std::int64_t> dislikes;
    std::optional<std::int64_t> collects;
    // Only emlog pro held back an article dated later: 6.x and 5.x showed it at once.
    bool schedules = false;
};

// An article or page as its emlog row gives it.
Article readArticle(const EmlogRow& row);

// An article stays private in WordPress when emlog kept it from readers: a draft, or one
// awaiting review (pending).
bool isDraft(const Article& article);
bool isPending(const Article& article);
bool isPage(const Article& article);
// emlog held back an article dated after `now`; WordPress publishes it when its time comes.
bool isScheduled(const Article& article, std::int64_t now);

// Where the article goes in WordPress, decided before its row is built.
struct PostPlace
{
    std::int64_t id = 0;
    std::int64_t author = 0;
    std::int64_t parent = 0;
    std::string slug; // post_name: what WordPress finds the post's address by
};

// The content and the excerpt as the old blog showed them (emlog pro's Markdown made HTML),
// with their links to the blog made WordPress's.
struct PostText
{
    std::string content;
    std::string excerpt;
};

struct PostRow;
// The post's row. Its title is stored escaped, as emlog showed it; its times are local in
// the run's zone, and an article emlog would still hold back is scheduled.
PostRow articlePost(MigrationRun& run, const Article& article, const PostPlace& place, const PostText& text);

} // namespace kestrel
