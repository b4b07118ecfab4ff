#include "Checks.h"

#include "EmlogAddresses.h"
#include "MigrationRun.h"
#include "VerifyContext.h"

#include <QUrl>

#include <unordered_map>

namespace kestrel {

namespace {

// The redirect plugin, as WordPress lists it among its active plugins.
constexpr std::string_view redirectPlugin = "kestrel-redirects/";

struct OldAddress
{
    bool article; // or a category
    std::int64_t emlogId;
    std::string below; // below the blog's root
    QUrl target;       // where it must lead; empty: where `targetRequest` leads
    std::size_t targetRequest = 0;
};

QUrl canonical(const QUrl& url)
{
    return url.adjusted(QUrl::StripTrailingSlash | QUrl::NormalizePathSegments);
}

std::string encoded(const std::string& text)
{
    return QUrl::toPercentEncoding(QString::fromStdString(text)).toStdString();
}

} // namespace

bool redirectPluginActive(const std::string& activePlugins)
{
    return activePlugins.find(redirectPlugin) != std::string::npos;
}

bool checkOldAddresses(VerifyContext& verify)
{
    MigrationRun& run = verify.run;
    if (!verify.redirectsActive) {
        verify.find({std::string(addressesKind),
                     std::nullopt,
                     std::string(check::plugin),
                     std::string(redirectPlugin),
                     {},
                     verify.site.toString().toStdString(),
                     {}});
        return true;
    }
    EmlogAddressing addressing;
    std::optional<std::string> rewrite, aliases, html;
    if (!run.source->option("isurlrewrite", rewrite) || !run.source->option("isalias", aliases) ||
        !run.source->option("isalias_html", html))
        return verify.failed(run.source->tableName("options"), run.source->lastError());
    addressing.rewrite = rewrite ? std::atoi(rewrite->c_str()) : 0;
    addressing.aliases = aliases.value_or("n") == "y";
    addressing.aliasesEndInHtml = html.value_or("n") == "y";

    // Categories by sid: the alias or name their addresses use.
    std::unordered_map<std::int64_t, std::string> aliasOf, categoryPart;
    if (!run.source->readTable("sort", {"sid", "alias", "sortname"}, [&](const EmlogRow& row) {
            std::int64_t sid = 0;
            std::string alias, name;
            readField(row, "sid", sid);
            readField(row, "alias", alias);
            readField(row, "sortname", name);
            aliasOf[sid] = alias;
            categoryPart[sid] = encoded(alias.empty() ? name : alias);
        }))
        return verify.failed(run.source->tableName("sort"), run.source->lastError());
    const std::optional<Copies> categories = verify.reads.copies(origin::category);
    if (!categories)
        return verify.failed(run.wordPressTable("termmeta"), verify.reads.lastError());

    // First each category's own page, then the old addresses: a redirect straight to a page already
    // seen to answer is not followed.
    std::vector<SiteRequest> requests;
    std::vector<OldAddress> old;
    for (const VerifyContext::ArticlePage& article : verify.articlePages) {
        const auto category = categoryPart.find(article.sortid);
        for (const std::string& below : emlogArticleAddresses(addressing, article.gid, encoded(article.alias),
                                                              category == categoryPart.end() ? "" : category->second))
            old.push_back({true, article.gid, below, article.page});
    }
    categories->forEach([&](std::int64_t sid, const Copy& copy) {
        if (!aliasOf.contains(sid))
            return;
        const std::size_t target = requests.size();
        requests.push_back({verify.siteAddress("?cat=" + std::to_string(copy.id)), true});
        for (const std::string& below : emlogCategoryAddresses(addressing, sid, encoded(aliasOf[sid])))
            old.push_back({false, sid, below, {}, target});
    });
    const std::size_t first = requests.size();
    std::vector<SiteAnswer> answers(first + old.size());
    std::int64_t done = 0;
    const auto ask = [&](std::size_t from) {
        const std::vector<SiteRequest> asked(requests.begin() + static_cast<std::ptrdiff_t>(from), requests.end());
        verify.fetcher.fetch(
            asked,
            [&](std::size_t index, const SiteAnswer& answer) {
                answers[from + index] = {answer.status, answer.finalUrl, {}, answer.error};
                verify.tell({addressesKind, ++done, static_cast<std::int64_t>(answers.size())});
            },
            run.stopToken);
    };
    verify.tell({addressesKind, 0, static_cast<std::int64_t>(answers.size())});
    ask(0);
    for (const OldAddress& address : old) {
        const SiteAnswer* target = address.target.isEmpty() ? &answers[address.targetRequest] : nullptr;
        const bool answered = target && target->status != 0 && target->status < 400;
        requests.push_back({verify.siteAddress(address.below), true, answered ? target->finalUrl : address.target});
    }
    if (!verify.stopRequested())
        ask(first);
    if (verify.stopRequested())
        return false;
    for (std::size_t i = 0; i < old.size(); ++i) {
        const OldAddress& address = old[i];
        const SiteAnswer& answer = answers[first + i];
        const QUrl target = address.target.isEmpty() ? answers[address.targetRequest].finalUrl : address.target;
        verify.result.count(addressesKind);
        if (answer.status != 0 && answer.status < 400 && canonical(answer.finalUrl) == canonical(target))
            continue;
        verify.find({std::string(addressesKind), address.emlogId,
                     std::string(address.article ? check::oldArticleAddress : check::oldCategoryAddress),
                     target.toString().toStdString(),
                     answer.status == 0
                         ? answer.error
                         : answer.finalUrl.toString().toStdString() + " (HTTP " + std::to_string(answer.status) + ")",
                     requests[first + i].url.toString().toStdString(), verify.oldAddress(address.below)});
    }
    return true;
}

} // namespace kestrel
