#include "PluginSession.h"

#include "PluginUploads.h"

#include "SessionProtection.h"
#include "StatementCarrier.h"

#include <QJsonArray>

#include <errmsg.h>

#include <algorithm>

namespace kestrel {

namespace {

const QString helloRoute = QStringLiteral("/kestrel/v1/hello");
const QString statementsRoute = QStringLiteral("/kestrel/v1/statements");

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

void appendBase64List(QByteArray& json, const char* key, const auto& texts)
{
    json += '"';
    json += key;
    json += "\":[";
    bool first = true;
    for (const auto& text : texts) {
        json += first ? "\"" : ",\"";
        first = false;
        json += QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())).toBase64();
        json += '"';
    }
    json += ']';
}

CarriedOutcome outcomeOf(const QJsonObject& result)
{
    CarriedOutcome outcome;
    outcome.ok = result.value(QStringLiteral("ok")).toBool();
    outcome.errorNumber = static_cast<unsigned>(result.value(QStringLiteral("errno")).toInt());
    outcome.error = result.value(QStringLiteral("error")).toString().toStdString();
    outcome.insertId = result.value(QStringLiteral("insert_id")).toString().toULongLong();
    outcome.affectedRows =
        static_cast<std::uint64_t>(std::max(0.0, result.value(QStringLiteral("affected")).toDouble()));
    outcome.warningCount = static_cast<unsigned>(result.value(QStringLiteral("warning_count")).toInt());
    for (const QJsonValue warning : result.value(QStringLiteral("warnings")).toArray()) {
        const QJsonArray pair = warning.toArray();
        outcome.warnings.push_back({static_cast<unsigned>(pair.at(0).toInt()), pair.at(1).toString().toStdString()});
    }
    if (result.contains(QStringLiteral("columns"))) {
        CarriedRows rows;
        for (const QJsonValue column : result.value(QStringLiteral("columns")).toArray())
            rows.columns.push_back(column.toString().toStdString());
        for (const QJsonValue rowValue : result.value(QStringLiteral("rows")).toArray()) {
            std::vector<std::optional<std::string>> row;
            for (const QJsonValue value : rowValue.toArray()) {
                if (value.isNull())
                    row.emplace_back();
                else
                    row.emplace_back(QByteArray::fromBase64(value.toString().toLatin1()).toStdString());
            }
            rows.rows.push_back(std::move(row));
        }
        outcome.rows = std::move(rows);
    }
    return outcome;
}

class PluginCarrier : public StatementCarrier
{
public:
    PluginCarrier(PluginAddress address, std::uint64_t maxBytes) : m_exchange(std::move(address)), m_maxBytes(maxBytes)
    {
    }
    explicit PluginCarrier(PluginAddress address) : m_exchange(std::move(address)) {}

    PluginExchange& exchange() { return m_exchange; }
    void setMaxBytes(std::uint64_t bytes) { m_maxBytes = bytes; }

    bool carry(const std::vector<std::string>& settings, const std::vector<std::string_view>& statements,
               std::vector<CarriedOutcome>& outcomes, unsigned& errorNumber, std::string& error) override
    {
        QByteArray json = "{";
        appendBase64List(json, "settings", settings);
        json += ',';
        appendBase64List(json, "statements", statements);
        json += '}';
        const PluginReply reply = m_exchange.post(statementsRoute, json);
        if (reply.failure == PluginReply::Failure::None) {
            for (const QJsonValue result : reply.body.value(QStringLiteral("results")).toArray())
                outcomes.push_back(outcomeOf(result.toObject()));
            return true;
        }
        // The site refused the whole request (a setting, the login, receiving switched off): nothing ran.
        // Anything else may have been carried out, as with a MySQL session lost on the way.
        const bool refused = reply.failure == PluginReply::Failure::Http && reply.status >= 400 && reply.status < 500;
        const QJsonObject data = reply.body.value(QStringLiteral("data")).toObject();
        errorNumber = refused ? static_cast<unsigned>(data.value(QStringLiteral("errno")).toInt(CR_UNKNOWN_ERROR))
                              : CR_SERVER_LOST;
        error = "through the plugin: " + siteWords(reply);
        return false;
    }

    bool reachable(unsigned& errorNumber, std::string& error) override
    {
        const PluginReply reply = m_exchange.get(helloRoute);
        if (reply.failure == PluginReply::Failure::None)
            return true;
        errorNumber = CR_SERVER_LOST;
        error = "through the plugin: " + siteWords(reply);
        return false;
    }

    void breakOff() override { m_exchange.breakOff(); }
    std::uint64_t maxStatementBytes() const override { return m_maxBytes; }

private:
    PluginExchange m_exchange;
    std::uint64_t m_maxBytes = 0;
};

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
    auto carrier = std::make_shared<PluginCarrier>(address);
    PluginExchange& exchange = carrier->exchange();
    const QUrl& site = exchange.site();
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
    const PluginReply hello = exchange.get(helloRoute);
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
    const auto packet = static_cast<std::uint64_t>(hello.body.value(QStringLiteral("max_allowed_packet")).toDouble());
    const auto post = static_cast<std::uint64_t>(
        hello.body.value(QStringLiteral("limits")).toObject().value(QStringLiteral("post_max_size")).toDouble());
    std::uint64_t room = packet;
    if (post != 0)
        room = room == 0 ? statementRoom(post) : std::min(room, statementRoom(post));
    carrier->setMaxBytes(room);
    opening.uploadsUrl = hello.body.value(QStringLiteral("uploads")).toString().toStdString();
    opening.largestFile = PluginUploads::largestFileFor(
        static_cast<std::uint64_t>(
            hello.body.value(QStringLiteral("limits")).toObject().value(QStringLiteral("upload_max_bytes")).toDouble()),
        post);
    opening.session = carriedConnection(carrier, protectionOf(address, https), hello.tlsVersion, hello.tlsCipher);
    useUnicode(opening.session);
    return opening;
}

} // namespace kestrel
