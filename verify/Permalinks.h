#pragma once

#include <QUrl>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kestrel {

struct VerifyContext;

// Where the site shows these published posts and pages, as WordPress itself gives their addresses to
// anyone (its REST API, a hundred to a request), moved to the site: so each page is asked for at its own
// address, rather than through a redirect from ?p= each. A post the API does not name is left out.
std::unordered_map<std::int64_t, QUrl> permalinksOf(VerifyContext& verify, const std::vector<std::int64_t>& posts,
                                                    const std::vector<std::int64_t>& pages);

} // namespace kestrel
