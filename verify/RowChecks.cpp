#include "Checks.h"

#include "FileChecks.h"
#include "HtmlText.h"
#include "LocalTimes.h"
#include "MigrationRun.h"
#include "Navigation.h"
#include "PhpValue.h"
#include "SiteSettings.h"
#include "Twitter.h"
#include "Users.h"
#include "VerifyContext.h"
#include "Widgets.h"

#include <set>
#include <unordered_map>
#include <unordered_set>

namespace kestrel {

namespace {

// One emlog row of a kind, and whether WordPress must hold it.
struct Expected
{
    std::int64_t id = 0;
    bool wanted = true;
    std::string status; // what its copy's status must be, when that says something
};

void reportMissing(VerifyContext& verify, std::string_view kind, std::int64_t id)
{
    verify.find(
        {std::string(kind), id, std::string(check::missing), std::string(kind) + " " + std::to_string(id), {}, {}, {}});
}

// Each row of the kind has its copy (and that copy the status given); gives the copies, or nothing
// when they could not be read.
std::optional<Copies> checkCopies(VerifyContext& verify, Kind kind, const std::vector<Expected>& rows)
{
    const KindInfo& info = infoOf(kind);
    std::optional<Copies> copies = verify.reads.copies(*info.origin);
    if (!copies) {
        verify.failed(verify.run.wordPressTable(info.origin->metaTable), verify.reads.lastError());
        return std::nullopt;
    }
    for (const Expected& row : rows) {
        if (!row.wanted)
            continue;
        verify.result.count(info.id);
        if (!copies->contains(row.id))
            reportMissing(verify, info.id, row.id);
    }
    return copies;
}

// The ids of a table's rows, with the columns asked for; nothing (and the failure noted) when it cannot be read.
bool readRows(VerifyContext& verify, std::string_view table, const std::vector<std::string>& columns,
              const std::function<void(const EmlogRow&)>& each)
{
    if (verify.run.source->readTable(table, columns, each))
        return true;
    return verify.failed(verify.run.source->tableName(table), verify.run.source->lastError());
}

// The status each copy of these rows has, checked against what the rows want.
bool checkStatuses(VerifyContext& verify, Kind kind, const Copies& copies, const std::vector<Expected>& rows)
{
    std::vector<std::int64_t> ids;
    for (const Expected& row : rows) {
        if (const auto copy = row.wanted ? copies.find(row.id) : std::nullopt)
            ids.push_back(copy->id);
    }
    std::unordered_map<std::int64_t, std::string> statuses;
    const bool comments = infoOf(kind).wordPressTable == "comments";
    const bool read = comments
                          ? verify.reads.comments(ids, [&](const CommentRow& row) { statuses[row.id] = row.approved; })
                          : verify.reads.posts(ids, [&](const PostRead& row) { statuses[row.id] = row.status; });
    if (!read)
        return verify.failed(verify.run.wordPressTable(infoOf(kind).wordPressTable), verify.reads.lastError());
    for (const Expected& row : rows) {
        const auto copy = row.wanted ? copies.find(row.id) : std::nullopt;
        if (!copy || row.status.empty() || statuses[copy->id] == row.status)
            continue;
        verify.find({std::string(idOf(kind)),
                     row.id,
                     std::string(comments ? check::approved : check::status),
                     row.status,
                     statuses[copy->id],
                     {},
                     {}});
    }
    return true;
}

bool checkUsersAndTerms(VerifyContext& verify)
{
    MigrationRun& run = verify.run;
    std::vector<Expected> users;
    if (!readRows(verify, "user", {"uid"},
                  [&](const EmlogRow& row) { readField(row, "uid", users.emplace_back().id); }))
        return false;
    // A user is there when the run copied it, or WordPress had one of the same login or e-mail.
    const Authors* authors = authorsOf(run, idOf(Kind::users));
    if (!authors)
        return verify.failed(run.wordPressTable("users"), verify.reads.lastError());
    for (const Expected& user : users) {
        verify.result.count(idOf(Kind::users));
        if (!authors->byUid.contains(user.id))
            reportMissing(verify, idOf(Kind::users), user.id);
    }
    for (const auto& [kind, table, idColumn] :
         {std::tuple{Kind::categories, "sort", "sid"}, std::tuple{Kind::tags, "tag", "tid"}}) {
        // A copy for the lambda: clang before 16 cannot capture a structured binding.
        const char* column = idColumn;
        std::vector<Expected> rows;
        if (!readRows(verify, table, {column},
                      [&](const EmlogRow& row) { readField(row, column, rows.emplace_back().id); }) ||
            !checkCopies(verify, kind, rows))
            return false;
    }
    return true;
}

bool checkAttachments(VerifyContext& verify)
{
    const std::optional<EmlogValues> gids = verify.run.source->columns("blog", "gid", "gid");
    if (!gids)
        return verify.failed(verify.run.source->tableName("blog"), verify.run.source->lastError());
    std::unordered_set<std::int64_t> articles;
    for (const auto& [gid, value] : *gids)
        articles.insert(gid);
    std::vector<Expected> rows;
    std::unordered_set<std::int64_t> thumbnails;
    const bool read = readRows(verify, "attachment", {}, [&](const EmlogRow& row) {
        Expected& attachment = rows.emplace_back();
        std::int64_t blogId = 0, thumbnailOf = 0;
        readField(row, "aid", attachment.id);
        readField(row, "blogid", blogId);
        readField(row, "thumfor", thumbnailOf);
        // An upload of an article emlog no longer has was shown nowhere: a run does not copy it.
        attachment.wanted = blogId == 0 || articles.contains(blogId);
        if (thumbnailOf != 0)
            thumbnails.insert(attachment.id);
    });
    const std::optional<Copies> copies = read ? checkCopies(verify, Kind::attachments, rows) : std::nullopt;
    if (!copies)
        return false;
    // Each attachment's file answers where WordPress says it is.
    std::vector<std::int64_t> ids;
    std::unordered_map<std::int64_t, std::int64_t> aidOf;
    for (const Expected& row : rows) {
        const auto copy = row.wanted && !thumbnails.contains(row.id) ? copies->find(row.id) : std::nullopt;
        if (copy && aidOf.emplace(copy->id, row.id).second)
            ids.push_back(copy->id);
    }
    FileChecks files(verify);
    if (!verify.reads.posts(ids,
                            [&](const PostRead& row) { files.add(idOf(Kind::attachments), aidOf[row.id], row.guid); }))
        return verify.failed(verify.run.wordPressTable("posts"), verify.reads.lastError());
    files.check();
    return true;
}

// The blog's faces (members' photos, comments' avatars, the logo and icon): each picture a run made of
// one answers where WordPress says it is.
bool checkFaces(VerifyContext& verify)
{
    FileChecks files(verify);
    for (const FaceOrigin& face : faceOrigins) {
        const std::optional<Copies> copies = verify.reads.copies(*face.origin);
        if (!copies)
            return verify.failed(verify.run.wordPressTable(face.origin->metaTable), verify.reads.lastError());
        std::vector<std::int64_t> ids;
        std::unordered_map<std::int64_t, std::int64_t> emlogIdOf;
        copies->forEach([&](std::int64_t emlogId, const Copy& copy) {
            if (emlogIdOf.emplace(copy.id, emlogId).second)
                ids.push_back(copy.id);
        });
        if (!verify.reads.posts(ids, [&](const PostRead& row) {
                verify.result.count(idOf(Kind::faces));
                files.add(idOf(Kind::faces), emlogIdOf[row.id], row.guid);
            }))
            return verify.failed(verify.run.wordPressTable("posts"), verify.reads.lastError());
    }
    files.check();
    return true;
}

bool checkLinks(VerifyContext& verify)
{
    std::set<std::tuple<std::string, std::string, std::string>> links;
    if (!verify.reads.links([&](const std::string& url, const std::string& name, const std::string& visible) {
            links.emplace(url, name, visible);
        }))
        return verify.failed(verify.run.wordPressTable("links"), verify.reads.lastError());
    return readRows(verify, "link", {}, [&](const EmlogRow& row) {
        std::int64_t id = 0;
        std::string url, name, hide = "n";
        readField(row, "id", id);
        readField(row, "siteurl", url);
        readField(row, "sitename", name);
        readField(row, "hide", hide);
        verify.result.count(idOf(Kind::links));
        const std::string visible = hide == "y" ? "N" : "Y";
        // A link an earlier version copied kept its name as typed.
        if (!links.contains({url, escapeHtml(name), visible}) && !links.contains({url, name, visible}))
            reportMissing(verify, idOf(Kind::links), id);
    });
}

bool checkMenuAndSidebar(VerifyContext& verify)
{
    std::vector<NaviRow> navi;
    if (!readRows(verify, "navi", {}, [&](const EmlogRow& row) {
            NaviRow& item = navi.emplace_back();
            readField(row, "id", item.id);
            readField(row, "hide", item.hide);
            readField(row, "pid", item.pid);
            readField(row, "taxis", item.taxis);
        }))
        return false;
    std::vector<Expected> shown;
    for (const NaviRow& item : shownInOrder(std::move(navi)))
        shown.push_back({item.id, true, {}});
    if (!checkCopies(verify, Kind::navigation, shown))
        return false;

    std::optional<std::string> custom;
    if (!verify.run.source->option("custom_widget", custom))
        return verify.failed(verify.run.source->tableName("options"), verify.run.source->lastError());
    std::vector<Expected> widgets;
    const std::optional<PhpValue> parsed = custom ? PhpValue::parse(*custom) : std::nullopt;
    if (parsed && parsed->isArray()) {
        for (const auto& [name, widget] : parsed->entries()) {
            if (const auto number = customWidgetNumber(name); number && widget.isArray())
                widgets.push_back({*number, true, {}});
        }
    }
    return widgets.empty() || checkCopies(verify, Kind::widgets, widgets);
}

bool checkTwitter(VerifyContext& verify)
{
    const std::optional<bool> has = blogHas(verify.run, idOf(Kind::twitter), "twitter");
    if (!has)
        return verify.failed(verify.run.source->tableName("twitter"), verify.run.source->lastError());
    if (!*has)
        return true;
    std::vector<Expected> twitter;
    std::unordered_set<std::int64_t> ids;
    if (!readRows(verify, "twitter", {}, [&](const EmlogRow& row) {
            Expected& item = twitter.emplace_back();
            std::string isPrivate = "n";
            readField(row, "id", item.id);
            readField(row, "private", isPrivate);
            item.status = isPrivate == "y" ? "private" : "publish";
            ids.insert(item.id);
        }))
        return false;
    const std::optional<Copies> copies = checkCopies(verify, Kind::twitter, twitter);
    if (!copies || !checkStatuses(verify, Kind::twitter, *copies, twitter))
        return false;
    std::vector<Expected> replies;
    if (!readRows(verify, "reply", {}, [&](const EmlogRow& row) {
            Expected& reply = replies.emplace_back();
            std::int64_t tid = 0;
            std::string hide = "n", like = "n";
            readField(row, "id", reply.id);
            readField(row, "tid", tid);
            readField(row, "hide", hide);
            readField(row, "islike", like);
            // pro's likes are counted on their 微语, not made comments.
            reply.wanted = like != "y" && ids.contains(tid);
            reply.status = hide == "y" ? "0" : "1";
        }))
        return false;
    const std::optional<Copies> replyCopies = checkCopies(verify, Kind::replies, replies);
    return replyCopies && checkStatuses(verify, Kind::replies, *replyCopies, replies);
}

// The site's name and settings hold emlog's, unless the site's owner changed one since the run set it.
bool checkSiteSettings(VerifyContext& verify)
{
    MigrationRun& run = verify.run;
    const auto record = verify.reads.option("kestrel_settings");
    if (!record)
        return verify.failed(run.wordPressTable("options"), verify.reads.lastError());
    const std::optional<PhpValue> given = *record ? PhpValue::parse(**record) : std::nullopt;
    for (const SiteSetting& setting : siteSettings()) {
        std::optional<std::string> value;
        if (!run.source->option(setting.emlog, value))
            return verify.failed(run.source->tableName("options"), run.source->lastError());
        const std::optional<std::string> expected = value ? wordPressSetting(setting.emlog, *value) : std::nullopt;
        if (!expected)
            continue;
        const auto current = verify.reads.option(setting.wordPress);
        if (!current)
            return verify.failed(run.wordPressTable("options"), verify.reads.lastError());
        const PhpValue* before = given ? given->find(setting.wordPress) : nullptr;
        const std::optional<std::string> setBefore = before ? std::optional(before->text()) : std::nullopt;
        verify.result.count(step::settings);
        if (settingFate(*current, *expected, setBefore, false) == SettingFate::change)
            verify.find({std::string(step::settings),
                         std::nullopt,
                         std::string(check::setting),
                         std::string(setting.wordPress) + "=" + *expected,
                         std::string(setting.wordPress) + "=" + current->value_or(""),
                         {},
                         {}});
    }
    return true;
}

bool checkSettings(VerifyContext& verify)
{
    MigrationRun& run = verify.run;
    if (!verify.settings.keepWordPressTimeZone) {
        const BlogTimeZones zones = readTimeZones(run);
        if (!zones.wordPress)
            return verify.failed(run.wordPressTable("options"), verify.reads.lastError());
        if (!(zones.emlog == *zones.wordPress))
            verify.find({std::string(step::timeZone),
                         std::nullopt,
                         std::string(check::setting),
                         zones.emlog.describe(),
                         zones.wordPress->describe(),
                         {},
                         {}});
    }
    if (!verify.settings.keepWordPressSettings && !checkSiteSettings(verify))
        return false;
    std::optional<std::string> icp, info;
    if (!run.source->option("icp", icp) || !run.source->option("footer_info", info))
        return verify.failed(run.source->tableName("options"), run.source->lastError());
    const auto blank = [](const std::optional<std::string>& text) {
        return !text || text->find_first_not_of(" \t\r\n") == std::string::npos;
    };
    if (blank(icp) && blank(info))
        return true;
    const auto footer = verify.reads.option("kestrel_footer");
    if (!footer)
        return verify.failed(run.wordPressTable("options"), verify.reads.lastError());
    if (!*footer)
        verify.find(
            {std::string(step::footer), std::nullopt, std::string(check::setting), "kestrel_footer", {}, {}, {}});
    return true;
}

} // namespace

bool checkOtherRows(VerifyContext& verify)
{
    for (bool (*check)(VerifyContext&) : {checkUsersAndTerms, checkAttachments, checkLinks, checkTwitter,
                                          checkMenuAndSidebar, checkFaces, checkSettings}) {
        if (verify.stopRequested() || !check(verify))
            return false;
    }
    return true;
}

} // namespace kestrel
