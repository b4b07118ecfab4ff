#pragma once

#include "Politeness.h"
#include "ServedSite.h"
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
    std::string error; // why no whole answer came: the network's words, or a timeout's
};

// Asks a served site for pages and files as a reader's browser would, politely (see Politeness), on the
// calling thread's own event loop: for a worker thread, never the window's. Only the site's own
// addresses are asked for by the checks, and a redirect into WordPress's home is followed on the site
// (ServedSite). Each request ends: after `timeout` without a byte, after four times that in all, or
// once an answer that only a closed connection would end reads whole (WholeAnswer.h).
class SiteFetcher
{
public:
    using Answered = std::function<void(std::size_t index, const SiteAnswer& answer)>;

    explicit SiteFetcher(SiteTrust trust, std::chrono::milliseconds timeout = std::chrono::milliseconds{30000},
                         std::int64_t sizeLimit = std::int64_t{256} * 1024 * 1024);

    // Asks for each address, calling `answered` once for each in the order the answers come; a stop
    // request ends it early, without an answer for what is left.
    void fetch(const std::vector<SiteRequest>& requests, const Answered& answered, std::stop_token stop);

    // Where the site is asked for, when not at WordPress's home; until then, at the addresses as given.
    void setServedSite(ServedSite served) { m_served = std::move(served); }
    const ServedSite& servedSite() const { return m_served; }

private:
    class Round; // one call of fetch()

    SiteTrust m_trust;
    std::chrono::milliseconds m_timeout;
    std::int64_t m_sizeLimit;
    Politeness m_politeness; // kept across calls: the site's pace is the site's
    ServedSite m_served;
};

} // namespace kestrel
