#include "Checks.h"

#include "FileChecks.h"
#include "HtmlText.h"
#include "LinkTargets.h"
#include "Markdown.h"
#include "MigrationRun.h"
#include "Permalinks.h"
#include "Posts.h"
#include "Tags.h"
#include "VerifyContext.h"
#include "VisibleText.h"

#include <QRegularExpression>

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace kestrel {

namespace {

constexpr std::string_view kind = idOf(Kind::posts);
// Articles checked together: their rows read at once, their pages asked for at once.
constexpr std::size_t articlesAtOnce = 100;

struct Written
{
    Article article;
    bool markdown = false;
};

std::string expectedStatus(const Article& article, std::int64_t now)
{
    return isPending(article)          ? "pending"
           : isDraft(article)          ? "draft"
           : isScheduled(article, now) ? "future"
                                       : "publish";
}

std::string listOf(const std::set<std::string>& items)
{
    std::string list;
    for (const std::string& item : items)
        list += (list.empty() ? "" : " ") + item;
    return list;
}

// The longest start of `text` the page shows, and from there what the page lacks.
std::string firstUnshown(const QString& text, const QString& page)
{
    qsizetype low = 0, high = text.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (page.contains(QStringView(text).left(middle)))
            low = middle;
        else
            high = middle - 1;
    }
    return text.mid(low, 60).toStdString();
}

// The depth WordPress's comment list gives the comment with this id, when its markup says.
std::optional<int> shownDepth(const QByteArray& page, std::int64_t id)
{
    const QByteArray mark = "id=\"comment-" + QByteArray::number(static_cast<qlonglong>(id)) + "\"";
    const qsizetype at = page.indexOf(mark);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = page.lastIndexOf('<', at);
    const qsizetype end = page.indexOf('>', at);
    static const QRegularExpression depth(QStringLiteral("\\bdepth-(\\d+)\\b"));
    const auto match = depth.match(QString::fromUtf8(page.mid(start, end - start)));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

class ArticleChecks
{
public:
    explicit ArticleChecks(VerifyContext& verify) : m_verify(verify), m_targets(verify.run), m_files(verify) {}

    bool read();
    void check(const std::vector<Written>& articles);
    // How many articles WordPress holds copies of: about how many there are to check.
    std::int64_t copies() const { return static_cast<std::int64_t>(m_copies->size()); }

private:
    void checkRow(const Written& written, const PostRead& row, const std::set<std::int64_t>& terms);
    void checkPage(const Written& written, const PostRead& row, const QUrl& address, const SiteAnswer& answer);
    void checkComments(std::int64_t gid, const QByteArray& body, const QString& page, const QUrl& address);
    void checkLinks(const Written& written, const std::string& expected, const PostRead& row);
    void addFiles(std::int64_t gid, const std::string& content);
    // A finding about the article; about its copy `postId`, when it has one, at the copy's address.
    Finding finding(std::int64_t gid, std::string_view check, std::int64_t postId = 0) const
    {
        return {std::string(kind),
                gid,
                std::string(check),
                {},
                {},
                postId != 0 ? m_verify.siteAddress("?p=" + std::to_string(postId)).toString().toStdString() : "",
                m_verify.oldAddress("?post=" + std::to_string(gid))};
    }

    VerifyContext& m_verify;
    LinkTargets m_targets;
    FileChecks m_files;
    std::optional<Copies> m_copies, m_categories, m_tags;
    IdMap m_placed;
    std::unordered_set<std::int64_t> m_sorts;
    std::unordered_map<std::int64_t, std::vector<std::int64_t>> m_tagsOf;
    std::unordered_map<std::int64_t, std::string> m_termNames; // term_taxonomy_id -> "sid=N" or "tid=N"
};

bool ArticleChecks::read()
{
    MigrationRun& run = m_verify.run;
    // Where the links lead is worked out from the run's own record of the copies, read once here.
    for (const OriginKey* key : {&origin::article, &origin::category, &origin::tag}) {
        if (!run.state.readCopies(run, kind, *key))
            return m_verify.failed(run.wordPressTable(key->metaTable), m_verify.reads.lastError());
    }
    if (!m_targets.read(kind))
        return m_verify.failed(run.wordPressTable("options"), m_verify.reads.lastError());
    m_copies = run.state.copies(origin::article);
    m_categories = run.state.copies(origin::category);
    m_tags = run.state.copies(origin::tag);
    m_copies->forEach([&](std::int64_t gid, const Copy& copy) { m_placed.set(gid, copy.id); });
    m_categories->forEach(
        [&](std::int64_t sid, const Copy& copy) { m_termNames[copy.taxonomyId] = "sid=" + std::to_string(sid); });
    m_tags->forEach(
        [&](std::int64_t tid, const Copy& copy) { m_termNames[copy.taxonomyId] = "tid=" + std::to_string(tid); });
    const std::optional<EmlogValues> sorts = run.source->columns("sort", "sid", "sid");
    const std::optional<EmlogValues> tags = sorts ? run.source->columns("tag", "tid", "gid") : std::nullopt;
    if (!tags)
        return m_verify.failed(run.source->tableName(sorts ? "tag" : "sort"), run.source->lastError());
    for (const auto& [sid, value] : *sorts)
        m_sorts.insert(sid);
    for (const auto& [tid, list] : *tags) {
        for (const std::int64_t gid : splitPostIds(list))
            m_tagsOf[gid].push_back(tid);
    }
    return true;
}

void ArticleChecks::check(const std::vector<Written>& articles)
{
    std::vector<std::int64_t> ids;
    for (const Written& written : articles) {
        if (const auto copy = m_copies->find(written.article.gid))
            ids.push_back(copy->id);
    }
    std::unordered_map<std::int64_t, PostRead> rows;
    std::unordered_map<std::int64_t, std::set<std::int64_t>> terms;
    if (!m_verify.reads.posts(ids, [&](const PostRead& row) { rows.emplace(row.id, row); }) ||
        !m_verify.reads.postTerms(
            ids, [&](std::int64_t post, std::int64_t term, const std::string&) { terms[post].insert(term); })) {
        m_verify.failed(m_verify.run.wordPressTable("posts"), m_verify.reads.lastError());
        return;
    }
    std::vector<std::int64_t> published[2]; // posts, pages
    for (const auto& [id, row] : rows) {
        if (row.status == "publish")
            published[row.type == "page" ? 1 : 0].push_back(id);
    }
    const std::unordered_map<std::int64_t, QUrl> permalinks = permalinksOf(m_verify, published[0], published[1]);
    std::vector<SiteRequest> pages;
    std::vector<std::pair<const Written*, const PostRead*>> paged;
    for (const Written& written : articles) {
        m_verify.result.count(kind);
        const auto copy = m_copies->find(written.article.gid);
        const auto row = copy ? rows.find(copy->id) : rows.end();
        if (row == rows.end()) {
            Finding missing = finding(written.article.gid, check::missing);
            missing.expected = "gid=" + std::to_string(written.article.gid);
            m_verify.find(std::move(missing));
            continue;
        }
        checkRow(written, row->second, terms[row->first]);
        // An article with emlog pro's jump link sends its readers on to that address (the redirect plugin, as
        // emlog did): its row is checked, its page is not read.
        const std::string_view link = written.article.link;
        const bool sendsOn = link.rfind("http://", 0) == 0 || link.rfind("https://", 0) == 0;
        if (row->second.status == "publish" && !sendsOn) {
            const bool page = row->second.type == "page";
            const auto permalink = permalinks.find(row->first);
            pages.push_back({permalink != permalinks.end()
                                 ? permalink->second
                                 : m_verify.siteAddress((page ? "?page_id=" : "?p=") + std::to_string(row->first))});
            paged.emplace_back(&written, &row->second);
        }
    }
    m_verify.fetcher.fetch(
        pages,
        [&](std::size_t index, const SiteAnswer& answer) {
            checkPage(*paged[index].first, *paged[index].second, pages[index].url, answer);
        },
        m_verify.run.stopToken);
    m_files.check();
}

void ArticleChecks::checkRow(const Written& written, const PostRead& row, const std::set<std::int64_t>& terms)
{
    const Article& article = written.article;
    const std::int64_t gid = article.gid;
    const std::string status = expectedStatus(article, m_verify.run.now());
    // WordPress publishes a scheduled article when its time comes: either is right once it has.
    const bool due = status == "publish" && article.schedules && row.status == "future";
    if (row.status != status && !due) {
        Finding wrong = finding(gid, check::status, row.id);
        wrong.expected = status;
        wrong.seen = row.status;
        m_verify.find(std::move(wrong));
    }
    if (row.password != article.password) {
        Finding wrong = finding(gid, check::password, row.id);
        wrong.expected = article.password.empty() ? "" : "(set)";
        wrong.seen = row.password.empty() ? "" : "(set)";
        m_verify.find(std::move(wrong));
    }
    if (row.title != escapeHtml(article.title)) {
        Finding wrong = finding(gid, check::title, row.id);
        wrong.expected = escapeHtml(article.title);
        wrong.seen = row.title;
        m_verify.find(std::move(wrong));
    }
    const std::string shown = written.markdown ? markdownToHtml(article.content) : article.content;
    const std::string expected = m_targets.rewrite(shown, m_placed, nullptr);
    const QString expectedText = visibleText(expected);
    const QString storedText = visibleText(row.content);
    if (expectedText != storedText) {
        Finding wrong = finding(gid, check::text, row.id);
        std::tie(wrong.expected, wrong.seen) = differenceOf(expectedText, storedText);
        m_verify.find(std::move(wrong));
    }
    checkLinks(written, expected, row);
    addFiles(gid, row.content);

    // Categories and tags: only emlog's own, and only those emlog still has (a deleted one was shown nowhere).
    std::set<std::string> categories, tags, seenCategories, seenTags;
    if (!isPage(article) && article.sortid > 0 && m_sorts.contains(article.sortid))
        categories.insert("sid=" + std::to_string(article.sortid));
    if (const auto listed = m_tagsOf.find(gid); listed != m_tagsOf.end()) {
        for (const std::int64_t tid : listed->second)
            tags.insert("tid=" + std::to_string(tid));
    }
    for (const std::int64_t term : terms) {
        const auto name = m_termNames.find(term);
        const std::string shownName =
            name != m_termNames.end() ? name->second : "term_taxonomy_id=" + std::to_string(term);
        (shownName.rfind("tid=", 0) == 0 ? seenTags : seenCategories).insert(shownName);
    }
    if (m_tags) {
        // A tag emlog lists that WordPress never had (emlog's own lists may name deleted tags) is not expected.
        std::erase_if(tags, [&](const std::string& tag) {
            return !m_tags->contains(std::stoll(tag.substr(4))) && !seenTags.contains(tag);
        });
    }
    for (const auto& [expectedTerms, seenTerms, which] :
         {std::tuple{&categories, &seenCategories, check::categories}, std::tuple{&tags, &seenTags, check::tags}}) {
        if (*expectedTerms == *seenTerms)
            continue;
        Finding wrong = finding(gid, which, row.id);
        wrong.expected = listOf(*expectedTerms);
        wrong.seen = listOf(*seenTerms);
        m_verify.find(std::move(wrong));
    }
}

void ArticleChecks::checkLinks(const Written& written, const std::string& expected, const PostRead& row)
{
    const std::string& stored = row.content;
    const std::string& home = m_verify.home;
    const auto intoTheSite = [&](const std::string& href) {
        return !home.empty() && href.rfind(home, 0) == 0 &&
               (m_verify.uploadsUrl.empty() || href.rfind(m_verify.uploadsUrl + "/", 0) != 0);
    };
    const std::vector<std::string> storedLinks = attributeValues(stored, "href");
    const std::set<std::string> storedSet(storedLinks.begin(), storedLinks.end());
    const std::vector<std::string> expectedLinks = attributeValues(expected, "href");
    const std::set<std::string> expectedSet(expectedLinks.begin(), expectedLinks.end());
    for (const std::string& href : expectedSet) {
        if (!intoTheSite(href) || storedSet.contains(href))
            continue;
        Finding wrong = finding(written.article.gid, check::link, row.id);
        wrong.expected = href;
        for (const std::string& other : storedLinks) {
            if (!expectedSet.contains(other)) {
                wrong.seen = other;
                break;
            }
        }
        m_verify.find(std::move(wrong));
    }
}

void ArticleChecks::addFiles(std::int64_t gid, const std::string& content)
{
    const QUrl base(QString::fromStdString(m_verify.home + "/"));
    auto add = [&](const std::string& value) {
        if (value.empty() || value.rfind("data:", 0) == 0 || value[0] == '#')
            return;
        const QUrl url(QString::fromStdString(value));
        if (url.isRelative() && !blogPathOf(value, m_verify.blogRoot))
            m_files.add(kind, gid, base.resolved(url).toString().toStdString());
        else
            m_files.add(kind, gid, value);
    };
    for (const std::string& source : attributeValues(content, "src"))
        add(source);
    for (const std::string& href : attributeValues(content, "href")) {
        const std::optional<BlogPath> path = blogPathOf(href, m_verify.blogRoot);
        if ((!m_verify.uploadsUrl.empty() && href.rfind(m_verify.uploadsUrl + "/", 0) == 0) ||
            (path && !path->unsafe && isBlogFile(path->path)))
            add(href);
    }
}

void ArticleChecks::checkPage(const Written& written, const PostRead& row, const QUrl& address,
                              const SiteAnswer& answer)
{
    const std::int64_t gid = written.article.gid;
    Finding wrong = finding(gid, check::address);
    wrong.address = address.toString().toStdString();
    if (answer.status != 200) {
        wrong.expected = "HTTP 200";
        wrong.seen = answer.status != 0 ? "HTTP " + std::to_string(answer.status) : answer.error;
        m_verify.find(std::move(wrong));
        return;
    }
    m_verify.articlePages.push_back({gid, written.article.alias, written.article.sortid, answer.finalUrl});
    wrong.check = check::shown;
    wrong.address = answer.finalUrl.toString().toStdString();
    const std::string body(answer.body.constData(), static_cast<std::size_t>(answer.body.size()));
    const QString page = visibleText(body);
    const QString title = visibleText(row.title);
    if (!title.isEmpty() && !page.contains(title)) {
        Finding unshown = wrong;
        unshown.expected = title.toStdString();
        m_verify.find(std::move(unshown));
    }
    if (!row.password.empty()) {
        if (!answer.body.contains("name=\"post_password\"")) {
            wrong.expected = "post_password";
            m_verify.find(std::move(wrong));
        }
        return;
    }
    const QString text = visibleText(firstPageOf(row.content));
    if (!page.contains(text)) {
        Finding unshown = wrong;
        unshown.expected = firstUnshown(text, page);
        m_verify.find(std::move(unshown));
    }
    checkComments(gid, answer.body, page, answer.finalUrl);
}

void ArticleChecks::checkComments(std::int64_t gid, const QByteArray& body, const QString& page, const QUrl& address)
{
    // A page of comments split over pages shows only some of them here.
    if (m_verify.pagedComments)
        return;
    const auto shown = m_verify.shownComments.find(gid);
    if (shown == m_verify.shownComments.end())
        return;
    for (const ShownComment& comment : shown->second) {
        Finding wrong{std::string(idOf(Kind::comments)),
                      comment.cid,
                      std::string(check::shown),
                      {},
                      {},
                      address.toString().toStdString() + "#comment-" + std::to_string(comment.id),
                      {}};
        const std::optional<int> depth = shownDepth(body, comment.id);
        const QString text = visibleText(comment.content);
        if (!body.contains("id=\"comment-" + QByteArray::number(static_cast<qlonglong>(comment.id)) + "\"")) {
            wrong.expected = "comment-" + std::to_string(comment.id);
            m_verify.find(std::move(wrong));
        } else if (!page.contains(text)) {
            wrong.expected = firstUnshown(text, page);
            m_verify.find(std::move(wrong));
        } else if (depth && *depth != comment.depth) {
            wrong.check = check::thread;
            wrong.expected = "depth-" + std::to_string(comment.depth);
            wrong.seen = "depth-" + std::to_string(*depth);
            m_verify.find(std::move(wrong));
        }
    }
}

} // namespace

bool checkArticles(VerifyContext& verify)
{
    ArticleChecks checks(verify);
    if (!checks.read())
        return false;
    // Said before the first pages are asked for, which takes a while.
    verify.tell({kind, 0, checks.copies()});
    MigrationRun& run = verify.run;
    std::vector<Written> articles;
    std::int64_t done = 0;
    const auto flush = [&] {
        if (articles.empty() || verify.stopRequested())
            return;
        checks.check(articles);
        done += static_cast<std::int64_t>(articles.size());
        verify.tell({kind, done, std::max(done, checks.copies())});
        articles.clear();
    };
    const bool read = run.source->readTable("blog", {}, [&](const EmlogRow& row) {
        // emlog pro's editor writes Markdown; the older versions' HTML is shown as it is.
        articles.push_back({readArticle(row), hasColumn(row, "parent_id")});
        if (articles.size() >= articlesAtOnce)
            flush();
    });
    if (!read)
        return verify.failed(run.source->tableName("blog"), run.source->lastError());
    flush();
    return !verify.stopRequested();
}

} // namespace kestrel
