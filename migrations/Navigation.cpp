#include "Navigation.h"

#include "HtmlText.h"
#include "Kinds.h"
#include "LinkTargets.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"
#include "Origins.h"
#include "PostRow.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RowValues.h"
#include "RowWriter.h"
#include "Terms.h"
#include "Users.h"
#include "WordPressQueries.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::navigation);

using namespace naviType;

std::string withoutClosingSlash(std::string address)
{
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    return address;
}

struct Addresses
{
    std::string home;                 // WordPress's, without a closing "/"
    std::string login;                // WordPress's login page
    std::string blogurl;              // emlog's, without a closing "/"
    std::optional<Copy> statusFormat; // the post_format term of 微语, once they are copied
};

// Where the item leads in WordPress; nothing, with `why`, when what it names is not there.
std::optional<MenuTarget> targetOf(MigrationRun& run, const NaviRow& row, const Addresses& at, const LinkTargets& links,
                                   Why& why)
{
    const auto custom = [](std::string url) {
        MenuTarget target{"custom", "custom", 0, url, url};
        return target;
    };
    switch (row.type) {
    case home:
        return custom(at.home + "/");
    case admin:
        return custom(at.login);
    case twitter: {
        // 微语 become status posts: their page is the status format's archive.
        if (at.statusFormat)
            return MenuTarget{"taxonomy", "post_format", at.statusFormat->id, "", at.home + "/?post_format=status"};
        return custom(at.home + "/?post_format=status");
    }
    case category: {
        const Copies& categories = run.state.copies(origin::category);
        if (const auto copy = categories.find(row.typeId))
            return MenuTarget{"taxonomy", "category", copy->id, "", at.home + "/?cat=" + std::to_string(copy->id)};
        why = {Why::Code::categoryNotCopied, std::to_string(row.typeId), {}};
        return std::nullopt;
    }
    case page: {
        const Copies& articles = run.state.copies(origin::article);
        if (const auto copy = articles.find(row.typeId))
            return MenuTarget{"post_type", "page", copy->id, "", at.home + "/?page_id=" + std::to_string(copy->id)};
        why = {Why::Code::articleNotCopied, std::to_string(row.typeId), {}};
        return std::nullopt;
    }
    default: {
        // An address that does not start with http is relative to the blog, as emlog made it.
        std::string url = row.url;
        if (url.rfind("http", 0) != 0 && !at.blogurl.empty())
            url = at.blogurl + "/" + url;
        return custom(links.rewriteAddress(url));
    }
    }
}

bool readAddresses(MigrationRun& run, Addresses& at)
{
    std::optional<std::string> home;
    std::optional<std::string> siteurl;
    if (!readWordPressOption(run, "home", home) || !readWordPressOption(run, "siteurl", siteurl))
        return unreadableWordPress(run, migration, "options", "home");
    at.home = withoutClosingSlash(home.value_or(""));
    at.login = withoutClosingSlash(siteurl.value_or(at.home)) + "/wp-login.php";
    at.blogurl = emlogBlogUrl(*run.source);
    ResultSet format =
        readWithReconnect(run, run.wordPress, reads::postFormat(run.wordPressPrefix, "post-format-status"));
    if (!format)
        return unreadableWordPress(run, migration, "terms", "post formats");
    if (rowCount(format) > 0) {
        Copy copy;
        readField(format, 0, copy.id);
        readField(format, 1, copy.taxonomyId);
        at.statusFormat = copy;
    }
    return true;
}

// The blog's menu: its term, made when a run first needs it. Nothing when it cannot be made.
std::optional<Copy> makeMenu(MigrationRun& run)
{
    std::optional<TermIds> termIds = termIdsInUse(run, migration);
    std::optional<TakenSlugs> slugs = termSlugs(run, migration, "nav_menu");
    if (!termIds || !slugs)
        return std::nullopt;
    const std::int64_t id = termIds->free.take();
    termIds->used.insert(id);
    const std::string slug = uniqueSlug("emlog", std::to_string(id), *slugs);
    const std::string name = escapeHtml(run.menuName);
    RowWrite write = termWrite(origin::menu, {origin::theBlogsMenu, id, "nav_menu", name, slug, "", 0});
    // The origin first: a menu half made is found by the next run's cleaning, never made twice.
    std::stable_partition(write.rows.begin(), write.rows.end(), [](const TableRow& row) { return row.origin; });
    for (const TableRow& row : write.rows) {
        if (!insertOnce(run, run.wordPress, run.wordPressTable(row.table), row.values)) {
            recordFailure(run, migration, row.table, "");
            return std::nullopt;
        }
    }
    return Copy{id, id};
}

