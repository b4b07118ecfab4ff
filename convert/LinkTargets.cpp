#include "LinkTargets.h"

#include "BackupRows.h"
#include "BlogConnection.h"
#include "MigrationRun.h"
#include "Options.h"
#include "Origins.h"
#include "Reconnect.h"
#include "ResultSet.h"

namespace kestrel {

namespace {

std::optional<std::string> firstValue(MigrationRun& run, BlogConnection& session, const std::string& query)
{
    ResultSet result = selectWithReconnect(run, session, query);
    std::string value;
    if (!result || rowCount(result) == 0 || !readField(result, 0, value))
        return std::nullopt;
    return value;
}

// Each row's text columns by its id, from emlog's server or its backup file: a table this emlog
// lacks gives nothing, and so does a column (an empty name asks for none).
template <typename Each>
void forEachEmlogRow(MigrationRun& run, std::string_view bareTable, std::string_view idColumn,
                     std::string_view firstColumn, std::string_view secondColumn, Each each)
{
    if (run.emlogBackup) {
        // Column by column: the blog's are kept from the first pass, and its articles are not read again.
        const auto values = [&](std::string_view column) {
            return column.empty() ? std::nullopt : readBackupColumns(run, bareTable, idColumn, column);
        };
        const std::optional<EmlogValues> first = values(firstColumn);
        const std::optional<EmlogValues> second = values(secondColumn);
        if (!first)
            return;
        const std::string none;
        for (std::size_t i = 0; i < first->size(); ++i)
            each((*first)[i].first, (*first)[i].second, second && i < second->size() ? (*second)[i].second : none);
        return;
    }
    auto column = [](std::string_view name) { return name.empty() ? std::string("''") : std::string(name); };
    ResultSet rows = selectWithReconnect(run, run.emlog,
                                         "SELECT " + std::string(idColumn) + ", " + column(firstColumn) + ", " +
                                             column(secondColumn) + " FROM " + run.emlogTable(bareTable));
    if (!rows)
        return;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::int64_t id = 0;
        std::string first;
        std::string second;
        readField(rows, 0, id);
        readField(rows, 1, first);
        readField(rows, 2, second);
        each(id, first, second);
    }
}

} // namespace

LinkTargets::LinkTargets(MigrationRun& run) : m_run(run)
{
    if (const std::string blogurl = emlogBlogUrl(run); !blogurl.empty())
        m_blog = parseBlogAddress(blogurl);
    if (!m_blog)
        return;
    m_home = firstValue(run, run.wordPress,
                        "SELECT option_value FROM " + run.wordPressTable("options") + " WHERE option_name='home'")
                 .value_or("");
    while (!m_home.empty() && m_home.back() == '/')
        m_home.pop_back();

    bool hasAlias = true; // a backup's row without the column reads it as empty
    if (!run.emlogBackup) {
        ResultSet columns = selectWithReconnect(run, run.emlog, "SELECT * FROM " + run.emlogTable("blog") + " LIMIT 0");
        hasAlias = columns && columns.columnIndex("alias") >= 0;
    }
    forEachEmlogRow(run, "blog", "gid", "type", hasAlias ? "alias" : "",
                    [this](std::int64_t gid, const std::string& type, const std::string& alias) {
                        m_articles[gid] = type == "page";
                        if (!alias.empty())
                            m_aliases.emplace(alias, gid);
                    });
    forEachEmlogRow(run, "sort", "sid", "alias", "sortname",
                    [this](std::int64_t sid, const std::string& alias, const std::string& name) {
                        if (!alias.empty())
                            m_categories.emplace(alias, sid);
                        m_categories.emplace(name, sid);
                    });
    forEachEmlogRow(
        run, "tag", "tid", "tagname", "",
        [this](std::int64_t tid, const std::string& name, const std::string&) { m_tags.emplace(name, tid); });
    // WordPress finds a tag's page by its slug under every permalink structure; the tags are in by now.
    ResultSet slugs = selectWithReconnect(run, run.wordPress,
                                          "SELECT t.term_id, t.slug FROM " + run.wordPressTable("terms") + " t JOIN " +
                                              run.wordPressTable("term_taxonomy") +
                                              " x ON x.term_id=t.term_id AND x.taxonomy='post_tag'");
    for (std::uint64_t i = 0; slugs && i < rowCount(slugs); ++i, nextRow(slugs)) {
        std::int64_t id = 0;
        std::string slug;
        readField(slugs, 0, id);
        readField(slugs, 1, slug);
        m_tagSlugs.emplace(id, std::move(slug));
    }
}

std::string LinkTargets::rewrite(std::string_view text, const std::unordered_map<std::int64_t, std::int64_t>& placed,
                                 bool* waiting) const
{
    if (!m_blog)
        return std::string(text);
    return rewriteBlogLinks(text, *m_blog, [&](const BlogLink& link) { return resolve(link, placed, waiting); });
}

std::string LinkTargets::underHome(std::string_view path) const
{
    return m_home + "/" + std::string(path);
}

std::string LinkTargets::resolve(const BlogLink& link, const std::unordered_map<std::int64_t, std::int64_t>& placed,
                                 bool* waiting) const
{
    using Kind = BlogLink::Kind;
    const auto term = [&](const OriginKey& key, std::int64_t emlogId, std::string_view query) {
        const Copies& copies = copiesOf(m_run, key);
        if (const auto copy = copies.find(emlogId); copy != copies.end())
            return underHome("?" + std::string(query) + "=" + std::to_string(copy->second.id)) + link.fragment;
        return underHome(link.path) + link.fragment;
    };
    const auto article = [&](std::int64_t gid) {
        const auto emlog = m_articles.find(gid);
        if (emlog == m_articles.end())
            return underHome(link.path) + link.fragment;
        std::optional<std::int64_t> id;
        if (const auto here = placed.find(gid); here != placed.end())
            id = here->second;
        else if (const Copies& copies = copiesOf(m_run, origin::article); copies.count(gid))
            id = copies.at(gid).id;
        if (!id && waiting) {
            *waiting = true;
            return link.original;
        }
        if (!id)
            return underHome(link.path) + link.fragment;
        return underHome((emlog->second ? "?page_id=" : "?p=") + std::to_string(*id)) + link.fragment;
    };
    switch (link.kind) {
    case Kind::Home:
        return underHome("") + link.fragment;
    case Kind::Article:
        return article(link.id);
    case Kind::ArticleAlias:
        if (const auto alias = m_aliases.find(link.name); alias != m_aliases.end())
            return article(alias->second);
        break;
    case Kind::Category:
        return term(origin::category, link.id, "cat");
    case Kind::CategoryAlias:
        if (const auto category = m_categories.find(link.name); category != m_categories.end())
            return term(origin::category, category->second, "cat");
        break;
    case Kind::Tag:
        if (const auto tag = m_tags.find(link.name); tag != m_tags.end()) {
            const Copies& copies = copiesOf(m_run, origin::tag);
            if (const auto copy = copies.find(tag->second); copy != copies.end() && m_tagSlugs.count(copy->second.id))
                return underHome("?tag=" + m_tagSlugs.at(copy->second.id)) + link.fragment;
        }
        break;
    case Kind::Content:
        if (m_run.contentAddress) {
            if (auto address = m_run.contentAddress(link.path))
                return *address + link.fragment;
        }
        return link.original;
    case Kind::Other:
        break;
    }
    return underHome(link.path) + link.fragment;
}

} // namespace kestrel
