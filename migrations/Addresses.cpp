// How the old blog wrote its addresses, read once for every migration that rewrites links to it, and
// kept for the redirect plugin, which reads the old addresses that reach WordPress the same way.
#include "Addresses.h"

#include "EmlogSource.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"
#include "PhpValue.h"
#include "ResultSet.h"
#include "WordPressState.h"

namespace kestrel {

namespace {

// Shared with the plugin (includes/address.php), which reads the old addresses by it.
constexpr std::string_view addressesOption = "kestrel_addresses";

// The columns read only where the blog has them, each there from some version of emlog on: table, its
// id and the column.
struct OptionalColumn
{
    std::string_view table;
    std::string_view id;
    std::string_view column;
};
constexpr OptionalColumn optionalColumns[] = {
    {"blog", "gid", "alias"},       // 4.0
    {"sort", "sid", "alias"},       // 4.0
    {"sort", "sid", "pid"},         // 5.1
    {"attachment", "aid", "alias"}, // pro 2.3.7: downloads
};
// pro from 2.2.2 on, which gives a category with an alias an address of its own.
constexpr OptionalColumn proCategories{"sort", "sid", "kw"};

bool readSettings(MigrationRun& run, BlogAddressing& blog)
{
    std::optional<std::string> rewriting, aliases, shortAddresses;
    if (!run.source->option("isurlrewrite", rewriting) || !run.source->option("isalias", aliases) ||
        !run.source->option("is_sample_url", shortAddresses))
        return false;
    blog.rewriting = static_cast<int>(leadingInteger(rewriting.value_or("0")));
    blog.articleAliases = aliases == "y";
    blog.shortAddresses = shortAddresses == "y";
    return true;
}

// Each id with its value of a column, when the table has the column: false when emlog cannot be read.
template <typename Each>
bool eachValue(MigrationRun& run, std::string_view table, std::string_view idColumn, std::string_view column, Each each)
{
    const std::optional<bool> has = run.source->hasColumn(table, column);
    if (!has)
        return false;
    if (!*has)
        return true;
    const std::optional<EmlogValues> values = run.source->columns(table, idColumn, column);
    if (!values)
        return false;
    for (const auto& [id, value] : *values)
        each(id, value);
    return true;
}

std::optional<BlogAddressing> readAddressing(MigrationRun& run)
{
    BlogAddressing blog;
    if (!readSettings(run, blog))
        return std::nullopt;
    std::unordered_map<std::int64_t, std::string> aliasOf;    // sid → alias
    std::unordered_map<std::int64_t, std::int64_t> parentOf;  // sid → pid
    std::unordered_map<std::int64_t, std::string> downloadOf; // aid → its download alias
    const std::optional<bool> pro = run.source->hasColumn(proCategories.table, proCategories.column);
    const bool read =
        pro &&
        eachValue(run, "blog", "gid", "alias",
                  [&](std::int64_t gid, const std::string& alias) {
                      if (!alias.empty())
                          blog.articles.emplace(alias, gid);
                  }) &&
        eachValue(run, "sort", "sid", "alias",
                  [&](std::int64_t sid, const std::string& alias) {
                      if (!alias.empty()) {
                          aliasOf.emplace(sid, alias);
                          blog.categories.emplace(alias, sid);
                      }
                  }) &&
        eachValue(run, "sort", "sid", "sortname",
                  [&](std::int64_t sid, const std::string& name) { blog.categories.emplace(name, sid); }) &&
        eachValue(run, "sort", "sid", "pid",
                  [&](std::int64_t sid, const std::string& pid) { parentOf.emplace(sid, leadingInteger(pid)); }) &&
        eachValue(run, "attachment", "aid", "alias",
                  [&](std::int64_t aid, const std::string& alias) {
                      if (!alias.empty())
                          downloadOf.emplace(aid, alias);
                  }) &&
        // Only a blog with downloads needs its files' paths.
        (downloadOf.empty() ||
         eachValue(run, "attachment", "aid", "filepath", [&](std::int64_t aid, const std::string& path) {
             if (const auto alias = downloadOf.find(aid); alias != downloadOf.end())
                 blog.downloads.emplace(alias->second, path);
         }));
    if (!read)
        return std::nullopt;
    // A numeric alias never named a category's own address: its address stayed sort/<alias>.
    blog.categoryAddresses = *pro;
    for (const auto& [sid, alias] : aliasOf) {
        if (alias.find_first_not_of("0123456789") != std::string::npos)
            blog.categoryAliases.emplace(alias, sid);
        if (const auto parent = parentOf.find(sid); parent != parentOf.end() && aliasOf.count(parent->second))
            blog.parentAliases.emplace(sid, aliasOf.at(parent->second));
    }
    return blog;
}

} // namespace

const BlogAddressing* blogAddressing(MigrationRun& run)
{
    if (!run.handoffs.addressing) {
        std::optional<BlogAddressing> read = readAddressing(run);
        if (!read)
            return nullptr;
        run.handoffs.addressing = std::move(read);
    }
    return &*run.handoffs.addressing;
}

std::vector<EmlogRead> blogAddressingReads(MigrationRun& run)
{
    if (run.handoffs.addressing)
        return {};
    using What = EmlogRead::What;
    std::vector<EmlogRead> reads = {{What::Option, "isurlrewrite"},
                                    {What::Option, "isalias"},
                                    {What::Option, "is_sample_url"},
                                    {What::HasColumn, "blog"},
                                    {What::HasColumn, "sort"},
                                    {What::HasColumn, "attachment"},
                                    {What::Columns, "sort", {"sid", "sortname"}}};
    // Last: on an older blog these fail, and what would follow them in the same exchange is asked again.
    for (const OptionalColumn& optional : optionalColumns)
        reads.push_back(
            {What::Columns, std::string(optional.table), {std::string(optional.id), std::string(optional.column)}});
    return reads;
}

void keepAddresses(MigrationRun& run)
{
    constexpr std::string_view step = step::addresses;
    // A dump of the content tables alone has no settings to keep.
    if (run.source->hasTable("options") == false)
        return;
    const BlogAddressing* blog = blogAddressing(run);
    if (!blog) {
        run.failures.record(step, run.source->tableName("options"), "",
                            {Why::Code::emlogUnreadable, {}, run.source->lastError()});
        return;
    }
    PhpValue kept = PhpValue::array();
    kept.at("article_aliases") = PhpValue::integer(blog->readsArticleAliases() ? 1 : 0);
    kept.at("short_addresses") = PhpValue::integer(blog->readsShortAddresses() ? 1 : 0);
    kept.at("category_addresses") = PhpValue::integer(blog->readsCategoryAddresses() ? 1 : 0);
    std::optional<std::string> there;
    if (!readWordPressOption(run, addressesOption, there)) {
        unreadableWordPress(run, step, "options", addressesOption);
        return;
    }
    // A run again finds it as it was: nothing is written.
    if (there == kept.serialized())
        return;
    if (!setWordPressOption(run, addressesOption, kept.serialized()))
        recordFailure(run, step, "options", "");
}

} // namespace kestrel
