#include "CopiedFiles.h"
#include "HtmlText.h"
#include "Kinds.h"
#include "LinkLookup.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RowValues.h"
#include "RowWriter.h"
#include "Terms.h"
#include "WordPressQueries.h"

#include <utility>

namespace kestrel {

namespace {

struct LinksInWordPress
{
    LinkLookup byAddressAndName;
    std::unordered_set<std::int64_t> ids;
};

std::optional<LinksInWordPress> linksInWordPress(MigrationRun& run)
{
    run.wordPress.useUnicode();
    ResultSet rows = readWithReconnect(run, run.wordPress, reads::links(run.wordPressPrefix));
    if (!rows)
        return std::nullopt;
    LinksInWordPress links;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::int64_t id = 0;
        std::string url;
        std::string name;
        readField(rows, 0, id);
        readField(rows, 1, url);
        readField(rows, 2, name);
        links.ids.insert(id);
        links.byAddressAndName.add(std::move(url), std::move(name));
    }
    return links;
}

} // namespace

void migrateLinks(MigrationRun& run)
{
    constexpr std::string_view migration = idOf(Kind::links);
    readAheadOfWordPress(run, {reads::links(run.wordPressPrefix)});
    run.source->readAhead({{EmlogRead::What::FirstRows, "link"}});
    std::optional<LinksInWordPress> read = linksInWordPress(run);
    if (!read) {
        unreadableWordPress(run, migration, "links", "links");
        return;
    }
    LinksInWordPress& existing = *read;
    std::unordered_set<std::int64_t>& used = existing.ids;
    FreeIds free(0, [&run] { return largestEmlogId(run, "link", "id"); });
    for (const std::int64_t id : used)
        free.keepAbove(id);

    RowWriter writer(run, run.state, migration);
    // What is queued goes while emlog's next rows are on their way.
    const TableReading reading{Kind::links, run.pacing.links, {}, [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& rows) {
        std::int64_t id = 0;
        std::string url;
        std::string name;
        std::string description;
        std::string hide = "n";
        std::string icon; // emlog pro's: the address of the site's icon
        readField(rows, "id", id);
        readField(rows, "icon", icon);
        // An icon among the blog's own files is where that file is now.
        if (const auto copied = run.files ? run.files->newAddress(icon) : std::nullopt)
            icon = *copied;
        readField(rows, "siteurl", url);
        readField(rows, "sitename", name);
        readField(rows, "description", description);
        readField(rows, "hide", hide);
        const std::string shownName = LinkLookup::storedName(name);
        if (existing.byAddressAndName.holds(url, name)) {
            writer.alreadyThere();
            return;
        }
        const std::int64_t linkId = free.keepOrTake(id, used);
        used.insert(linkId);
        RowValues link;
        link.add("link_id", linkId)
            .add("link_url", url)
            .add("link_name", shownName)
            .add("link_description", escapeHtml(description))
            // A link the blogger hid stays hidden.
            .add("link_visible", hide == "y" ? "N" : "Y")
            .add("link_image", icon)
            .add("link_notes", "");
        RowWrite write;
        write.sourceId = "id=" + std::to_string(id);
        write.rows.push_back({"links", std::move(link)});
        write.arrivalCheck = reads::linkCount(run.wordPressPrefix, url, shownName);
        writer.write(std::move(write));
    });
    writer.finish();
}

} // namespace kestrel
