#include "CheckQueries.h"
#include "EmptyingPlan.h"
#include "FaceSources.h"
#include "Kinds.h"
#include "LinkLookup.h"
#include "Navibar.h"
#include "Origins.h"
#include "PhpValue.h"
#include "ResultSet.h"
#include "RunContext.h"
#include "TextHelpers.h"
#include "UserLookup.h"
#include "WordPressQueries.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <utility>

namespace kestrel::check {

namespace {

// What WordPress holds at some of the ids a kind's rows keep, as id, type and title. Kinds WordPress
// numbers itself have none.
using HoldersAt = Query (*)(std::string_view prefix, std::vector<std::int64_t> ids);

HoldersAt holdersAtIds(Kind kind)
{
    switch (kind) {
    case Kind::categories:
        return reads::termsAt;
    case Kind::posts:
        return reads::postsAt;
    case Kind::links:
        return reads::linksAt;
    default:
        return nullptr;
    }
}

struct Context
{
    const EmlogRows& emlogRows;
    Session& wordPress;
    const CheckSettings& settings;
    BlogCheckReport& report;

    Rows wordPressRows(const Query& query) { return selectRows(wordPress, query, report.errors); }
};

// emlog ids whose rows an earlier run copied, found where the run finds them.
std::set<std::int64_t> copiedBefore(Context& context, const OriginKey& key)
{
    std::set<std::int64_t> ids;
    for (const auto& row : context.wordPressRows(reads::copies(context.settings.wordPressPrefix, key)))
        if (const auto id = originIdOf(row[0]))
            ids.insert(*id);
    return ids;
}

// A link is there when WordPress has one with the same address and name, as the run finds it.
std::set<std::int64_t> linksThere(Context& context, const std::string& emlogTable)
{
    LinkLookup present;
    for (auto& row : context.wordPressRows(reads::links(context.settings.wordPressPrefix)))
        present.add(std::move(row[1]), std::move(row[2]));
    std::set<std::int64_t> ids;
    for (const auto& row : context.emlogRows(emlogTable, {"id", "siteurl", "sitename"})) {
        if (present.holds(row[1], row[2]))
            ids.insert(leadingInteger(row[0]));
    }
    return ids;
}

// A user is there when a run copied it, or when WordPress has one with its login or e-mail, as the
// run finds it.
std::set<std::int64_t> usersThere(Context& context, const std::string& emlogTable)
{
    std::set<std::int64_t> ids = copiedBefore(context, origin::user);
    UserLookup wordPressUsers;
    for (const auto& row : context.wordPressRows(reads::users(context.settings.wordPressPrefix)))
        wordPressUsers.add(leadingInteger(row[0]), row[1], row[2]);
    for (const auto& row : context.emlogRows(emlogTable, {"uid", "username", "email"})) {
        if (wordPressUsers.match({}, leadingInteger(row[0]), row[1], row[2]) != 0)
            ids.insert(leadingInteger(row[0]));
    }
    return ids;
}

// The owner's sidebar texts are not rows of their own: the numbers N of custom_wg_N in the option
// custom_widget, as the run reads them.
std::vector<std::int64_t> sidebarTexts(Context& context, const std::string& emlogTable)
{
    std::vector<std::int64_t> numbers;
    for (const auto& row : context.emlogRows(emlogTable, {"option_name", "option_value"})) {
        if (row[0] != "custom_widget")
            continue;
        const std::optional<PhpValue> texts = PhpValue::parse(row[1]);
        if (!texts)
            continue;
        for (const auto& entry : texts->entries()) {
            if (entry.first.rfind("custom_wg_", 0) == 0 && entry.second.isArray())
                numbers.push_back(leadingInteger(entry.first.substr(10)));
        }
    }
    return numbers;
}

// The items of a menu made of the option navibar, as the run numbers them: the home page (0), then
// each page by its gid.
std::vector<std::int64_t> navibarItems(Context& context, const std::string& emlogTable)
{
    std::vector<std::int64_t> ids;
    for (const auto& row : context.emlogRows(emlogTable, {"option_name", "option_value"})) {
        if (row[0] != "navibar")
            continue;
        // The home page first, then every page it names.
        const std::vector<NavibarPage> pages = navibarPages(row[1]);
        if (!pages.empty())
            ids.push_back(0);
        for (const NavibarPage& page : pages)
            ids.push_back(page.gid);
    }
    return ids;
}

void findHolders(Context& context, HoldersAt holders, const std::vector<std::int64_t>& ids, KindCheck& check)
{
    constexpr std::size_t batch = 500;
    for (std::size_t first = 0; first < ids.size(); first += batch) {
        const std::vector<std::int64_t> some(ids.begin() + static_cast<std::ptrdiff_t>(first),
                                             ids.begin() +
                                                 static_cast<std::ptrdiff_t>(std::min(ids.size(), first + batch)));
        for (auto& row : context.wordPressRows(holders(context.settings.wordPressPrefix, some)))
            check.taken.push_back({leadingInteger(row[0]), std::move(row[1]), std::move(row[2])});
    }
}

} // namespace

void checkExistingRows(const EmlogRows& emlogRows, Session& wordPress, const CheckSettings& settings,
                       BlogCheckReport& report)
{
    Context context{emlogRows, wordPress, settings, report};
    const bool wordPressReadable = report.wordPress.complete();
    for (const KindInfo& kind : kinds) {
        const std::string emlogTable = settings.emlogPrefix + std::string(kind.emlogTable);
        const CheckedTable* table = report.emlog.find(emlogTable);
        // Before 4.3 the navigation bar is the option navibar.
        const bool navibar = kind.kind == Kind::navigation && table && !table->present;
        const std::string options = settings.emlogPrefix + "options";
        if (navibar)
            table = report.emlog.find(options);
        // Faces are rows of several tables: checkFaces() counts them.
        if (!table || !table->present || kind.kind == Kind::faces)
            continue;
        // Only emlog 3.x kept the owner's answers inside the comments.
        if (kind.kind == Kind::ownerReplies && report.emlogVersion != "3.x")
            continue;
        // pro's likes are rows of the reply table but no replies: the run counts them on their 微语.
        const bool likes = kind.kind == Kind::replies && report.emlogVersion == "pro";
        std::vector<std::int64_t> ids;
        if (kind.kind == Kind::widgets || navibar) {
            ids = navibar ? navibarItems(context, options) : sidebarTexts(context, emlogTable);
            if (ids.empty())
                continue;
        } else if (kind.kind == Kind::ownerReplies) {
            for (const auto& row : emlogRows(emlogTable, {"cid", "reply"})) {
                if (row.size() > 1 && !row[1].empty())
                    ids.push_back(leadingInteger(row[0]));
            }
        } else {
            std::vector<std::string> columns{std::string(kind.idColumn)};
            if (likes)
                columns.emplace_back("islike");
            for (const auto& row : emlogRows(emlogTable, columns)) {
                if (!likes || row.size() < 2 || row[1] != "y")
                    ids.push_back(leadingInteger(row[0]));
            }
        }
        KindCheck& check = report.kinds.emplace_back();
        check.kind = kind.id;
        check.idColumn = kind.kind == Kind::widgets ? "custom_widget" : kind.idColumn;
        check.rows = static_cast<std::int64_t>(ids.size());

        check.emptiedFirst = settings.emptyWordPressFirst &&
                             std::find(std::begin(wordPressTables), std::end(wordPressTables), kind.wordPressTable) !=
                                 std::end(wordPressTables);
        if (check.emptiedFirst || !wordPressReadable)
            continue;

        const std::set<std::int64_t> there = kind.kind == Kind::users ? usersThere(context, emlogTable)
                                             : kind.origin            ? copiedBefore(context, *kind.origin)
                                                                      : linksThere(context, emlogTable);
        std::vector<std::int64_t> notThere;
        for (const std::int64_t id : ids) {
            if (there.count(id))
                ++check.alreadyThere;
            else
                notThere.push_back(id);
        }
        if (const HoldersAt holders = holdersAtIds(kind.kind))
            findHolders(context, holders, notThere, check);
    }

    if (settings.emptyWordPressFirst && wordPressReadable) {
        // Only the blog's kinds go: menus, templates and other types of posts and taxonomies stay.
        std::vector<EmptyingPlan::Kind> kinds;
        if (!countBlogRows(wordPress, settings.wordPressPrefix, kinds))
            report.errors.push_back("counting what emptying takes: " + wordPress.lastError());
        for (const EmptyingPlan::Kind& kind : kinds)
            report.emptiedFirst.push_back({kind.name, kind.rows});
    }
}

void checkFaces(EmlogSource& emlog, Session& wordPress, const CheckSettings& settings, BlogCheckReport& report)
{
    const std::vector<Face> faces = readFaces(emlog);
    if (faces.empty())
        return;
    KindCheck& check = report.kinds.emplace_back();
    check.kind = idOf(Kind::faces);
    check.idColumn = "photo, avatar, tpl_options_data";
    check.rows = static_cast<std::int64_t>(faces.size());
    check.emptiedFirst = settings.emptyWordPressFirst;
    if (check.emptiedFirst || !report.wordPress.complete())
        return;
    const EmlogRows none = [](const std::string&, const std::vector<std::string>&) { return Rows{}; };
    Context context{none, wordPress, settings, report};
    for (const FaceOrigin& kind : faceOrigins) {
        const std::set<std::int64_t> there = copiedBefore(context, *kind.origin);
        check.alreadyThere += std::count_if(faces.begin(), faces.end(), [&](const Face& face) {
            return face.origin == kind.origin && there.count(face.emlogId) > 0;
        });
    }
}

} // namespace kestrel::check
