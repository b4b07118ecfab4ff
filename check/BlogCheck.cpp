#include "BlogCheck.h"

#include "BackupFile.h"
#include "BackupSource.h"
#include "CheckQueries.h"
#include "ResultSet.h"
#include "RunContext.h"
#include "ServerSource.h"
#include "Session.h"
#include "TableQueries.h"
#include "WordPressQueries.h"

#include <algorithm>
#include <span>
#include <string_view>

namespace kestrel {

namespace check {

Rows selectRows(Session& session, const Query& query, std::vector<std::string>& errors)
{
    Rows rows;
    ResultSet result = session.read(query);
    if (!result) {
        errors.push_back(query.sql() + ": " + std::to_string(session.lastErrorNumber()) + " " + session.lastError());
        return rows;
    }
    const std::uint64_t count = rowCount(result);
    rows.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i, nextRow(result)) {
        std::vector<std::string>& row = rows.emplace_back(static_cast<std::size_t>(result.columnCount()));
        for (int column = 0; column < result.columnCount(); ++column)
            readField(result, column, row[static_cast<std::size_t>(column)]);
    }
    return rows;
}

} // namespace check

namespace {

using namespace check;

constexpr std::string_view emlogRequired[] = {"blog", "comment", "attachment", "sort", "tag", "link"};
// Some dumps carry only the content tables: without these a run copies no users, menu or sidebar.
// 6.x has no 微语, only pro has custom fields, and only emlog before 5.1.3 trackbacks.
constexpr std::string_view emlogOptional[] = {"user",  "options",     "navi",     "twitter",
                                              "reply", "blog_fields", "trackback"};
constexpr std::string_view wordPressRequired[] = {"posts", "postmeta", "comments",      "commentmeta",
                                                  "terms", "termmeta", "term_taxonomy", "term_relationships",
                                                  "links", "options",  "users",         "usermeta"};

// Each table of the session's database with its character set.
using TableCharsets = std::map<std::string, std::string>;

TableCharsets readTableCharsets(Session& session, const Query& query, std::vector<std::string>& errors)
{
    TableCharsets tables;
    for (auto& row : selectRows(session, query, errors))
        tables[row[0]] = row[1];
    return tables;
}

TableColumns readColumns(Session& session, std::vector<std::string>& errors)
{
    TableColumns columns;
    for (auto& row : selectRows(session, tableColumns(), errors))
        columns[row[0]].push_back(row[1]);
    return columns;
}

// Another prefix under which every required table is there, found from the first one's name.
std::string findFittingPrefix(const TableCharsets& present, std::span<const std::string_view> required,
                              const std::string& given)
{
    const std::string_view anchor = required.front();
    for (const auto& [name, charset] : present) {
        if (!std::string_view(name).ends_with(anchor))
            continue;
        const std::string prefix = name.substr(0, name.size() - anchor.size());
        const bool all = std::all_of(required.begin(), required.end(), [&](std::string_view bare) {
            return present.count(prefix + std::string(bare)) != 0;
        });
        if (prefix != given && all)
            return prefix;
    }
    return {};
}

BlogTables listTables(const TableCharsets& present, const std::string& prefix,
                      std::span<const std::string_view> required, std::span<const std::string_view> optional)
{
    BlogTables tables;
    auto add = [&](std::string_view bare, bool isRequired) {
        CheckedTable table;
        table.name = prefix + std::string(bare);
        table.required = isRequired;
        const auto found = present.find(table.name);
        table.present = found != present.end();
        if (table.present)
            table.charset = found->second;
        tables.tables.push_back(std::move(table));
    };
    for (const std::string_view bare : required)
        add(bare, true);
    for (const std::string_view bare : optional)
        add(bare, false);
    if (!tables.complete())
        tables.fittingPrefix = findFittingPrefix(present, required, prefix);
    return tables;
}

// emlog 2.x keeps its settings in config and has no categories; 3.x has no aliases, 4.x no 微语 images;
// emlog 5 has no tag list on its articles, emlog 6 has one, and pro adds a page tree.
std::string emlogVersion(const TableColumns& columns, const std::string& prefix)
{
    const auto has = [&](const std::string& table, std::string_view column) {
        const auto found = columns.find(prefix + table);
        return found != columns.end() &&
               (column.empty() || std::find(found->second.begin(), found->second.end(), column) != found->second.end());
    };
    if (has("config", "") && !has("sort", ""))
        return "2.x";
    if (!has("blog", ""))
        return {};
    if (has("blog", "parent_id"))
        return "pro";
    if (has("blog", "tags"))
        return "6.x";
    if (!has("blog", "alias"))
        return "3.x";
    return has("twitter", "") && !has("twitter", "img") ? "4.x" : "5.x";
}

} // namespace

