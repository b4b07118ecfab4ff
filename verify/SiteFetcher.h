#pragma once

#include "Politeness.h"
#include "SiteTrust.h"

#include <QByteArray>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace kestrel {

// One address to ask the site for.
struct SiteRequest
{
    QUrl url;
    bool headOnly = false; // only the status and where it leads: WordPress answers a HEAD without its page
    // Where the redirects are expected to lead: reached, it is not asked for again (its status is the redirect's).
    QUrl expected = {};
};

// What the site answered, after following its redirects (never from https to http).
struct SiteAnswer
{
    int status = 0;    // of the last answer; 0 when none came
    QUrl finalUrl;     // where the redirects led
    QByteArray body;   // empty for a HEAD
    std::string error; // the network's words when no answer came
};

// Asks a served site for pages and files as a reader's browser would, politely (see Politeness), each
// request with a timeout, on the calling thread's own event loop: for a worker thread, never the
// window's. Only the site's own addresses are asked for by the checks.
class SiteFetcher
{
public:
    using Answered = std::function<void(std::size_t index, const SiteAnswer& answer)>;

    explicit SiteFetcher(SiteTrust trust, std::chrono::milliseconds timeout = std::chrono::milliseconds{30000},
                         std::int64_t sizeLimit = std::int64_t{256} * 1024 * 1024);

    // Asks for each address, calling `answered` once for each in the order the answers come; a stop
    // request ends it early, without an answer for what is left.
    void fetch(const std::vector<SiteRequest>& requests, const Answered& answered, std::stop_token stop);

private:
    SiteTrust m_trust;
    std::chrono::milliseconds m_timeout;
    std::int64_t m_sizeLimit;
    Politeness m_politeness; // kept across calls: the site's pace is the site's
};

} // namespace kestrel
