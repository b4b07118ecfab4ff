#include "Permalinks.h"

#include "MigrationRun.h"
#include "VerifyContext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kestrel {

namespace {

constexpr std::size_t perRequest = 100; // the most the REST API gives at once

} // namespace

std::unordered_map<std::int64_t, QUrl> permalinksOf(VerifyContext& verify, const std::vector<std::int64_t>& posts,
                                                    const std::vector<std::int64_t>& pages)
{
    std::vector<SiteRequest> requests;
    for (const auto& [route, ids] : {std::pair{"posts", &posts}, std::pair{"pages", &pages}}) {
        for (std::size_t first = 0; first < ids->size(); first += perRequest) {
            std::string list;
            for (std::size_t i = first; i < std::min(ids->size(), first + perRequest); ++i)
                list += (list.empty() ? "" : ",") + std::to_string((*ids)[i]);
            requests.push_back({verify.siteAddress("?rest_route=/wp/v2/" + std::string(route) + "&include=" + list +
                                                   "&per_page=100&_fields=id,link")});
        }
    }
    std::unordered_map<std::int64_t, QUrl> links;
    verify.fetcher.fetch(
        requests,
        [&](std::size_t, const SiteAnswer& answer) {
            if (answer.status != 200)
                return;
            for (const QJsonValue item : QJsonDocument::fromJson(answer.body).array()) {
                const std::int64_t id = item[QStringLiteral("id")].toInteger();
                if (const auto onSite = verify.onSite(item[QStringLiteral("link")].toString().toStdString()))
                    links.emplace(id, *onSite);
            }
        },
        verify.run.stopToken);
    return links;
}

} // namespace kestrel