PostRow menuItemPost(MigrationRun& run, std::int64_t id, std::int64_t author, const NaviRow& row, std::int64_t position)
{
    PostRow post;
    post.id = id;
    post.author = author;
    post.date = run.now();
    post.type = "nav_menu_item";
    // emlog showed the label through htmlspecialchars; WordPress shows a title as it is.
    post.title = escapeHtml(row.name);
    post.commentStatus = "closed";
    post.pingStatus = "closed";
    post.name = std::to_string(id);
    post.menuOrder = position;
    return post;
}

// The rows of emlog's navi table; false when it cannot be read.
bool readNaviTable(MigrationRun& run, std::vector<NaviRow>& rows)
{
    return run.source->forEachRow({Kind::navigation, run.pacing.navigation}, [&](const EmlogRow& emlog) {
        NaviRow& row = rows.emplace_back();
        readField(emlog, "id", row.id);
        readField(emlog, "naviname", row.name);
        readField(emlog, "url", row.url);
        readField(emlog, "newtab", row.newTab);
        readField(emlog, "hide", row.hide);
        readField(emlog, "taxis", row.taxis);
        readField(emlog, "pid", row.pid);
        readField(emlog, "type_id", row.typeId);
        if (!readField(emlog, "type", row.type)) {
            std::string isDefault;
            readField(emlog, "isdefault", isDefault);
            row.type = typeWithoutColumn(row.url, isDefault == "y");
        }
    });
}

} // namespace

// The items a reader saw, in the order emlog showed them: it reads ORDER BY pid, taxis and puts
// each child under its parent; a hidden item is not shown, and neither is what is under it.
std::vector<NaviRow> shownInOrder(std::vector<NaviRow> rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const NaviRow& a, const NaviRow& b) {
        return std::tie(a.pid, a.taxis, a.id) < std::tie(b.pid, b.taxis, b.id);
    });
    std::multimap<std::int64_t, const NaviRow*> children;
    for (const NaviRow& row : rows) {
        if (row.pid != 0)
            children.emplace(row.pid, &row);
    }
    std::vector<NaviRow> shown;
    for (const NaviRow& row : rows) {
        if (row.pid != 0 || row.hide == "y")
            continue;
        shown.push_back(row);
        const auto [first, last] = children.equal_range(row.id);
        for (auto child = first; child != last; ++child) {
            if (child->second->hide != "y")
                shown.push_back(*child->second);
        }
    }
    return shown;
}

