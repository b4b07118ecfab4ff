#include "BlogConnection.h"
#include "CheckParts.h"
#include "MigrationRun.h"
#include "Origins.h"
#include "ResultSet.h"
#include "TextHelpers.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <utility>

namespace kestrel::check {

namespace {

// One kind of emlog row as a run copies it, in the run's order.
struct Kind
{
    std::string_view name;           // the migration's name
    std::string_view emlogTable;     // bare
    std::string_view idColumn;       // emlog's id column
    const OriginKey* origin;         // how an earlier copy is found; none for links
    std::string_view wordPressTable; // bare: where its rows go
    // For kinds whose rows keep their emlog id: what WordPress holds at those ids,
    // as id, type and title ({wp} is the prefix, {ids} the list). Empty for kinds WordPress numbers.
    std::string_view holdersAtIds;
};

const Kind kinds[] = {
    {"用户", "user", "uid", &origin::user, "users", ""},
    {"分类", "sort", "sid", &origin::category, "terms",
     "SELECT t.term_id, COALESCE(MIN(x.taxonomy), ''), t.name FROM {wp}terms t LEFT JOIN {wp}term_taxonomy x "
     "ON x.term_id=t.term_id WHERE t.term_id IN ({ids}) GROUP BY t.term_id, t.name ORDER BY t.term_id"},
    {"标签", "tag", "tid", &origin::tag, "terms", ""},
    {"文章", "blog", "gid", &origin::article, "posts",
     "SELECT ID, post_type, post_title FROM {wp}posts WHERE ID IN ({ids}) ORDER BY ID"},
    {"评论", "comment", "cid", &origin::comment, "comments", ""},
    {"附件", "attachment", "aid", &origin::attachment, "posts", ""},
    {"友情链接", "link", "id", nullptr, "links",
     "SELECT link_id, 'link', link_name FROM {wp}links WHERE link_id IN ({ids}) ORDER BY link_id"},
};

// The WordPress table and id column of the rows a meta table describes.
std::pair<std::string_view, std::string_view> ownerOf(const OriginKey& key)
{
    if (key.metaTable == "commentmeta")
        return {"comments", "comment_ID"};
    if (key.metaTable == "termmeta")
        return {"terms", "term_id"};
    if (key.metaTable == "usermeta")
        return {"users", "ID"};
    return {"posts", "ID"};
}

struct Context
{
    const EmlogRows& emlogRows;
    BlogConnection& wordPress;
    const CheckSettings& settings;
    BlogCheckReport& report;

    Rows wordPressRows(std::string_view sql)
    {
        return selectRows(wordPress, replaceAll(sql, "{wp}", settings.wordPressPrefix), report.errors);
    }
};

// emlog ids whose rows an earlier run copied: their origin meta is on a row that is there.
std::set<std::int64_t> copiedBefore(Context& context, const OriginKey& key)
{
    const auto [owner, ownerId] = ownerOf(key);
    std::set<std::int64_t> ids;
    for (const auto& row :
         context.wordPressRows("SELECT m.meta_value FROM {wp}" + std::string(key.metaTable) + " m JOIN {wp}" +
                               std::string(owner) + " o ON o." + std::string(ownerId) + "=m." +
                               std::string(key.ownerColumn) + " WHERE m.meta_key='" + std::string(key.key) + "'"))
        ids.insert(leadingInteger(row[0]));
    return ids;
}

// A link has no meta: it is there when WordPress has one with the same address and name.
std::set<std::int64_t> linksThere(Context& context, const std::string& emlogTable)
{
    std::set<std::pair<std::string, std::string>> present;
    for (auto& row : context.wordPressRows("SELECT link_url, link_name FROM {wp}links"))
        present.emplace(std::move(row[0]), std::move(row[1]));
    std::set<std::int64_t> ids;
    for (const auto& row : context.emlogRows(emlogTable, {"id", "siteurl", "sitename"})) {
        if (present.count({row[1], row[2]}))
            ids.insert(leadingInteger(row[0]));
    }
    return ids;
}

void findHolders(Context& context, const Kind& kind, const std::vector<std::int64_t>& ids, KindCheck& check)
{
    constexpr std::size_t batch = 500;
    for (std::size_t first = 0; first < ids.size(); first += batch) {
        std::string list;
        for (std::size_t i = first; i < std::min(ids.size(), first + batch); ++i)
            list += (list.empty() ? "" : ",") + std::to_string(ids[i]);
        for (auto& row : context.wordPressRows(replaceAll(kind.holdersAtIds, "{ids}", list)))
            check.taken.push_back({leadingInteger(row[0]), std::move(row[1]), std::move(row[2])});
    }
}

} // namespace

void checkExistingRows(const EmlogRows& emlogRows, BlogConnection& wordPress, const CheckSettings& settings,
                       BlogCheckReport& report)
{
    Context context{emlogRows, wordPress, settings, report};
    const bool wordPressReadable = report.wordPress.complete();
    for (const Kind& kind : kinds) {
        const std::string emlogTable = settings.emlogPrefix + std::string(kind.emlogTable);
        const CheckedTable* table = report.emlog.find(emlogTable);
        if (!table || !table->present)
            continue;
        KindCheck& check = report.kinds.emplace_back();
        check.kind = kind.name;
        check.idColumn = kind.idColumn;

        std::vector<std::int64_t> ids;
        for (const auto& row : emlogRows(emlogTable, {std::string(kind.idColumn)}))
            ids.push_back(leadingInteger(row[0]));
        check.rows = static_cast<std::int64_t>(ids.size());

        check.emptiedFirst = settings.emptyWordPressFirst &&
                             std::find(std::begin(wordPressTables), std::end(wordPressTables), kind.wordPressTable) !=
                                 std::end(wordPressTables);
        if (check.emptiedFirst || !wordPressReadable)
            continue;

        const std::set<std::int64_t> there =
            kind.origin ? copiedBefore(context, *kind.origin) : linksThere(context, emlogTable);
        std::vector<std::int64_t> notThere;
        for (const std::int64_t id : ids) {
            if (there.count(id))
                ++check.alreadyThere;
            else
                notThere.push_back(id);
        }
        if (!kind.holdersAtIds.empty())
            findHolders(context, kind, notThere, check);
    }

    if (settings.emptyWordPressFirst && wordPressReadable) {
        for (const std::string_view bare : wordPressTables) {
            const Rows count = context.wordPressRows("SELECT COUNT(*) FROM {wp}" + std::string(bare));
            if (!count.empty())
                report.emptiedFirst.push_back(
                    {settings.wordPressPrefix + std::string(bare), leadingInteger(count[0][0])});
        }
    }
}

} // namespace kestrel::check
