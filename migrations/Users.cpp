#include "Users.h"

#include "DateTime.h"
#include "HtmlText.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RowWriter.h"
#include "Terms.h"
#include "TextHelpers.h"
#include "WordPressQueries.h"

#include <unordered_set>

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::users);
constexpr std::size_t nicenameLength = 50;

struct EmlogUser
{
    std::int64_t uid = 0;
    std::string login;
    std::string hash;
    std::string nickname;
    std::string role;
    std::string isCheck = "n";
    std::string email;
    std::string description;
    std::int64_t created = 0; // emlog pro only
    std::int64_t state = 0;   // emlog pro: 1 is an account its blog disabled
};

struct WordPressUsers
{
    UserLookup lookup;
    std::unordered_set<std::string> nicenames;
    std::int64_t largestId = 0;
};

Query wordPressUsersQuery(MigrationRun& run)
{
    return reads::users(run.wordPressPrefix);
}

std::optional<WordPressUsers> wordPressUsers(MigrationRun& run)
{
    run.wordPress.useUnicode();
    ResultSet rows = readWithReconnect(run, run.wordPress, wordPressUsersQuery(run));
    if (!rows)
        return std::nullopt;
    WordPressUsers users;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::int64_t id = 0;
        std::string login, email, nicename;
        readField(rows, 0, id);
        readField(rows, 1, login);
        readField(rows, 2, email);
        readField(rows, 3, nicename);
        users.lookup.add(id, login, email);
        users.nicenames.insert(nicename);
        users.largestId = std::max(users.largestId, id);
    }
    return users;
}

// The WordPress user an emlog user already is, if any.
std::int64_t matchingUser(const WordPressUsers& users, const Copies& copies, const EmlogUser& user)
{
    return users.lookup.match(copies, user.uid, user.login, user.email);
}

EmlogUser readUser(const EmlogRow& rows)
{
    EmlogUser user;
    readField(rows, "uid", user.uid);
    readField(rows, "username", user.login);
    readField(rows, "password", user.hash);
    readField(rows, "nickname", user.nickname);
    // emlog 3.0 and 3.1 have no roles: their one user is the blog's administrator.
    if (!readField(rows, "role", user.role))
        user.role = "admin";
    readField(rows, "ischeck", user.isCheck);
    readField(rows, "email", user.email);
    readField(rows, "description", user.description);
    readField(rows, "create_time", user.created);
    readField(rows, "state", user.state);
    return user;
}

std::string capabilities(std::string_view role)
{
    if (role.empty())
        return "a:0:{}";
    return "a:1:{s:" + std::to_string(role.size()) + ":\"" + std::string(role) + "\";b:1;}";
}

} // namespace

std::int64_t Authors::of(std::int64_t uid) const
{
    const auto user = byUid.find(uid);
    return user != byUid.end() ? user->second : administrator;
}

std::int64_t Authors::userOf(std::int64_t uid) const
{
    const auto user = byUid.find(uid);
    return user != byUid.end() ? user->second : 0;
}

Role roleOf(std::string_view emlogRole, std::string_view isCheck)
{
    if (emlogRole == "admin")
        return {"administrator", 10};
    if (emlogRole == "editor")
        return {"editor", 7};
    if (emlogRole == "writer")
        return isCheck == "y" ? Role{"contributor", 1} : Role{"author", 2};
    return {"subscriber", 0};
}

std::string userNicename(std::string_view login)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string nicename;
    for (const char c : asciiLower(login)) {
        const auto byte = static_cast<unsigned char>(c);
        std::string piece;
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
            piece = std::string(1, c);
        else if (c == ' ' || c == '.' || c == '@')
            piece = "-";
        else if (byte >= 0x80)
            piece = {'%', hex[byte >> 4], hex[byte & 0xF]};
        if (nicename.size() + piece.size() > nicenameLength)
            break;
        nicename += piece;
    }
    return nicename;
}

namespace {

// WordPress's administrator with the lowest id: the author of articles whose emlog author is gone.
// 0 when it has none; nothing when that cannot be asked.
Query administratorQuery(MigrationRun& run)
{
    return reads::administrator(run.wordPressPrefix);
}

std::optional<std::int64_t> administratorOf(MigrationRun& run)
{
    const ResultSet rows = readWithReconnect(run, run.wordPress, administratorQuery(run));
    std::int64_t id = 0;
    if (rowCount(rows) == 0 || !readField(rows, 0, id))
        return std::nullopt;
    return id;
}

// Whether the blog has a user table: an old dump, say, has none. Nothing when that cannot be asked.
std::optional<bool> hasUserTable(MigrationRun& run, std::string_view migration)
{
    const std::optional<bool> has = run.source->hasTable("user");
    if (!has)
        unreadableEmlog(run, migration, "user");
    return has;
}

} // namespace

std::vector<Query> authorsQueries(MigrationRun& run)
{
    if (run.handoffs.authors)
        return {};
    std::vector<Query> queries = {administratorQuery(run), wordPressUsersQuery(run)};
    if (!run.state.hasCopies(origin::user) && run.state.transactions(run) == Transactions::yes)
        queries.push_back(reads::copies(run.wordPressPrefix, origin::user));
    return queries;
}

