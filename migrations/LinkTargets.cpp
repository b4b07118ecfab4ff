#include "LinkTargets.h"

#include "Addresses.h"
#include "CopiedFiles.h"
#include "MigrationRun.h"
#include "Options.h"
#include "Origins.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "WordPressQueries.h"
#include "WordPressState.h"

namespace kestrel {

LinkTargets::LinkTargets(MigrationRun& run) : m_run(run) {}

namespace {

Query tagSlugsQuery(MigrationRun& run)
{
    return reads::termSlugs(run.wordPressPrefix, "post_tag");
}

} // namespace

std::vector<Query> LinkTargets::wordPressQueries(MigrationRun& run)
{
    return {reads::option(run.wordPressPrefix, "home"), tagSlugsQuery(run)};
}

bool LinkTargets::read(std::string_view migration)
{
    MigrationRun& run = m_run;
    if (const std::string blogurl = emlogBlogUrl(*run.source); !blogurl.empty())
        m_blog = parseBlogAddress(blogurl);
    if (!m_blog)
        return true;
    std::optional<std::string> home;
    if (!readWordPressOption(run, "home", home))
        return unreadableWordPress(run, migration, "options", "home");
    m_home = home.value_or("");
    run.handoffs.wordPressHome = m_home;
    while (!m_home.empty() && m_home.back() == '/')
        m_home.pop_back();

    // emlog 3.0 and 3.1 have no page type: every row is an article.
    m_addressing = blogAddressing(run);
    const std::optional<bool> typed = run.source->hasColumn("blog", "type");
    const std::optional<EmlogValues> types =
        typed ? run.source->columns("blog", "gid", *typed ? "type" : "gid") : std::nullopt;
    const std::optional<EmlogValues> tags = types ? run.source->columns("tag", "tid", "tagname") : std::nullopt;
    if (!m_addressing || !tags) {
        // The links are left as they are, and the report says why.
        run.failures.record(migration, "", "", {Why::Code::linksNotRewritten, {}, run.source->lastError()});
        m_blog.reset();
        return true;
    }
    for (const auto& [gid, type] : *types)
        m_articles.set(gid, type == "page" ? 1 : 0);
    for (const auto& [tid, name] : *tags)
        m_tags.emplace(name, tid);
    // WordPress finds a tag's page by its slug under every permalink structure; the tags are in by now.
    ResultSet slugs = readWithReconnect(run, run.wordPress, tagSlugsQuery(run));
    if (!slugs)
        return unreadableWordPress(run, migration, "terms", "tag slugs");
    for (std::uint64_t i = 0; i < rowCount(slugs); ++i, nextRow(slugs)) {
        std::int64_t id = 0;
        std::string slug;
        readField(slugs, 0, slug);
        readField(slugs, 1, id);
        m_tagSlugs.emplace(id, std::move(slug));
    }
    return true;
}

std::string LinkTargets::rewrite(std::string_view text, const IdMap& placed, bool* waiting) const
{
    if (!m_blog)
        return std::string(text);
    return rewriteBlogLinks(text, *m_blog, *m_addressing,
                            [&](const BlogLink& link) { return resolve(link, placed, waiting); });
}

std::string LinkTargets::underHome(std::string_view path) const
{
    return m_home + "/" + std::string(path);
}

std::string LinkTargets::resolve(const BlogLink& link, const IdMap& placed, bool* waiting) const
{
    using Kind = BlogLink::Kind;
    const auto term = [&](const OriginKey& key, std::int64_t emlogId, std::string_view query) {
        const Copies& copies = m_run.state.copies(key);
        if (const auto copy = copies.find(emlogId))
            return underHome("?" + std::string(query) + "=" + std::to_string(copy->id)) + link.fragment;
        return underHome(link.path) + link.fragment;
    };
    const auto article = [&](std::int64_t gid) {
        const std::optional<std::int64_t> page = m_articles.find(gid);
        if (!page)
            return underHome(link.path) + link.fragment;
        std::optional<std::int64_t> id;
        if (const auto here = placed.find(gid))
            id = here;
        else if (const auto copy = m_run.state.copies(origin::article).find(gid))
            id = copy->id;
        if (!id && waiting) {
            *waiting = true;
            return link.original;
        }
        if (!id)
            return underHome(link.path) + link.fragment;
        return underHome((*page ? "?page_id=" : "?p=") + std::to_string(*id)) + link.fragment;
    };
    switch (link.kind) {
    case Kind::Home:
        return underHome("") + link.fragment;
    case Kind::Article:
        return article(link.id);
    case Kind::Category:
        return term(origin::category, link.id, "cat");
    case Kind::Tag:
        if (const auto tag = m_tags.find(link.name); tag != m_tags.end()) {
            const Copies& copies = m_run.state.copies(origin::tag);
            if (const auto copy = copies.find(tag->second); copy && m_tagSlugs.count(copy->id))
                return underHome("?tag=" + m_tagSlugs.at(copy->id)) + link.fragment;
        }
        break;
    case Kind::Download:
        // The attachment's file where it now is; without the files, as the blog's other file links, as it was.
        if (const auto path = m_addressing->downloads.find(link.name); path != m_addressing->downloads.end()) {
            if (const auto file = m_run.files ? m_run.files->attachment(path->second, true) : std::nullopt)
                return file->url;
        }
        return link.original;
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
