#include "PluginSession.h"

#include "PluginAnswers.h"
#include "PluginUploads.h"
#include "ReceiverSession.h"

#include "SessionProtection.h"

#include <algorithm>

namespace kestrel {

namespace {

// Base64 and JSON around the statements: what the site's post_max_size must take beside them.
std::uint64_t statementRoom(std::uint64_t postBytes)
{
    return postBytes * 3 / 4 - std::min<std::uint64_t>(postBytes * 3 / 4, 64 * 1024);
}

std::string errorCode(const PluginReply& reply)
{
    return reply.body.value(QStringLiteral("code")).toString().toStdString();
}

std::string siteWords(const PluginReply& reply)
{
    const QString message = reply.body.value(QStringLiteral("message")).toString();
    return reply.error + (message.isEmpty() ? std::string() : ": " + message.toStdString());
}

PluginRefusal refusalOf(const PluginReply& reply)
{
    using Failure = PluginReply::Failure;
    switch (reply.failure) {
    case Failure::None:
        return PluginRefusal::None;
    case Failure::Certificate:
        return PluginRefusal::Certificate;
    case Failure::Network:
    case Failure::BrokenOff:
        return PluginRefusal::Unreachable;
    case Failure::Http:
        break;
    }
    const std::string code = errorCode(reply);
    if (code == "kestrel_receiving_off")
        return PluginRefusal::ReceivingOff;
    if (code == "kestrel_not_admin")
        return PluginRefusal::NotAdministrator;
    if (reply.status == 401 || code == "kestrel_login" || code == "incorrect_password" || code == "invalid_username" ||
        code == "invalid_email" || code == "application_passwords_disabled")
        return PluginRefusal::WrongLogin;
    if (reply.status == 404 || code == "rest_no_route")
        return PluginRefusal::PluginMissing;
    return PluginRefusal::Other;
}

Protection protectionOf(const PluginAddress& address, bool encrypted)
{
    if (!encrypted)
        return Protection::TlsWhenOffered;
    if (!address.tlsFingerprint.empty())
        return Protection::Fingerprint;
    return address.caFile.empty() ? Protection::SystemCas : Protection::CaFile;
}

} // namespace

PluginOpening openPluginSession(const PluginAddress& address)
{
    PluginOpening opening;
    auto session = std::make_unique<ReceiverSession>(address);
    const QUrl& site = session->site();
    const bool https = site.scheme() == QLatin1String("https");
    if (!site.isValid() || site.host().isEmpty() || (!https && site.scheme() != QLatin1String("http"))) {
        opening.refusal = PluginRefusal::Other;
        opening.detail = "not a web address: " + address.url;
        return opening;
    }
    // The application password goes with every request: in clear text only to this machine, or when allowed.
    if (!https && !isThisMachine(site.host().toStdString()) && !address.allowUnencrypted) {
        opening.refusal = PluginRefusal::Unencrypted;
        opening.detail = site.toString().toStdString();
        return opening;
    }
    const PluginReply hello = session->hello();
    opening.refusal = refusalOf(hello);
    if (opening.refusal != PluginRefusal::None) {
        opening.detail = siteWords(hello);
        opening.switchAddress = hello.body.value(QStringLiteral("data"))
                                    .toObject()
                                    .value(QStringLiteral("switch"))
                                    .toString()
                                    .toStdString();
        return opening;
    }
    const int protocol = hello.body.value(QStringLiteral("protocol")).toInt(0);
    opening.prefix = hello.body.value(QStringLiteral("prefix")).toString().toStdString();
    if (protocol < pluginProtocol || opening.prefix.empty()) {
        opening.refusal = PluginRefusal::PluginTooOld;
        opening.detail = "protocol " + std::to_string(protocol);
        return opening;
    }
    const std::uint64_t packet = answerCount(hello.body.value(QStringLiteral("max_allowed_packet")));
    const QJsonObject limits = hello.body.value(QStringLiteral("limits")).toObject();
    const std::uint64_t post = answerCount(limits.value(QStringLiteral("post_max_size")));
    std::uint64_t room = packet;
    if (post != 0)
        room = room == 0 ? statementRoom(post) : std::min(room, statementRoom(post));
    // An older plugin names only PHP's own limit.
    const QJsonValue seconds = limits.value(QStringLiteral("time_limit"));
    session->setLimits(room, packet,
                       (seconds.isUndefined() ? limits.value(QStringLiteral("max_execution_time")) : seconds).toInt());
    opening.uploadsUrl = hello.body.value(QStringLiteral("uploads")).toString().toStdString();
    opening.largestFile =
        PluginUploads::largestFileFor(answerCount(limits.value(QStringLiteral("upload_max_bytes"))), post);
    session->setSite(protectionOf(address, https), hello.tlsVersion, hello.tlsCipher);
    opening.session = std::move(session);
    return opening;
}

} // namespace kestrel
