#include "WordPressReads.h"

#include "BlogConnection.h"
#include "Options.h"
#include "Origins.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RunContext.h"

namespace kestrel {

namespace {

constexpr std::size_t idsPerSelect = 500;

std::string text(const ResultSet& rows, int column)
{
    std::string value;
    readField(rows, column, value);
    return value;
}

std::int64_t number(const ResultSet& rows, int column)
{
    std::int64_t value = 0;
    readField(rows, column, value);
    return value;
}

} // namespace

std::optional<Copies> WordPressReads::copies(const OriginKey& key)
{
    return readCopies(m_run, key);
}

std::optional<std::optional<std::string>> WordPressReads::option(std::string_view name)
{
    std::optional<std::string> value;
    if (!readWordPressOption(m_run, name, value))
        return std::nullopt;
    return value;
}

bool WordPressReads::byIds(const std::vector<std::int64_t>& ids,
                           const std::function<std::string(const std::string&)>& select,
                           const std::function<void(const ResultSet&)>& each)
{
    for (std::size_t first = 0; first < ids.size(); first += idsPerSelect) {
        std::string list;
        for (std::size_t i = first; i < std::min(ids.size(), first + idsPerSelect); ++i)
            list += (list.empty() ? "" : ",") + std::to_string(ids[i]);
        ResultSet rows = selectWithReconnect(m_run, m_run.wordPress, select(list));
        if (!rows)
            return false;
        for (std::uint64_t row = 0; row < rowCount(rows); ++row, nextRow(rows))
            each(rows);
    }
    return true;
}

bool WordPressReads::posts(const std::vector<std::int64_t>& ids, const std::function<void(const PostRead&)>& each)
{
    const std::string table = m_run.wordPressTable("posts");
    return byIds(
        ids,
        [&](const std::string& list) {
            return "SELECT ID, post_type, post_status, post_password, post_title, post_content, guid FROM " + table +
                   " WHERE ID IN (" + list + ")";
        },
        [&](const ResultSet& rows) {
            each({number(rows, 0), text(rows, 1), text(rows, 2), text(rows, 3), text(rows, 4), text(rows, 5),
                  text(rows, 6)});
        });
}

bool WordPressReads::comments(const std::vector<std::int64_t>& ids, const std::function<void(const CommentRow&)>& each)
{
    const std::string table = m_run.wordPressTable("comments");
    return byIds(
        ids,
        [&](const std::string& list) {
            return "SELECT comment_ID, comment_post_ID, comment_parent, comment_approved, comment_content FROM " +
                   table + " WHERE comment_ID IN (" + list + ")";
        },
        [&](const ResultSet& rows) {
            each({number(rows, 0), number(rows, 1), number(rows, 2), text(rows, 3), text(rows, 4)});
        });
}

bool WordPressReads::postTerms(const std::vector<std::int64_t>& ids,
                               const std::function<void(std::int64_t, std::int64_t, const std::string&)>& each)
{
    const std::string links = m_run.wordPressTable("term_relationships");
    const std::string taxonomies = m_run.wordPressTable("term_taxonomy");
    return byIds(
        ids,
        [&](const std::string& list) {
            return "SELECT r.object_id, t.term_taxonomy_id, t.taxonomy FROM " + links + " r JOIN " + taxonomies +
                   " t ON t.term_taxonomy_id=r.term_taxonomy_id WHERE t.taxonomy IN ('category','post_tag') AND "
                   "r.object_id IN (" +
                   list + ")";
        },
        [&](const ResultSet& rows) { each(number(rows, 0), number(rows, 1), text(rows, 2)); });
}

bool WordPressReads::links(const std::function<void(const std::string&, const std::string&, const std::string&)>& each)
{
    ResultSet rows = selectWithReconnect(
        m_run, m_run.wordPress, "SELECT link_url, link_name, link_visible FROM " + m_run.wordPressTable("links"));
    if (!rows)
        return false;
    for (std::uint64_t row = 0; row < rowCount(rows); ++row, nextRow(rows))
        each(text(rows, 0), text(rows, 1), text(rows, 2));
    return true;
}

bool WordPressReads::postMeta(const std::vector<std::int64_t>& ids, std::string_view key,
                              const std::function<void(std::int64_t, const std::string&)>& each)
{
    const std::string table = m_run.wordPressTable("postmeta");
    const std::string quotedKey = quotedLiteral(m_run.wordPress, key);
    return byIds(
        ids,
        [&](const std::string& list) {
            return "SELECT post_id, meta_value FROM " + table + " WHERE meta_key=" + quotedKey + " AND post_id IN (" +
                   list + ")";
        },
        [&](const ResultSet& rows) { each(number(rows, 0), text(rows, 1)); });
}

std::string WordPressReads::lastError() const
{
    return std::to_string(m_run.wordPress.lastErrorNumber()) + " " + m_run.wordPress.lastError();
}

} // namespace kestrel
