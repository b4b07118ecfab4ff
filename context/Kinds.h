#pragma once

#include "OriginKeys.h"

#include <string_view>

namespace kestrel {

// The kinds of row a run copies, in the order it copies them, so that each row finds its owner's
// copy when it is written. Each has an ASCII id: the failure log, the check and the JSON report
// name kinds by it, and only the window's and the terminal's texts give them a label.
enum class Kind {
    users,
    categories,
    tags,
    posts,
    comments,
    attachments,
    links,
    twitter,
    replies,
    navigation,
    widgets,
    faces
};

struct KindInfo
{
    Kind kind;
    std::string_view id;             // "posts"
    std::string_view emlogTable;     // bare
    std::string_view idColumn;       // emlog's id column
    const OriginKey* origin;         // where a copy names its emlog row; none for links (see linksThere)
    std::string_view wordPressTable; // bare: where its rows go
};

inline constexpr KindInfo kinds[] = {
    {Kind::users, "users", "user", "uid", &origin::user, "users"},
    {Kind::categories, "categories", "sort", "sid", &origin::category, "terms"},
    {Kind::tags, "tags", "tag", "tid", &origin::tag, "terms"},
    {Kind::posts, "posts", "blog", "gid", &origin::article, "posts"},
    {Kind::comments, "comments", "comment", "cid", &origin::comment, "comments"},
    {Kind::attachments, "attachments", "attachment", "aid", &origin::attachment, "posts"},
    {Kind::links, "links", "link", "id", nullptr, "links"},
    {Kind::twitter, "twitter", "twitter", "id", &origin::twitter, "posts"}, // 微语
    {Kind::replies, "replies", "reply", "id", &origin::reply, "comments"},  // the replies to 微语
    // emlog's navigation bar: items of one WordPress menu.
    {Kind::navigation, "navigation", "navi", "id", &origin::navigation, "posts"},
    // The owner's own sidebar texts, kept in emlog's options (custom_widget): reusable blocks.
    {Kind::widgets, "widgets", "options", "option_id", &origin::widget, "posts"},
    // Members' photos, comments' avatars, the template's logo and favicon: attachments, each named by
    // the row that showed it (origin::photo, origin::avatar, origin::templateImage; see faceOrigins).
    {Kind::faces, "faces", "tpl_options_data", "id", &origin::templateImage, "posts"},
};

// The origins of the faces, by the emlog table whose rows show them.
struct FaceOrigin
{
    std::string_view emlogTable;
    std::string_view idColumn;
    const OriginKey* origin;
};
inline constexpr FaceOrigin faceOrigins[] = {{"user", "uid", &origin::photo},
                                             {"comment", "cid", &origin::avatar},
                                             {"tpl_options_data", "id", &origin::templateImage}};

constexpr const KindInfo& infoOf(Kind kind)
{
    return kinds[static_cast<int>(kind)];
}
constexpr std::string_view idOf(Kind kind)
{
    return infoOf(kind).id;
}

// emlog 6.x has no 微语, and only emlog pro has template settings: a blog without their tables has none,
// and nothing is missing.
constexpr bool blogMayLack(Kind kind)
{
    return kind == Kind::twitter || kind == Kind::replies || kind == Kind::faces;
}

// Steps of a run that copy no rows of their own but may fail, named in the failure log like kinds.
namespace step {
inline constexpr std::string_view emptying = "emptying";
inline constexpr std::string_view files = "files";       // the blog's files, copied before the rows naming them
inline constexpr std::string_view backup = "backup";     // emlog's backup file, when the rows come from one
inline constexpr std::string_view timeZone = "timezone"; // WordPress taking emlog's time zone
inline constexpr std::string_view footer = "footer";     // the ICP number and footer text, for the plugin
inline constexpr std::string_view settings = "settings"; // the site's name and settings taking emlog's
} // namespace step

} // namespace kestrel
