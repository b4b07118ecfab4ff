#pragma once

#include "ExchangePace.h"
#include "PluginAnswers.h"
#include "PluginExchange.h"
#include "Session.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// A session through the Kestrel Receiver plugin of a WordPress site, for a site whose database nobody
// outside may connect to. Each request stands alone: the site carries out its operations in order on a
// database session of its own, stopping at the first that fails, and closes it with the request (so a
// transaction not committed in it is undone). A transaction under way is kept here instead: its
// operations go again with each request until the one that commits it.
class ReceiverSession final : public Session
{
public:
    explicit ReceiverSession(PluginAddress address);
    ReceiverSession(ReceiverSession&&) noexcept = default;
    ReceiverSession& operator=(ReceiverSession&&) noexcept = default;

    const QUrl& site() const { return m_exchange->site(); }
    // Asks the site who it is, on the connection the session's requests then go on.
    PluginReply hello();
    // What the hello told: how the site is protected, and its limits: `maxBytes` bounds a request,
    // `serverPacket` (0 when unknown) each statement at the site's database, `siteSeconds` the time PHP
    // gives a request.
    void setSite(Protection protection, std::string tlsVersion, std::string tlsCipher);
    void setLimits(std::uint64_t maxBytes, std::uint64_t serverPacket, int siteSeconds);

    bool isOpen() const override { return m_exchange != nullptr; }
    unsigned warningCount() const override { return m_last.warningCount; }
    std::uint64_t affectedRows() const override { return m_last.affectedRows; }
    bool keepsSessionState() const override { return false; }
    bool takesExchanges() const override { return isOpen() && !m_held; }
    // The next request goes while the site carries out the one before: the path there and back costs
    // the run once, not for each. Each request is a transaction of its own.
    std::size_t exchangesAtOnce() const override { return 2; }
    std::uint64_t maxStatementBytes() const override { return m_maxBytes; }
    std::uint64_t exchangeBytes() const override { return m_pace.bytes(); }
    std::shared_ptr<SessionBreaker> breaker() override;
    Protection protection() const override { return m_protection; }
    const std::string& tlsVersion() const override { return m_tlsVersion; }
    const std::string& tlsCipher() const override { return m_tlsCipher; }
    const std::optional<TlsRefusal>& tlsRefusal() const override { return m_noRefusal; }

private:
    // A request's rows, at most: past about this, PHP takes longer a byte (measured with bench_plugin: rows
    // of 3 MB a request took its PHP a third longer than of 1.5 MB; docs/performance.md).
    static constexpr std::uint64_t largestBatchBytes = 3u << 19;

    ResultSet readNow(const Query& query) override;
    bool insertNow(const Insert& rows) override;
    bool changeNow(const Change& change) override;
    std::vector<Warning> warningsNow() override { return m_last.warnings; }
    bool transactionNow(TransactionStep step) override;
    bool sendNow(const Exchange& exchange) override;
    ExchangeOutcome collectNow() override;
    bool reconnectNow() override;
    bool useUnicodeNow() override { return true; } // the site's session speaks utf8mb4, and nothing else

    // Carries out one operation, after those of a transaction under way, and keeps its outcome.
    bool carryOut(const Operation& operation);
    // Sends a request and goes on; finish() waits for the outcomes of the oldest on its way. False, with
    // why, when the request itself failed (its operations may or may not have been carried out).
    void start(const std::vector<std::string>& operations, bool transaction, bool commit, bool strict);
    bool finish(std::vector<OperationOutcome>& outcomes);

    std::shared_ptr<PluginExchange> m_exchange;
    std::shared_ptr<SessionBreaker> m_breaker;
    ExchangePace m_pace;
    std::uint64_t m_maxBytes = 0;
    Protection m_protection = Protection::TlsWhenOffered;
    std::string m_tlsVersion;
    std::string m_tlsCipher;
    std::optional<TlsRefusal> m_noRefusal;

    // The requests on their way, oldest first, and what each carries.
    struct Sent
    {
        std::unique_ptr<PluginExchange::Pending> pending;
        std::uint64_t bytes = 0;
        ExchangePace::Clock::time_point at;
        std::size_t operations = 0;
        bool inTransaction = false;
    };
    std::deque<Sent> m_sent;
    // A transaction under way: its operations, as sent.
    std::optional<std::vector<std::string>> m_held;
    // What the last operation carried out came to.
    OperationOutcome m_last;
};

} // namespace kestrel
