#pragma once

#include "IdMap.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel {

// Every row copied from emlog carries its emlog id (in decimal) in one of
// WordPress's meta tables, so that a later run, the old-address redirects and
// the checks can find it again. These names are shared with the redirect
// plugin and with every blog already migrated: never change them.
struct OriginKey
{
    std::string_view metaTable;   // bare WordPress table: postmeta, commentmeta, termmeta, usermeta
    std::string_view ownerColumn; // the column of that table naming the row: post_id, comment_id, ...
    std::string_view key;         // meta_key
};

namespace origin {
inline constexpr OriginKey article{"postmeta", "post_id", "_emlog_gid"}; // articles and pages
inline constexpr OriginKey attachment{"postmeta", "post_id", "_emlog_aid"};
inline constexpr OriginKey comment{"commentmeta", "comment_id", "_emlog_cid"};
inline constexpr OriginKey category{"termmeta", "term_id", "_emlog_sid"};
inline constexpr OriginKey tag{"termmeta", "term_id", "_emlog_tid"};
inline constexpr OriginKey user{"usermeta", "user_id", "_emlog_uid"};
// A menu item copied from a row of emlog's navi.
inline constexpr OriginKey navigation{"postmeta", "post_id", "_emlog_navi"};
// The menu those items are in, and the site's wp_navigation post made of them: the blog has one
// navigation bar, so each names the emlog id `theBlogsMenu`.
inline constexpr OriginKey menu{"termmeta", "term_id", "_emlog_menu"};
inline constexpr OriginKey navigationBlock{"postmeta", "post_id", "_emlog_navigation_block"};
inline constexpr std::int64_t theBlogsMenu = 1;
// A reusable block (wp_block) made of the sidebar text emlog named custom_wg_N: N.
inline constexpr OriginKey widget{"postmeta", "post_id", "_emlog_widget"};
inline constexpr OriginKey twitter{"postmeta", "post_id", "_emlog_twitter_id"};   // a 微语
inline constexpr OriginKey reply{"commentmeta", "comment_id", "_emlog_reply_id"}; // a reply to a 微语
// The attachment a 微语's image became names its 微语's emlog id here.
inline constexpr std::string_view twitterImageKey = "_emlog_twitter_img";
// The blog's faces, each an attachment made of a file emlog showed: a member's photo (user.photo) by
// the member's uid; a comment's own avatar (emlog pro's comment.avatar) by the comment's cid, where
// comments showing one file share its attachment, each naming it; the logo and the favicon of the
// blog's template by the id of their row of tpl_options_data (emlog pro).
inline constexpr OriginKey photo{"postmeta", "post_id", "_emlog_photo_uid"};
inline constexpr OriginKey avatar{"postmeta", "post_id", "_emlog_avatar_cid"};
inline constexpr OriginKey templateImage{"postmeta", "post_id", "_emlog_tpl_option_id"};
// The alias an article, page or category had in emlog's addresses.
inline constexpr std::string_view aliasKey = "_emlog_alias";
} // namespace origin

// Where a copied row sits in WordPress. For a term, `id` is its term_id and
// `taxonomyId` its term_taxonomy_id (what links name); otherwise both are its id.
struct Copy
{
    std::int64_t id = 0;
    std::int64_t taxonomyId = 0;
};
// The rows of one kind already in WordPress, by emlog id: 16 bytes each, for a run keeps one for
// every row it copied (200,000 comments, say). The few taxonomy ids that differ from their
// term's id are kept beside them.
class Copies
{
public:
    bool empty() const { return m_ids.empty(); }
    std::size_t size() const { return m_ids.size(); }
    bool contains(std::int64_t emlogId) const { return m_ids.contains(emlogId); }
    std::optional<Copy> find(std::int64_t emlogId) const;
    // The first copy of an emlog row stands: a second is not added. False when one was there.
    bool add(std::int64_t emlogId, Copy copy);
    // Where the row is now, whatever was known of it before.
    void set(std::int64_t emlogId, Copy copy);
    // Each copy, in the order of the emlog ids: each(emlogId, copy).
    template <typename Each> void forEach(Each each) const
    {
        m_ids.forEach([&](std::int64_t emlogId, std::int64_t id) {
            each(emlogId, Copy{id, taxonomyIdOf(emlogId, id)});
        });
    }

private:
    std::int64_t taxonomyIdOf(std::int64_t emlogId, std::int64_t id) const;
    void setTaxonomyId(std::int64_t emlogId, const Copy& copy);

    IdMap m_ids;
    std::unordered_map<std::int64_t, std::int64_t> m_taxonomyIds; // by emlog id, where not the id
};

} // namespace kestrel