const Authors* authorsOf(MigrationRun& run, std::string_view migration)
{
    if (run.handoffs.authors)
        return &*run.handoffs.authors;
    Authors authors;
    const std::optional<std::int64_t> administrator = administratorOf(run);
    if (!administrator) {
        unreadableWordPress(run, migration, "usermeta", "administrator");
        return nullptr;
    }
    if (*administrator > 0)
        authors.administrator = *administrator;
    const std::optional<bool> hasUsers = hasUserTable(run, migration);
    if (!hasUsers)
        return nullptr;
    if (*hasUsers) {
        const std::optional<WordPressUsers> users = wordPressUsers(run);
        if (!users) {
            unreadableWordPress(run, migration, "users", "users");
            return nullptr;
        }
        if (!readCopies(run, migration, {&origin::user}))
            return nullptr;
        const Copies& copies = run.state.copies(origin::user);
        const bool read = run.source->readTable("user", {}, [&](const EmlogRow& row) {
            const EmlogUser user = readUser(row);
            if (const std::int64_t id = matchingUser(*users, copies, user))
                authors.byUid.emplace(user.uid, id);
        });
        if (!read) {
            unreadableEmlog(run, migration, "user");
            return nullptr;
        }
    }
    return &run.handoffs.authors.emplace(std::move(authors));
}

void migrateUsers(MigrationRun& run)
{
    // A blog without a user table (an old dump, say) has no users to bring.
    const std::optional<bool> hasUsers = hasUserTable(run, migration);
    if (!hasUsers || !*hasUsers)
        return;
    std::optional<WordPressUsers> wordPress = wordPressUsers(run);
    if (!wordPress) {
        unreadableWordPress(run, migration, "users", "users");
        return;
    }
    if (!readCopies(run, migration, {&origin::user}))
        return;
    WordPressUsers& users = *wordPress;
    const Copies& copies = run.state.copies(origin::user);
    FreeIds free(users.largestId);
    // Who each emlog user is in WordPress: the authors of the articles.
    Authors authors;
    const std::string registeredNow = formatDateTime(unixTimeToUtc(run.now()));

    RowWriter writer(run, run.state, migration);
    // What is queued goes while emlog's next rows are on their way.
    const TableReading reading{Kind::users, {}, {}, [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& rows) {
        const EmlogUser user = readUser(rows);
        // A user WordPress already has is left exactly as it is, however emlog describes them.
        if (const std::int64_t id = matchingUser(users, copies, user)) {
            authors.byUid.emplace(user.uid, id);
            writer.alreadyThere();
            return;
        }
        const std::int64_t id = free.take();
        std::string nicename = userNicename(user.login);
        if (nicename.empty())
            nicename = "user-" + std::to_string(user.uid);
        for (int n = 2; users.nicenames.count(nicename); ++n)
            nicename = userNicename(user.login).substr(0, nicenameLength - 4) + "-" + std::to_string(n);
        users.nicenames.insert(nicename);
        users.lookup.add(id, user.login, user.email);

        // WordPress shows these as stored; emlog escaped them.
        const std::string shown = escapeHtml(user.nickname.empty() ? user.login : user.nickname);
        // An account emlog disabled gets no role at all: it may log in, but do nothing.
        const Role role = user.state != 0 ? Role{"", 0} : roleOf(user.role, user.isCheck);
        RowWrite write;
        write.sourceId = "uid=" + std::to_string(user.uid);
        RowValues row;
        row.add("ID", id)
            .add("user_login", user.login)
            .add("user_pass", user.hash)
            .add("user_nicename", nicename)
            .add("user_email", user.email)
            .add("user_registered", user.created > 0 ? formatDateTime(unixTimeToUtc(user.created)) : registeredNow)
            .add("display_name", shown);
        write.rows.push_back({"users", std::move(row)});
        auto meta = [&](std::string_view key, std::string_view value) {
            write.rows.push_back({"usermeta", ownerMeta(origin::user, id, key, value)});
        };
        meta("nickname", shown);
        meta("description", escapeHtml(user.description));
        meta(run.wordPressPrefix + "capabilities", capabilities(role.name));
        meta(run.wordPressPrefix + "user_level", std::to_string(role.level));
        write.rows.push_back({"usermeta", originMeta(origin::user, id, user.uid), true});
        write.copied = RowWrite::Copied{&origin::user, user.uid, {id, id}};
        writer.write(std::move(write));
    });
    writer.finish();
    // The users that arrived are the authors of their articles from now on.
    copies.forEach([&](std::int64_t uid, const Copy& copy) { authors.byUid.emplace(uid, copy.id); });
    const std::optional<std::int64_t> administrator = administratorOf(run);
    if (!administrator) {
        unreadableWordPress(run, migration, "usermeta", "administrator");
        return;
    }
    if (*administrator > 0)
        authors.administrator = *administrator;
    run.handoffs.authors = std::move(authors);
}

} // namespace kestrel
