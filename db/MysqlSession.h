#pragma once

#include "ConnectionOptions.h"
#include "MysqlHandle.h"
#include "Session.h"
#include "SeveralStatements.h"

#include <mysql.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// What a MySQL session needs to be opened again exactly as it was: how it was opened, and what was set
// on it since.
struct ReopenRecipe
{
    bool reopenable = false;
    ConnectionOptions options;
    std::string characterSet;
    std::vector<std::string> settings;
};

// A session through the MySQL protocol. Each read, change and row is sent as SQL, every value a quoted
// literal of this session's own. A default-made one stands for "no session": it fails every operation.
class MysqlSession final : public Session
{
public:
    MysqlSession() = default;
    // Opens a session. Empty texts are passed to the library as absent, so its defaults apply. On failure
    // the session is not open and carries the library's error. `admitted` is called as soon as the server
    // has taken the login, before the session's own set-up: for what may start only once this session is
    // sure to open, and need not wait for the rest.
    explicit MysqlSession(const ConnectionOptions& options, const std::function<void()>& admitted = {});
    MysqlSession(MysqlSession&&) noexcept = default;
    MysqlSession& operator=(MysqlSession&&) noexcept = default;

    bool isOpen() const override { return static_cast<bool>(m_handle); }
    MYSQL* handle() const noexcept { return m_handle.get(); }
    void close();

    // The character set set on the session: the one asked for at the login where the server took it
    // (utf8mb4), else the one set with setCharacterSet(); empty before.
    const std::string& characterSet() const noexcept { return m_recipe.characterSet; }
    // Sets it (the library call: escaping must know it too); kept for reconnect().
    bool setCharacterSet(const char* name);
    // Runs a statement that sets the session up ("SET SESSION ..."); kept for reconnect() when it succeeds.
    bool applySetting(const std::string& statement);

    // Whether a value could not be escaped for this session. A statement built with it would store the
    // value emptied, so from then on the session sends nothing: it stays so across reconnect(), since
    // what was built before may still be sent again after.
    bool escapingFailed() const noexcept { return m_escapingFailed; }
    // Whether several statements could not be switched off again after an exchange (see SeveralStatements).
    bool severalStatementsStuck() const noexcept { return m_several.stuck(); }

    // SQL of its own, for what speaks it (tests, benchmarks, the server's set-up): a statement as it is.
    // One longer than the server takes is refused here, with the server's own error number: sent, it would
    // make the server drop the session. It drops what was read ahead, as any write does.
    bool execute(std::string_view statement);
    // The whole result of the last statement, held in client memory; null when there is none.
    ResultSet result();
    // A value as a literal of this session: between single quotes, escaped for its character set and
    // sql_mode. When the library cannot escape it, the session is marked (see escapingFailed()).
    std::string quoted(std::string_view value);
    // Statements separated by ";" sent at once, and whether each went through, in order (the server stops
    // at the first that fails).
    bool sendStatements(std::string_view statements);
    std::vector<bool> readStatementResults();
    std::uint64_t lastInsertId() const;

    unsigned warningCount() const override;
    std::uint64_t affectedRows() const override { return isOpen() ? mysql_affected_rows(handle()) : 0; }
    bool keepsSessionState() const override { return true; }
    bool takesExchanges() const override { return isOpen() && m_recipe.options.multiStatements; }
    std::uint64_t maxStatementBytes() const override { return m_maxStatementBytes; }
    std::shared_ptr<SessionBreaker> breaker() override;
    Protection protection() const override { return m_protection; }
    const std::string& tlsVersion() const override { return m_tlsVersion; }
    const std::string& tlsCipher() const override { return m_tlsCipher; }
    const std::optional<TlsRefusal>& tlsRefusal() const override { return m_tlsRefusal; }
    unsigned long serverSessionId() const override { return isOpen() ? mysql_thread_id(handle()) : 0; }

private:
    ResultSet readNow(const Query& query) override;
    bool insertNow(const Insert& rows) override;
    bool changeNow(const Change& change) override;
    std::vector<Warning> warningsNow() override;
    bool transactionNow(TransactionStep step) override;
    bool sendNow(const Exchange& exchange) override;
    ExchangeOutcome collectNow() override;
    bool reconnectNow() override;
    bool useUnicodeNow() override;

    // The session's settings, then what a run asks of every session: its longest statement, and the
    // character set it speaks. False when it refused a setting.
    bool setUp(const ConnectionOptions& options);
    // Takes the library's error of the last call on this session.
    void rememberMysqlError();
    // Whether a text may go: the session is open and not stuck, nothing failed to escape, and the text
    // fits the server's packet.
    bool sendable(std::string_view text);
    bool quote(std::string_view value, std::string& statement);
    bool render(const Operation& operation, std::string& statement);
    // Runs one statement of the session's own, past the reads made ahead.
    bool run(std::string_view statement);

    // What an exchange sent, for collectNow() to read: the statements before and after its operations,
    // and which of them are reads.
    struct Sent
    {
        std::size_t before = 0;
        std::vector<bool> reads;
        bool transaction = false;
        bool strict = false;
    };

    MysqlHandle m_handle;
    std::shared_ptr<SessionBreaker> m_breaker;
    ReopenRecipe m_recipe;
    SeveralStatements m_several;
    Sent m_sent;
    std::uint64_t m_maxStatementBytes = 0;
    std::string m_tlsVersion;
    std::string m_tlsCipher;
    Protection m_protection = Protection::TlsWhenOffered;
    std::optional<TlsRefusal> m_tlsRefusal;
    bool m_escapingFailed = false;
};

MysqlSession openConnection(const ConnectionOptions& options);
MysqlSession openConnection(const std::string& server, const std::string& user, const std::string& password,
                            const std::string& database, unsigned port = 0);

} // namespace kestrel
