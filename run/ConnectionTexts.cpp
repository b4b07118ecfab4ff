#include "ConnectionTexts.h"

#include "ConnectionOptions.h"
#include "Session.h"
#include "Utf8Text.h"

namespace kestrel::texts {

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

// "emlog 的数据库在这台电脑上（127.0.0.1）", "WordPress 的数据库在 db.example.org:3307".
QString whereIs(const QString& blog, const ConnectionFields& fields)
{
    const QString server = text(fields.server.empty() ? std::string("localhost") : fields.server);
    if (isThisMachine(parseServerAddress(fields.server).host))
        return QStringLiteral("%1 的数据库在这台电脑上（%2）").arg(blog, server);
    return QStringLiteral("%1 的数据库在 %2").arg(blog, server);
}

} // namespace

QString plannedSessionText(const QString& blog, const ConnectionFields& fields)
{
    const QString where = whereIs(blog, fields);
    const QString host = text(parseServerAddress(fields.server).host);
    switch (plannedProtection(optionsOf(fields))) {
    case Protection::SystemCas:
        return QStringLiteral("%1：经网络连接，一定加密，并确认对方就是 %2（它的证书须由本机信任的机构签发）。")
            .arg(where, host);
    case Protection::CaFile:
        return QStringLiteral("%1：经网络连接，一定加密，并用 CA 文件 %2 确认对方就是 %3。")
            .arg(where, text(fields.caFile), host);
    case Protection::Fingerprint:
        return QStringLiteral("%1：经网络连接，一定加密，并核对证书的 SHA-256 指纹 %2 确认对方的身份。")
            .arg(where, text(normalisedFingerprint(fields.tlsFingerprint)));
    case Protection::TlsWhenOffered:
        break;
    }
    if (isThisMachine(parseServerAddress(fields.server).host))
        return QStringLiteral("%1：数据不经过网络，服务器支持时也加密。").arg(where);
    return QStringLiteral("%1：经网络连接。你允许了不加密的连接：服务器支持时加密（但不确认对方的身份），"
                          "不支持时明文传送，路上的人能读到博客的内容。")
        .arg(where);
}

