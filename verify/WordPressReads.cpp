#include "WordPressReads.h"

#include "Options.h"
#include "Origins.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RunContext.h"
#include "WordPressQueries.h"

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
                           const std::function<Query(std::vector<std::int64_t>)>& select,
                           const std::function<void(const ResultSet&)>& each)
{
    for (std::size_t first = 0; first < ids.size(); first += idsPerSelect) {
        std::vector<std::int64_t> some(ids.begin() + static_cast<std::ptrdiff_t>(first),
                                       ids.begin() +
                                           static_cast<std::ptrdiff_t>(std::min(ids.size(), first + idsPerSelect)));
        ResultSet rows = readWithReconnect(m_run, m_run.wordPress, select(std::move(some)));
        if (!rows)
            return false;
        for (std::uint64_t row = 0; row < rowCount(rows); ++row, nextRow(rows))
            each(rows);
    }
    return true;
}

bool WordPressReads::posts(const std::vector<std::int64_t>& ids, const std::function<void(const PostRead&)>& each)
{
    return byIds(
        ids, [&](std::vector<std::int64_t> some) { return reads::shownPosts(m_run.wordPressPrefix, std::move(some)); },
        [&](const ResultSet& rows) {
            each({number(rows, 0), text(rows, 1), text(rows, 2), text(rows, 3), text(rows, 4), text(rows, 5),
                  text(rows, 6)});
        });
}

bool WordPressReads::comments(const std::vector<std::int64_t>& ids, const std::function<void(const CommentRow&)>& each)
{
    return byIds(
        ids,
        [&](std::vector<std::int64_t> some) { return reads::shownComments(m_run.wordPressPrefix, std::move(some)); },
        [&](const ResultSet& rows) {
            each({number(rows, 0), number(rows, 1), number(rows, 2), text(rows, 3), text(rows, 4)});
        });
}

bool WordPressReads::postTerms(const std::vector<std::int64_t>& ids,
                               const std::function<void(std::int64_t, std::int64_t, const std::string&)>& each)
{
    return byIds(
        ids, [&](std::vector<std::int64_t> some) { return reads::postTerms(m_run.wordPressPrefix, std::move(some)); },
        [&](const ResultSet& rows) { each(number(rows, 0), number(rows, 1), text(rows, 2)); });
}

bool WordPressReads::links(const std::function<void(const std::string&, const std::string&, const std::string&)>& each)
{
    ResultSet rows = readWithReconnect(m_run, m_run.wordPress, reads::shownLinks(m_run.wordPressPrefix));
    if (!rows)
        return false;
    for (std::uint64_t row = 0; row < rowCount(rows); ++row, nextRow(rows))
        each(text(rows, 0), text(rows, 1), text(rows, 2));
    return true;
}

bool WordPressReads::postMeta(const std::vector<std::int64_t>& ids, std::string_view key,
                              const std::function<void(std::int64_t, const std::string&)>& each)
{
    return byIds(
        ids,
        [&](std::vector<std::int64_t> some) { return reads::postMeta(m_run.wordPressPrefix, key, std::move(some)); },
        [&](const ResultSet& rows) { each(number(rows, 0), text(rows, 1)); });
}

std::string WordPressReads::lastError() const
{
    return std::to_string(m_run.wordPress.lastErrorNumber()) + " " + m_run.wordPress.lastError();
}

} // namespace kestrel
