#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace kestrel {

class RowValues;
class Session;
class EmlogRow;
struct MigrationRun;

// The columns of an emlog comment that reach WordPress. A column this emlog
// version lacks keeps its default here.
struct Comment
{
    std::int64_t cid = 0;
    std::int64_t gid = 0;
    std::int64_t pid = 0; // the comment this one replies to; 0 for none
    std::int64_t date = 0;
    std::int64_t uid = 0; // emlog pro: the user who wrote it; 0 for a guest
    std::string poster;
    std::string comment;
    std::string mail;
    std::string url;
    std::string ip;
    std::string hide = "n"; // 'y' (or, in old tables, a non-zero number): held back from readers
    std::string agent;      // emlog pro: the browser's user agent
    bool plainText = false; // shown as the text it is, without the markup emlog made of a comment's UBB
    std::string type;       // comment_type: "" for a comment, "trackback"
    std::string title;      // a trackback's: in bold before its text, as WordPress keeps its own
};

bool isHidden(const Comment& comment);
// A comment as its emlog row gives it.
Comment readComment(const EmlogRow& row);
// Its text as WordPress stores it: escaped as emlog showed it, its UBB made markup.
std::string commentText(const Comment& comment);

// Where the comment goes in WordPress, decided before its row is built.
struct CommentPlace
{
    std::int64_t id = 0;
    std::int64_t postId = 0;
    std::int64_t parentId = 0; // the WordPress id of the comment it replies to, or 0
    std::int64_t userId = 0;
};

// The comment's row: its author's name and its text stored escaped, as emlog showed them (its
// line breaks kept for WordPress's own paragraphs, a comment's UBB made markup), its time local
// in the run's zone.
RowValues buildCommentFields(MigrationRun& run, const Comment& comment, const CommentPlace& place);

// Each post's count of approved comments made again, as WordPress's wp_update_comment_count makes
// it, for the posts that comments of another kind (trackbacks, the owner's answers) arrived on.
void recountComments(MigrationRun& run, std::string_view migration, const std::unordered_set<std::int64_t>& posts);

} // namespace kestrel
