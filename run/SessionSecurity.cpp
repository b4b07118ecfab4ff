#include "SessionSecurity.h"
#include "Utf8.h"

#include "BlogConnection.h"

namespace kestrel {

namespace {

ConnectionOptions optionsOf(const ConnectionFields& fields)
{
    ConnectionOptions options;
    options.server = fields.server;
    options.caFile = fields.caFile;
    options.tlsFingerprint = fields.tlsFingerprint;
    options.allowUnencrypted = fields.allowUnencrypted;
    return options;
}

std::string certificateCheckName(Protection protection)
{
    switch (protection) {
    case Protection::SystemCas:
        return "system-cas";
    case Protection::CaFile:
        return "ca-file";
    case Protection::Fingerprint:
        return "fingerprint";
    case Protection::TlsWhenOffered:
        break;
    }
    return "none";
}

} // namespace

SessionSecurity sessionSecurity(const BlogConnection& session)
{
    return {static_cast<bool>(session), certificateCheckName(session.protection()), session.tlsVersion(),
            session.tlsCipher()};
}

bool isFingerprint(const std::string& text)
{
    return !normalisedFingerprint(text).empty();
}

QString plannedSessionText(const QString& blog, const ConnectionFields& fields)
{
    const ConnectionOptions options = optionsOf(fields);
    switch (plannedProtection(options)) {
    case Protection::SystemCas:
        return QStringLiteral("%1：必须加密，服务器证书须由本机信任的 CA 签发给 %2").arg(blog, text(fields.server));
    case Protection::CaFile:
        return QStringLiteral("%1：必须加密，服务器证书须由 CA 文件 %2 签发给 %3")
            .arg(blog, text(fields.caFile), text(fields.server));
    case Protection::Fingerprint:
        return QStringLiteral("%1：必须加密，服务器证书的 SHA-256 指纹须是 %2")
            .arg(blog, text(normalisedFingerprint(fields.tlsFingerprint)));
    case Protection::TlsWhenOffered:
        break;
    }
    if (isThisMachine(parseServerAddress(fields.server).host))
        return QStringLiteral("%1：本机服务器，支持 TLS 就加密（不验证证书），不支持就不加密").arg(blog);
    return QStringLiteral("%1：已允许不加密，支持 TLS 就加密（不验证证书），不支持就不加密").arg(blog);
}

QString plannedPluginText(const RunSettings& settings)
{
    const ConnectionFields& fields = settings.wordPress;
    const QString site = text(settings.wordPressAddress);
    if (!site.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
        return QStringLiteral("WordPress：经 %1 的 Kestrel Receiver 插件，不加密").arg(site);
    if (!fields.tlsFingerprint.empty())
        return QStringLiteral("WordPress：经 %1 的 Kestrel Receiver 插件，HTTPS，网站证书的 SHA-256 指纹须是 %2")
            .arg(site, text(normalisedFingerprint(fields.tlsFingerprint)));
    if (!fields.caFile.empty())
        return QStringLiteral("WordPress：经 %1 的 Kestrel Receiver 插件，HTTPS，网站证书须由 CA 文件 %2 签发")
            .arg(site, text(fields.caFile));
    return QStringLiteral("WordPress：经 %1 的 Kestrel Receiver 插件，HTTPS，网站证书须由本机信任的 CA 签发").arg(site);
}

QString sessionText(const QString& blog, const SessionSecurity& security)
{
    if (!security.opened)
        return blog + QStringLiteral("：连接已断开");
    if (security.cipher.empty())
        return blog + QStringLiteral("：未加密");
    QString how = text(security.tlsVersion + "，" + security.cipher);
    if (security.certificateCheck == "system-cas")
        how += QStringLiteral("，已用本机信任的 CA 验证服务器证书");
    else if (security.certificateCheck == "ca-file")
        how += QStringLiteral("，已用 CA 文件验证服务器证书");
    else if (security.certificateCheck == "fingerprint")
        how += QStringLiteral("，已核对服务器证书的指纹");
    else
        how += QStringLiteral("，未验证服务器证书");
    return blog + QStringLiteral("：加密连接（%1）").arg(how);
}

} // namespace kestrel
