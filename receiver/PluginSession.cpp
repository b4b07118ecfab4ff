#include "PluginSession.h"

#include "PluginAnswers.h"
#include "PluginUploads.h"

#include "SessionProtection.h"
#include "StatementCarrier.h"

#include <errmsg.h>

#include <algorithm>
#include <chrono>

namespace kestrel {

namespace {

const QString helloRoute = QStringLiteral("/kestrel/v1/hello");
const QString statementsRoute = QStringLiteral("/kestrel/v1/statements");

// Base64 and JSON around the statements: what the site's post_max_size must take beside them.
std::uint64_t statementRoom(std::uint64_t postBytes)
{
    return postBytes * 3 / 4 - std::min<std::uint64_t>(postBytes * 3 / 4, 64 * 1024);
}

// What the site is asked to do in one request, against the time PHP gives it there: a third of it,
// and of a minute, which the servers and proxies in front of PHP seldom give less. Requests start
// at what a slow site ends in that time and grow while they end quickly, so that a slow site never
// gets one it cannot finish.
class ExchangePace
{
public:
    using Clock = std::chrono::steady_clock;

    void setLimit(int siteSeconds, std::uint64_t room)
    {
        const int seconds = siteSeconds > 0 ? std::min(siteSeconds, 60) : 60;
        m_budget = std::chrono::milliseconds(seconds * 1000 / 3);
        m_room = room;
        const std::uint64_t first = std::max(smallestBytes, slowestBytesPerSecond * m_budget.count() / 1000);
        m_bytes = room == 0 ? first : std::min(first, room);
    }
    std::uint64_t bytes() const { return m_bytes; }

    // A request of `sent` bytes of statements took `took` to be answered: the next are sized by its speed.
    void took(std::uint64_t sent, Clock::duration took)
    {
        // A few rows tell more of the site's start than of its speed.
        if (sent < smallestBytes || m_budget.count() == 0)
            return;
        const double seconds = std::max(std::chrono::duration<double>(took).count(), 0.001);
        const double inTime = static_cast<double>(sent) / seconds * std::chrono::duration<double>(m_budget).count();
        std::uint64_t next = std::min(static_cast<std::uint64_t>(inTime), 2 * m_bytes);
        if (m_room != 0)
            next = std::min(next, m_room);
        m_bytes = std::max(next, smallestBytes);
    }

private:
    // Statements a second of the slowest site tried (a shared host's database taking 20 µs a byte).
    static constexpr std::uint64_t slowestBytesPerSecond = 48 * 1024;
    static constexpr std::uint64_t smallestBytes = 8 * 1024;
    std::chrono::milliseconds m_budget{0};
    std::uint64_t m_room = 0;
    std::uint64_t m_bytes = smallestBytes;
};

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

class PluginCarrier : public StatementCarrier
{
public:
    explicit PluginCarrier(PluginAddress address) : m_exchange(std::move(address)) {}

    PluginExchange& exchange() { return m_exchange; }
    // `maxBytes` bounds a request's statements, `serverPacket` (0 when unknown) each statement at the
    // site's database. A batch stays within half of the one and a quarter of the other, as it would on
    // a session of its own, so that its statements around the rows still fit.
    void setLimits(std::uint64_t maxBytes, std::uint64_t serverPacket, int siteSeconds)
    {
        m_maxBytes = maxBytes;
        std::uint64_t batch = maxBytes / 2;
        if (serverPacket != 0)
            batch = batch == 0 ? serverPacket / 4 : std::min(batch, serverPacket / 4);
        m_pace.setLimit(siteSeconds, batch);
    }

    void begin(const std::vector<std::string>& settings, const std::vector<std::string_view>& statements) override
    {
        QByteArray json = "{";
        appendBase64List(json, "settings", settings);
        json += ',';
        appendBase64List(json, "statements", statements);
        json += '}';
        m_sentBytes = 0;
        for (const std::string_view statement : statements)
            m_sentBytes += statement.size();
        m_sentAt = ExchangePace::Clock::now();
        m_pending = m_exchange.start(statementsRoute, &json);
    }

    bool end(std::vector<CarriedOutcome>& outcomes, unsigned& errorNumber, std::string& error) override
    {
        const PluginReply reply = m_exchange.finish(std::move(m_pending));
        if (reply.failure == PluginReply::Failure::None) {
            m_pace.took(m_sentBytes, ExchangePace::Clock::now() - m_sentAt);
            for (CarriedOutcome& outcome : statementOutcomes(reply.body))
                outcomes.push_back(std::move(outcome));
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
    std::uint64_t exchangeBytes() const override { return m_pace.bytes(); }

private:
    PluginExchange m_exchange;
    std::uint64_t m_maxBytes = 0;
    ExchangePace m_pace;
    // The exchange on its way, and what it carries.
    std::unique_ptr<PluginExchange::Pending> m_pending;
    std::uint64_t m_sentBytes = 0;
    ExchangePace::Clock::time_point m_sentAt;
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
    const std::uint64_t packet = answerCount(hello.body.value(QStringLiteral("max_allowed_packet")));
    const QJsonObject limits = hello.body.value(QStringLiteral("limits")).toObject();
    const std::uint64_t post = answerCount(limits.value(QStringLiteral("post_max_size")));
    std::uint64_t room = packet;
    if (post != 0)
        room = room == 0 ? statementRoom(post) : std::min(room, statementRoom(post));
    // An older plugin names only PHP's own limit.
    const QJsonValue seconds = limits.value(QStringLiteral("time_limit"));
    carrier->setLimits(room, packet,
                       (seconds.isUndefined() ? limits.value(QStringLiteral("max_execution_time")) : seconds).toInt());
    opening.uploadsUrl = hello.body.value(QStringLiteral("uploads")).toString().toStdString();
    opening.largestFile =
        PluginUploads::largestFileFor(answerCount(limits.value(QStringLiteral("upload_max_bytes"))), post);
    opening.session = carriedConnection(carrier, protectionOf(address, https), hello.tlsVersion, hello.tlsCipher);
    useUnicode(opening.session);
    return opening;
}

} // namespace kestrel
