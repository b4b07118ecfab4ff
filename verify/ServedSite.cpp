#include "ServedSite.h"

#include <QHostAddress>

namespace kestrel {

namespace {

int portOf(const QUrl& url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

bool sameServer(const QUrl& a, const QUrl& b)
{
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && portOf(a) == portOf(b);
}

} // namespace

ServedSite::ServedSite(const std::string& home, QUrl site)
    : m_home(QUrl(QString::fromStdString(home))), m_site(std::move(site))
{
}

std::optional<QUrl> ServedSite::onSite(const QUrl& address) const
{
    if (!address.isValid() || address.isRelative())
        return std::nullopt;
    if (m_home.isValid() && sameServer(address, m_home)) {
        const QString below = m_home.path(QUrl::FullyEncoded);
        const QString path = address.path(QUrl::FullyEncoded);
        if (path == below || path.startsWith(below + QLatin1Char('/'))) {
            QUrl moved = m_site;
            moved.setPath(m_site.path(QUrl::FullyEncoded) + path.mid(below.size()), QUrl::TolerantMode);
            moved.setQuery(address.hasQuery() ? address.query(QUrl::FullyEncoded) : QString(), QUrl::TolerantMode);
            moved.setFragment(address.hasFragment() ? address.fragment(QUrl::FullyEncoded) : QString(),
                              QUrl::TolerantMode);
            return moved;
        }
    }
    if (sameServer(address, m_site))
        return address;
    return std::nullopt;
}

std::optional<QUrl> ServedSite::onSite(const std::string& address) const
{
    return onSite(QUrl(QString::fromStdString(address)));
}

QByteArray ServedSite::hostFor(const QUrl& url) const
{
    if (!m_home.isValid() || m_home.host().isEmpty() || sameServer(m_site, m_home) || !sameServer(url, m_site))
        return {};
    const bool byNumber = !QHostAddress(m_site.host()).isNull();
    if (!byNumber && m_site.host().compare(m_home.host(), Qt::CaseInsensitive) != 0)
        return {};
    return m_home.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toUtf8();
}

} // namespace kestrel