bool BlogTables::complete() const
{
    return std::all_of(tables.begin(), tables.end(),
                       [](const CheckedTable& table) { return table.present || !table.required; });
}

const CheckedTable* BlogTables::find(const std::string& name) const
{
    for (const CheckedTable& table : tables) {
        if (table.name == name)
            return &table;
    }
    return nullptr;
}

BlogCheckReport checkBlogs(Session& emlog, Session& wordPress, const CheckSettings& settings, BackupFile* emlogBackup)
{
    BlogCheckReport report;
    if (!emlogBackup)
        emlog.useUnicode();
    wordPress.useUnicode();
    report.emlogMaxPacket = emlogBackup ? 0 : emlog.maxStatementBytes();
    report.wordPressMaxPacket = wordPress.maxStatementBytes();

    const TableColumns columns = emlogBackup ? backupColumns(*emlogBackup) : readColumns(emlog, report.errors);
    report.emlog = listTables(emlogBackup ? backupCharsets(*emlogBackup)
                                          : readTableCharsets(emlog, tableCharsets(), report.errors),
                              settings.emlogPrefix, emlogRequired, emlogOptional);
    report.emlogVersion = emlogVersion(columns, settings.emlogPrefix);
    for (CheckedTable& table : report.emlog.tables) {
        if (!table.present)
            continue;
        if (emlogBackup) {
            table.rows = emlogBackup->table(table.name)->rows;
            continue;
        }
        const Rows count = selectRows(emlog, countRows(table.name), report.errors);
        if (!count.empty())
            table.rows = leadingInteger(count[0][0]);
    }

    report.wordPress =
        listTables(readTableCharsets(wordPress, reads::tableCharsets(settings.wordPressPrefix), report.errors),
                   settings.wordPressPrefix, wordPressRequired, {});
    if (report.wordPress.find(settings.wordPressPrefix + "options")->present) {
        const Rows version =
            selectRows(wordPress, reads::option(settings.wordPressPrefix, "db_version"), report.errors);
        if (!version.empty())
            report.wordPressDatabaseVersion = version[0][0];
    }

    // emlog's rows as a run reads them, from its server or its file.
    RunContext context(emlog, wordPress);
    context.emlogPrefix = settings.emlogPrefix;
    context.wordPressPrefix = settings.wordPressPrefix;
    ServerSource server(context);
    std::optional<BackupSource> file;
    if (emlogBackup)
        file.emplace(context, *emlogBackup);
    EmlogSource& source = file ? static_cast<EmlogSource&>(*file) : server;
    const EmlogRows emlogRows = [&](const std::string& table, const std::vector<std::string>& names) {
        Rows rows;
        const std::string bare = table.substr(settings.emlogPrefix.size());
        const bool read = source.readTable(bare, names, [&](const EmlogRow& row) {
            std::vector<std::string>& texts = rows.emplace_back();
            for (const std::string& name : names)
                readField(row, name, texts.emplace_back());
        });
        if (read)
            return rows;
        if (emlogBackup)
            report.backupErrors.push_back(emlogBackup->problem());
        else
            report.errors.push_back(table + ": " + source.lastError());
        return rows;
    };
    checkTimeZones(source, context, settings, report);
    checkExistingRows(emlogRows, wordPress, settings, report);
    checkFaces(source, wordPress, settings, report);
    if (emlogBackup)
        checkBackupRowSizes(*emlogBackup, settings, report);
    else
        checkRowSizes(emlog, settings, columns, report);
    return report;
}

} // namespace kestrel