void migrateNavigation(MigrationRun& run)
{
    // Before 4.3 the menu is the option navibar; a blog without either has no menu to bring.
    std::optional<std::string> navibar;
    if (const std::optional<bool> has = run.source->hasTable("navi"); has && !*has) {
        if (!run.source->option("navibar", navibar)) {
            unreadableEmlog(run, migration, "options");
            return;
        }
        if (!navibar)
            return;
    }
    if (!readCopies(run, migration,
                    {&origin::navigation, &origin::menu, &origin::navigationBlock, &origin::category, &origin::tag,
                     &origin::article}))
        return;
    Addresses at;
    LinkTargets links(run);
    if (!readAddresses(run, at) || !links.read(migration))
        return;
    const Authors* authors = authorsOf(run, migration);
    if (!authors)
        return;

    std::vector<NaviRow> rows;
    if (navibar)
        rows = navibarRows(*navibar, run.homeLabel);
    else if (!readNaviTable(run, rows))
        return;
    if (run.stopRequested())
        return;
    const std::vector<NaviRow> shown = shownInOrder(std::move(rows));
    if (shown.empty())
        return;

    const Copies& copies = run.state.copies(origin::navigation);
    std::optional<Copy> menu = run.state.copies(origin::menu).find(origin::theBlogsMenu);
    const bool madeNow = !menu;
    // New items go after those an earlier run placed; items take post ids above every post and
    // every article still to come, as attachments do.
    const std::optional<std::int64_t> largestPost = largestId(run, "posts", "ID");
    const std::optional<std::int64_t> lastPosition =
        readNumber(run, run.wordPress, reads::lastMenuOrder(run.wordPressPrefix));
    if (!largestPost || !lastPosition) {
        unreadableWordPress(run, migration, "posts", "largest ID");
        return;
    }
    FreeIds free(*largestPost, [&run] { return largestEmlogId(run, "blog", "gid"); });
    std::int64_t position = *lastPosition;

    RowWriter writer(run, run.state, migration);
    std::map<std::int64_t, std::pair<RowWriter::Ticket, std::int64_t>> thisRun; // navi id → ticket, item
    std::vector<std::pair<RowWriter::Ticket, MenuEntry>> written;
    std::vector<MenuEntry> entries;
    for (const NaviRow& row : shown) {
        if (run.stopRequested())
            break;
        const std::string source = "id=" + std::to_string(row.id);
        Why why;
        std::optional<MenuTarget> target = targetOf(run, row, at, links, why);
        if (copies.contains(row.id)) {
            writer.alreadyThere();
            if (target)
                entries.push_back({row.id, row.pid, escapeHtml(row.name), row.newTab == "y", *target});
            continue;
        }
        if (!target) {
            writer.fail("posts", source, why);
            continue;
        }
        if (!menu && !(menu = makeMenu(run))) {
            writer.fail("terms", source, {Why::Code::menuNotMade});
            continue;
        }
        std::int64_t parent = 0;
        std::optional<RowWrite::After> after;
        if (row.pid != 0) {
            // Shown only under its parent: without it, it would stand at the top instead.
            if (const auto copy = copies.find(row.pid)) {
                parent = copy->id;
            } else if (const auto earlier = thisRun.find(row.pid); earlier != thisRun.end()) {
                parent = earlier->second.second;
                after = RowWrite::After{earlier->second.first,
                                        {Why::Code::parentNotCopied, "id=" + std::to_string(row.pid), {}}};
            } else {
                writer.fail("posts", source, {Why::Code::parentNotCopied, "id=" + std::to_string(row.pid), {}});
                continue;
            }
        }
        const std::int64_t id = free.take();
        if (target->type == "custom")
            target->objectId = id;
        RowWrite write;
        write.sourceId = source;
        write.after = std::move(after);
        write.rows.push_back(
            {"posts", postValues(run, menuItemPost(run, id, authors->administrator, row, ++position))});
        write.rows.push_back({"postmeta", originMeta(origin::navigation, id, row.id), true});
        const std::pair<std::string_view, std::string> meta[] = {
            {"_menu_item_type", target->type},
            {"_menu_item_menu_item_parent", std::to_string(parent)},
            {"_menu_item_object_id", std::to_string(target->objectId)},
            {"_menu_item_object", target->object},
            {"_menu_item_target", row.newTab == "y" ? "_blank" : ""},
            {"_menu_item_classes", "a:1:{i:0;s:0:\"\";}"},
            {"_menu_item_xfn", ""},
            {"_menu_item_url", target->url},
        };
        for (const auto& [key, value] : meta)
            write.rows.push_back({"postmeta", ownerMeta(origin::navigation, id, key, value)});
        write.rows.push_back(termLink(id, menu->taxonomyId));
        write.copied = RowWrite::Copied{&origin::navigation, row.id, {id, id}};
        MenuEntry entry{row.id, row.pid, escapeHtml(row.name), row.newTab == "y", *target};
        const RowWriter::Ticket ticket = writer.write(std::move(write));
        thisRun[row.id] = {ticket, id};
        written.emplace_back(ticket, entry);
        entries.push_back(std::move(entry));
    }
    writer.finish();
    if (!menu || run.stopRequested())
        return;
    // The entries that are not in WordPress after all leave the navigation block too.
    std::erase_if(entries, [&](const MenuEntry& entry) {
        return std::any_of(written.begin(), written.end(), [&](const auto& item) {
            return item.second.naviId == entry.naviId && writer.state(item.first) != RowWriter::State::Arrived;
        });
    });
    const std::string termTaxonomy = run.wordPressTable("term_taxonomy");
    if (!changeWithReconnect(run, run.wordPress, changes::recountMenu(run.wordPressPrefix, menu->taxonomyId)))
        recordFailure(run, migration, termTaxonomy, "");
    if (madeNow)
        placeMenu(run, migration, menu->id, entries);
    else if (!written.empty())
        refreshNavigationBlock(run, migration, entries);
}

} // namespace kestrel
