#include "Posts.h"

#include "Addresses.h"
#include "HtmlText.h"
#include "Kinds.h"
#include "LinkTargets.h"
#include "LocalTimes.h"
#include "Markdown.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"
#include "Origins.h"
#include "PostLinks.h"
#include "PostRow.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RowValues.h"
#include "RowWriter.h"
#include "SiteSettings.h"
#include "Slugs.h"
#include "Tags.h"
#include "Terms.h"
#include "TextHelpers.h"
#include "Users.h"
#include "WordPressQueries.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::posts);

std::string sourceId(const Article& article)
{
    return "gid=" + std::to_string(article.gid);
}

} // namespace

Article readArticle(const EmlogRow& rows)
{
    Article article;
    readField(rows, "gid", article.gid);
    readField(rows, "title", article.title);
    readField(rows, "date", article.date);
    readField(rows, "content", article.content);
    readField(rows, "excerpt", article.excerpt);
    readField(rows, "alias", article.alias);
    readField(rows, "author", article.author);
    readField(rows, "comnum", article.comnum);
    readField(rows, "sortid", article.sortid);
    readField(rows, "type", article.type);
    readField(rows, "top", article.top);
    readField(rows, "hide", article.hide);
    readField(rows, "checked", article.checked);
    readField(rows, "allow_remark", article.allowRemark);
    readField(rows, "password", article.password);
    readField(rows, "parent_id", article.parent);
    readField(rows, "views", article.views);
    readField(rows, "link", article.link);
    for (auto [column, count] : {std::pair{"like_count", &article.likes}, std::pair{"dislike_count", &article.dislikes},
                                 std::pair{"collect_count", &article.collects}}) {
        std::int64_t value = 0;
        if (readField(rows, column, value))
            *count = value;
    }
    article.schedules = hasColumn(rows, "parent_id");
    return article;
}