QString plannedPluginText(const RunSettings& settings)
{
    const ConnectionFields& fields = settings.wordPress;
    const QString site = text(settings.wordPressAddress);
    const QString where = QStringLiteral("WordPress 在网站 %1 上，经它的 Kestrel Receiver 插件写入").arg(site);
    if (!site.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
        return QStringLiteral("%1：用 http，不加密，路上的人能读到博客的内容和应用程序密码。").arg(where);
    if (!fields.tlsFingerprint.empty())
        return QStringLiteral("%1：用 HTTPS 加密，并核对网站证书的 SHA-256 指纹 %2 确认对方的身份。")
            .arg(where, text(normalisedFingerprint(fields.tlsFingerprint)));
    if (!fields.caFile.empty())
        return QStringLiteral("%1：用 HTTPS 加密，并用 CA 文件 %2 确认网站的身份。").arg(where, text(fields.caFile));
    return QStringLiteral("%1：用 HTTPS 加密，并确认网站的证书由本机信任的机构签发。").arg(where);
}

QString plannedRoute(const RunSettings& settings)
{
    const QString emlog =
        settings.emlogBackup.empty()
            ? plannedSessionText(QStringLiteral("emlog"), settings.emlog)
            : QStringLiteral("emlog：从这台电脑上的备份文件 %1 读取，不连接数据库。").arg(text(settings.emlogBackup));
    const QString wordPress = settings.wordPressAddress.empty()
                                  ? plannedSessionText(QStringLiteral("WordPress"), settings.wordPress)
                                  : plannedPluginText(settings);
    return emlog + QLatin1Char('\n') + wordPress;
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

QString connectionFailed(const QString& blog)
{
    return QStringLiteral("%1博客数据库连接失败.").arg(blog);
}

QString tlsRefusal(const TlsRefusal& refusal)
{
    const QString host = text(refusal.host);
    QString trusted;
    if (refusal.protection == Protection::CaFile)
        trusted = QStringLiteral("CA 文件 %1").arg(text(refusal.caFile));
    else if (refusal.protection == Protection::Fingerprint)
        trusted = QStringLiteral("给出的指纹");
    else
        trusted = QStringLiteral("本机信任的 CA");
    const QString trustHint = QStringLiteral("；要信任自己的服务器，请给出它的 CA 文件或证书的 SHA-256 指纹"
                                             "（kestrel-cli 的 --emlog-ca/--wp-ca、--emlog-tls-fingerprint/"
                                             "--wp-tls-fingerprint）");
    QString reason;
    switch (refusal.reason) {
    case TlsRefusal::Reason::NotOfferedOffThisMachine:
        reason = QStringLiteral("服务器不支持 TLS 加密，而 %1 不在这台电脑上，连接必须加密：否则路上的人都能读到博客，"
                                "也能冒充服务器。确实要以明文连接时，请允许不加密的连接（kestrel-cli 的 "
                                "--allow-unencrypted，或窗口“安全”按钮里的“允许不加密的连接”）")
                     .arg(host);
        break;
    case TlsRefusal::Reason::NotOffered:
        reason = QStringLiteral("服务器不支持 TLS 加密，无法出示证书来与%1核对").arg(trusted);
        break;
    case TlsRefusal::Reason::OtherHostName:
        reason = QStringLiteral("服务器的证书不是签发给主机名 %1 的（%2）").arg(host, trusted);
        break;
    case TlsRefusal::Reason::NotSigned:
        reason = refusal.protection == Protection::CaFile
                     ? QStringLiteral("服务器的证书不是由 %1 里的 CA 签发的").arg(text(refusal.caFile))
                     : QStringLiteral("服务器的证书不是由%1签发的").arg(trusted) + trustHint;
        break;
    case TlsRefusal::Reason::OtherCertificate:
        reason = QStringLiteral("服务器出示的证书与给出的指纹不符");
        break;
    case TlsRefusal::Reason::CertificateRefused:
        reason = QStringLiteral("服务器的证书没有通过验证（%1）").arg(trusted);
        break;
    case TlsRefusal::Reason::NoAgreement:
        reason = QStringLiteral("无法与服务器商定加密连接；TLS 失败的连接决不改用明文重连");
        break;
    }
    return QStringLiteral("拒绝连接服务器：%1 [%2]").arg(reason, text(refusal.libraryError));
}

QString sessionFailure(const Session& session)
{
    if (session.tlsRefusal())
        return tlsRefusal(*session.tlsRefusal());
    return text(session.lastError());
}

QString pluginRefusal(PluginRefusal refusal, const QString& site, const QString& switchAddress)
{
    const QString nothing = QStringLiteral("什么都没有写入。");
    switch (refusal) {
    case PluginRefusal::None:
        break;
    case PluginRefusal::Unencrypted:
        return QStringLiteral("%1 不是 https 地址：应用程序密码会以明文经过网络。请用 https://，"
                              "或确知网络可信时加 --allow-unencrypted。")
                   .arg(site) +
               nothing;
    case PluginRefusal::Unreachable:
        return QStringLiteral("连不上 %1：请检查地址和网络。").arg(site) + nothing;
    case PluginRefusal::Certificate:
        return QStringLiteral("%1 的证书验证不通过，没有发送密码。证书是自签名的，请用 --wp-ca 给出签发它的 CA 证书，"
                              "或用 --wp-tls-fingerprint 给出它的 SHA-256 指纹。")
                   .arg(site) +
               nothing;
    case PluginRefusal::PluginMissing:
        return QStringLiteral("%1 上没有 Kestrel Receiver 插件（或 WordPress 的 REST API 被关闭了）：请在 WordPress "
                              "后台“插件”里上传并启用 Kestrel 附带的 kestrel-receiver 插件。")
                   .arg(site) +
               nothing;
    case PluginRefusal::PluginTooOld:
        return QStringLiteral("%1 上的 Kestrel Receiver 插件太旧：请换上这一版 Kestrel 附带的插件。").arg(site) +
               nothing;
    case PluginRefusal::WrongLogin:
        return QStringLiteral("%1 不认这个用户名和应用程序密码：请在 WordPress 后台“用户 → 个人资料 → 应用程序密码”"
                              "里新建一个，用 KESTREL_WP_PASSWORD 或 --wp-password-file 给出（不是登录密码）。")
                   .arg(site) +
               nothing;
    case PluginRefusal::NotAdministrator:
        return QStringLiteral("%1 上的这个用户不是管理员：请用管理员的用户名和应用程序密码。").arg(site) + nothing;
    case PluginRefusal::ReceivingOff:
        return QStringLiteral("%1 的 Kestrel Receiver 插件没有在接收：请以管理员身份打开 %2，按“打开接收一小时”，"
                              "再运行一次。")
                   .arg(site, switchAddress.isEmpty() ? site + QStringLiteral("wp-admin/tools.php?page=kestrel")
                                                      : switchAddress) +
               nothing;
    case PluginRefusal::Other:
        break;
    }
    return QStringLiteral("%1 的 Kestrel Receiver 插件拒绝了连接。").arg(site) + nothing;
}

QString uploadsNotThroughPlugin()
{
    return QStringLiteral(
        "经 WordPress 的插件写入（--wp-url，窗口里的“网站…”）时不用 --wp-uploads："
        "文件经插件放进网站自己的上传文件夹。去掉 --wp-uploads（窗口里清空“文件…”的“WordPress 上传文件夹”）"
        "再试，--emlog-files 照旧给出文件从哪里来：什么都没有连接，也没有开始转换。");
}

QString emlogTwoRefusal()
{
    return QStringLiteral("这是 emlog 2.x 的数据库（有 config 表，没有 sort 表），Kestrel 只读 emlog 3.0 以后的表，"
                          "什么都没有改动。请先用 emlog 自带的升级脚本 update/up2.7.0to3.0.0.php 把它升级到 3.0，"
                          "再来转换。");
}

QString unsafePrefix(const QString& blog, const QString& prefix)
{
    return QStringLiteral("%1 的表前缀“%2”只能由字母、数字、“_”和“$”组成：什么都没有连接，也没有开始转换。")
        .arg(blog, prefix);
}

} // namespace kestrel::texts
