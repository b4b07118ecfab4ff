#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>
#include <string>

namespace kestrel {

// Where WordPress's site is asked for: at its home address, or at another that serves the same site
// (--wp-site: the new server before the domain moves to it, say). WordPress names its pages, files and
// redirects under its home; asked for elsewhere, they are asked for at the site.
class ServedSite
{
public:
    ServedSite() = default;
    // Both without a closing "/".
    ServedSite(const std::string& home, QUrl site);

    const QUrl& site() const { return m_site; }

    // Where the site serves an address of WordPress: one under the home moved to the site, one on the
    // site's own server as it is; nothing for anywhere else.
    std::optional<QUrl> onSite(const QUrl& address) const;
    std::optional<QUrl> onSite(const std::string& address) const;

    // The Host header a request for `url` carries: the home's name, for an address on a site reached by
    // its number or by the home's own name at another port or scheme, so that WordPress serves its pages
    // there rather than sending every reader on to its home, as a browser names it once the domain
    // points there. Empty: the address's own, as for a site of a name of its own, whose TLS server name
    // and Host must agree.
    QByteArray hostFor(const QUrl& url) const;

private:
    QUrl m_home;
    QUrl m_site;
};

} // namespace kestrel