namespace {

// Which tags list each article: as the tags migration of this run read emlog's tag table, or from it.
// Nothing when the tag table cannot be read.
const std::unordered_map<std::int64_t, std::vector<std::int64_t>>* tagsByArticle(MigrationRun& run)
{
    if (!run.handoffs.tagsByArticle) {
        const std::optional<EmlogValues> lists = run.source->columns("tag", "tid", "gid");
        if (!lists)
            return nullptr;
        auto& tags = run.handoffs.tagsByArticle.emplace();
        for (const auto& [tid, list] : *lists) {
            for (const std::int64_t gid : splitPostIds(list))
                tags[gid].push_back(tid);
        }
    }
    return &*run.handoffs.tagsByArticle;
}

// emlog pro's custom fields of each article, in emlog's order: nothing for a blog without them.
// Only the articles still to be copied are kept, so that a re-run holds no more than it writes.
std::optional<std::unordered_map<std::int64_t, std::vector<std::pair<std::string, std::string>>>>
fieldsByArticle(MigrationRun& run, const Copies& copied)
{
    std::unordered_map<std::int64_t, std::vector<std::pair<std::string, std::string>>> fields;
    const std::optional<bool> has = run.source->hasTable("blog_fields");
    if (!has)
        return std::nullopt;
    if (!*has)
        return fields;
    const bool read =
        run.source->readTable("blog_fields", {"id", "gid", "field_key", "field_value"}, [&](const EmlogRow& row) {
            std::int64_t gid = 0;
            std::pair<std::string, std::string> field;
            readField(row, "gid", gid);
            readField(row, "field_key", field.first);
            readField(row, "field_value", field.second);
            if (!copied.contains(gid))
                fields[gid].push_back(std::move(field));
        });
    if (!read)
        return std::nullopt;
    return fields;
}

// The article's custom fields and counts as post meta, under emlog's own names. A key the run
// itself names its rows by is left out, so that no field is ever taken for an origin.
void addFieldsAndCounts(RowWrite& write, std::int64_t id, const Article& article,
                        const std::vector<std::pair<std::string, std::string>>* fields)
{
    write.rows.push_back({"postmeta", ownerMeta(origin::article, id, "views", std::to_string(article.views))});
    for (const auto& [key, count] :
         {std::pair{"like_count", &article.likes}, std::pair{"dislike_count", &article.dislikes},
          std::pair{"collect_count", &article.collects}}) {
        if (*count)
            write.rows.push_back({"postmeta", ownerMeta(origin::article, id, key, std::to_string(**count))});
    }
    if (!fields)
        return;
    for (const auto& [key, value] : *fields) {
        if (key.rfind("_emlog_", 0) == 0) {
            write.problems.push_back({"postmeta", {Why::Code::reservedField, key, {}}});
            continue;
        }
        write.rows.push_back({"postmeta", ownerMeta(origin::article, id, key, value)});
    }
}

// An option the articles add to that was left as it was: each article it should have named is
// reported, for the blogger to set by hand.
void reportOptionChange(MigrationRun& run, OptionChange change, std::string_view option,
                        const std::vector<std::int64_t>& gids)
{
    if (change == OptionChange::done)
        return;
    const std::string table = run.wordPressTable("options");
    if (change != OptionChange::unparsable) {
        recordFailure(run, migration, table, option);
        return;
    }
    const Why why{option == "cron" ? Why::Code::notScheduled : Why::Code::notSticky, std::string(option), {}};
    for (const std::int64_t gid : gids)
        run.failures.recordIncomplete(migration, table, "gid=" + std::to_string(gid), why);
}

// What the articles ask of both blogs before their first row, read ahead, several to an exchange.
void readAheadOfArticles(MigrationRun& run)
{
    std::vector<Query> selects = {reads::postNames(run.wordPressPrefix)};
    for (Query& query : authorsQueries(run))
        selects.push_back(std::move(query));
    selects.push_back(reads::postIds(run.wordPressPrefix));
    for (Query& query : LinkTargets::wordPressQueries(run))
        selects.push_back(std::move(query));
    if (!run.handoffs.localZone) {
        selects.push_back(reads::option(run.wordPressPrefix, "timezone_string"));
        selects.push_back(reads::option(run.wordPressPrefix, "gmt_offset"));
    }
    readAheadOfMigration(run, {&origin::article, &origin::category, &origin::tag}, std::move(selects));
    // emlog's side: what the authors, the links, the custom fields and the articles' order read first.
    using What = EmlogRead::What;
    std::vector<EmlogRead> reads;
    if (!run.handoffs.authors)
        reads.insert(reads.end(), {{What::HasTable, "user"}, {What::Table, "user"}});
    reads.insert(reads.end(), {{What::Option, "blogurl"},
                               {What::Option, "iscomment"},
                               {What::Columns, "blog", {"gid", "type"}},
                               {What::Columns, "tag", {"tid", "tagname"}},
                               {What::HasTable, "blog_fields"},
                               {What::Table, "blog_fields", {"id", "gid", "field_key", "field_value"}},
                               {What::ParentOrder, "blog", {"parent_id"}}});
    if (!run.handoffs.localZone)
        reads.push_back({What::Option, "timezone"});
    // Last: what older blogs lack fails there, and the reads after it are asked again.
    for (EmlogRead& read : blogAddressingReads(run))
        reads.push_back(std::move(read));
    run.source->readAhead(reads);
}

// The article's links to its category and tags, each term's taxonomy id added to `linked`: a term that is
// not in WordPress is a problem of the row, which arrives without it.
void addTermLinks(MigrationRun& run, RowWrite& write, const Article& article, std::int64_t postId,
                  const std::unordered_map<std::int64_t, std::vector<std::int64_t>>* tagLists,
                  std::unordered_set<std::int64_t>& linked)
{
    // -1 is emlog's mark for "no category"; pages have none.
    if (!isPage(article) && article.sortid > 0) {
        if (const auto category = run.state.copies(origin::category).find(article.sortid)) {
            write.rows.push_back(termLink(postId, category->taxonomyId));
            linked.insert(category->taxonomyId);
        } else {
            write.problems.push_back(
                {"term_relationships", {Why::Code::categoryNotCopied, std::to_string(article.sortid), {}}});
        }
    }
    const auto listed = tagLists ? tagLists->find(article.gid) : decltype(tagLists->end()){};
    if (!tagLists || listed == tagLists->end())
        return;
    for (const std::int64_t tid : listed->second) {
        if (const auto tag = run.state.copies(origin::tag).find(tid)) {
            write.rows.push_back(termLink(postId, tag->taxonomyId));
            linked.insert(tag->taxonomyId);
        } else {
            write.problems.push_back({"term_relationships", {Why::Code::tagNotCopied, std::to_string(tid), {}}});
        }
    }
}

// An article on its way: its ticket, its post and its emlog id.
struct WrittenArticle
{
    RowWriter::Ticket ticket;
    std::int64_t id;
    std::int64_t gid;
};

// The articles emlog kept on top become WordPress's sticky posts, and those it held back are scheduled: each
// once it arrived.
void stickAndSchedule(MigrationRun& run, const RowWriter& writer, const std::vector<WrittenArticle>& sticky,
                      const std::vector<std::pair<WrittenArticle, std::int64_t>>& scheduled)
{
    std::vector<std::int64_t> stuck, stuckGids;
    for (const WrittenArticle& post : sticky) {
        if (writer.state(post.ticket) == RowWriter::State::Arrived) {
            stuck.push_back(post.id);
            stuckGids.push_back(post.gid);
        }
    }
    reportOptionChange(run, addStickyPosts(run, stuck), "sticky_posts", stuckGids);
    std::vector<std::pair<std::int64_t, std::int64_t>> publishing;
    std::vector<std::int64_t> publishingGids;
    for (const auto& [post, time] : scheduled) {
        if (writer.state(post.ticket) == RowWriter::State::Arrived) {
            publishing.emplace_back(post.id, time);
            publishingGids.push_back(post.gid);
        }
    }
    if (!run.stopRequested())
        reportOptionChange(run, schedulePublishing(run, publishing), "cron", publishingGids);
}

} // namespace

bool isDraft(const Article& article)
{
    return article.hide == "y" || article.checked == "n";
}

bool isPending(const Article& article)
{
    return article.hide != "y" && article.checked == "n";
}

bool isPage(const Article& article)
{
    return article.type == "page";
}

bool isScheduled(const Article& article, std::int64_t now)
{
    return article.schedules && !isDraft(article) && article.date > now;
}

PostRow articlePost(MigrationRun& run, const Article& article, const PostPlace& place, const PostText& text)
{
    PostRow post;
    post.id = place.id;
    post.author = place.author;
    post.type = isPage(article) ? "page" : "post";
    post.status = isPending(article)                ? "pending"
                  : isDraft(article)                ? "draft"
                  : isScheduled(article, run.now()) ? "future"
                                                    : "publish";
    post.commentStatus = article.allowRemark == "n" ? "closed" : "open";
    post.title = escapeHtml(article.title);
    post.content = text.content;
    post.excerpt = text.excerpt;
    post.name = place.slug;
    post.password = article.password;
    post.parent = place.parent;
    post.commentCount = article.comnum;
    post.date = article.date;
    return post;
}

void migratePosts(MigrationRun& run)
{
    readAheadOfArticles(run);
    if (!readCopies(run, migration, {&origin::article, &origin::category, &origin::tag}) ||
        !run.state.readPostNames(run, migration))
        return;
    const Copies& copies = run.state.copies(origin::article);
    const Authors* authors = authorsOf(run, migration);
    if (!authors)
        return;
    std::optional<std::unordered_set<std::int64_t>> usedIds =
        kestrel::usedIds(run, reads::postIds(run.wordPressPrefix));
    if (!usedIds) {
        unreadableWordPress(run, migration, "posts", "post ids");
        return;
    }
    std::unordered_set<std::int64_t>& used = *usedIds;
    TakenSlugs& slugs = run.state.postNames();
    // Without emlog's tag lists the articles still come, each without its tags, and the report says so.
    const auto* tagLists = tagsByArticle(run);
    if (!tagLists)
        run.failures.record(migration, run.source->tableName("tag"), "",
                            {Why::Code::tagsUnreadable, {}, run.source->lastError()});
    PostLinks links(run);
    if (!links.read(migration))
        return;
    // Without them the articles still come, and the report says so.
    const auto fields = fieldsByArticle(run, copies);
    if (!fields)
        run.failures.record(migration, run.source->tableName("blog_fields"), "",
                            {Why::Code::fieldsUnreadable, {}, run.source->lastError()});
    FreeIds free(0, [&run] { return largestEmlogId(run, "blog", "gid"); });
    // emlog took no comments anywhere when its owner closed them for the whole blog.
    const bool commentsClosed = commentsClosedEverywhere(run);
    for (const std::int64_t id : used)
        free.keepAbove(id);

    RowWriter writer(run, run.state, migration);
    std::int64_t largestGid = 0;
    WrittenInThisRun thisRun(writer);
    std::vector<WrittenArticle> sticky;
    std::vector<std::pair<WrittenArticle, std::int64_t>> scheduled;
    std::unordered_set<std::int64_t> linked;
    // What is queued goes while emlog's next rows are on their way.
    const TableReading reading{Kind::posts, run.pacing.posts, "parent_id", [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& rows) {
        Article article = readArticle(rows);
        if (commentsClosed)
            article.allowRemark = "n";
        // emlog pro's editor writes Markdown; the older versions' HTML is shown as it is.
        const bool markdown = hasColumn(rows, "parent_id");
        largestGid = std::max(largestGid, article.gid);
        if (copies.contains(article.gid)) {
            writer.alreadyThere();
            return;
        }
        PostPlace place{free.keepOrTake(article.gid, used), authors->of(article.author), 0, {}};
        used.insert(place.id);
        links.placed(article.gid, place.id);
        // The blogger's own alias names the article's address, as it did in emlog.
        place.slug = uniqueSlug(wordPressSlug(article.alias.empty() ? article.title : article.alias),
                                std::to_string(place.id), slugs);
        RowWrite write;
        write.sourceId = sourceId(article);
        // A page under a page that never existed stands at the top.
        auto parent = thisRun.parentOf(article.parent, copies, "gid=" + std::to_string(article.parent));
        place.parent = parent.id;
        write.after = std::move(parent.after);
        const PostText text = links.text(article, markdown);
        write.rows.push_back({"posts", postValues(run, articlePost(run, article, place, text))});
        write.rows.push_back({"postmeta", originMeta(origin::article, place.id, article.gid), true});
        if (!article.alias.empty())
            write.rows.push_back({"postmeta", ownerMeta(origin::article, place.id, origin::aliasKey, article.alias)});
        // The redirect plugin sends the article's visitors on, as emlog did, when it is an address.
        if (!article.link.empty())
            write.rows.push_back({"postmeta", ownerMeta(origin::article, place.id, origin::jumpLinkKey, article.link)});
        const auto listed = fields ? fields->find(article.gid) : decltype(fields->end()){};
        addFieldsAndCounts(write, place.id, article, fields && listed != fields->end() ? &listed->second : nullptr);

        addTermLinks(run, write, article, place.id, tagLists, linked);
        write.copied = RowWrite::Copied{&origin::article, article.gid, {place.id, place.id}};
        const WrittenArticle written{writer.write(std::move(write)), place.id, article.gid};
        links.written(written.ticket, place.id);
        thisRun.add(article.gid, written.ticket, written.id);
        if (article.top == "y")
            sticky.push_back(written);
        if (isScheduled(article, run.now()))
            scheduled.emplace_back(written, article.date);
    });
    // The terms' counts are made while the texts of articles that link ahead are read again.
    ChangeAhead recount(run, run.wordPress,
                        recountChange(run, std::vector<std::int64_t>(linked.begin(), linked.end())));
    links.completeWaiting(writer, recount);
    // No later migration asks which tags each article carries.
    run.handoffs.tagsByArticle.reset();
    // The attachments take the numbers after every post and every article.
    if (!run.stopRequested()) {
        run.handoffs.largestGid = largestGid;
        run.handoffs.largestPostId = used.empty() ? 0 : *std::max_element(used.begin(), used.end());
    }

    recounted(run, migration, recount);
    if (!run.stopRequested())
        stickAndSchedule(run, writer, sticky, scheduled);
}

} // namespace kestrel
