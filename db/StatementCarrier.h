#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// What a statement raised that did not stop it: a value cut to fit its column, say.
struct Warning
{
    unsigned code = 0;
    std::string message;
};

// The rows of one statement, held in client memory: SQL NULL is no value.
struct CarriedRows
{
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
};

// The outcome of one statement that went by a carrier.
struct CarriedOutcome
{
    bool ok = false;
    unsigned errorNumber = 0;
    std::string error;
    std::uint64_t insertId = 0;
    std::uint64_t affectedRows = 0;
    unsigned warningCount = 0;
    std::vector<Warning> warnings;
    std::optional<CarriedRows> rows;
};

// Statements sent at once on a carried session, until their results are read.
struct CarriedSending
{
    bool onItsWay = false;      // begun, its outcome not asked for yet
    std::size_t statements = 0; // how many went
    std::size_t lastCommit = 0; // the last COMMIT among them; `statements` when none
    std::vector<bool> results;  // once known: each statement's, up to the first that failed
    CarriedOutcome failure;
    std::vector<std::string> readAhead; // when they are selects read ahead: their texts
};

// A session that reaches its database by some way other than the MySQL protocol, for a server
// nobody may connect to. Each exchange stands alone: the settings come first, every time, then the
// statements, in order, on one session of the far side's own, which stops at the first that fails
// and closes with the exchange (so a transaction not committed in it is undone). Implemented above
// this layer and handed to a BlogConnection (see carriedConnection()).
class StatementCarrier
{
public:
    virtual ~StatementCarrier() = default;

    // Sends an exchange and goes on at once, so that the caller makes its next statements while it
    // is on its way; end() waits for its outcome. One exchange is on its way at a time.
    virtual void begin(const std::vector<std::string>& settings, const std::vector<std::string_view>& statements) = 0;
    // False when the exchange itself failed (the statements may or may not have run), with why.
    virtual bool end(std::vector<CarriedOutcome>& outcomes, unsigned& errorNumber, std::string& error) = 0;

    bool carry(const std::vector<std::string>& settings, const std::vector<std::string_view>& statements,
               std::vector<CarriedOutcome>& outcomes, unsigned& errorNumber, std::string& error)
    {
        begin(settings, statements);
        return end(outcomes, errorNumber, error);
    }
    // Whether the far side answers again, after an exchange failed.
    virtual bool reachable(unsigned& errorNumber, std::string& error) = 0;
    // From any thread: the exchange in flight fails at once, and every later one too.
    virtual void breakOff() = 0;
    // The longest text of statements one exchange takes; 0 when unknown.
    virtual std::uint64_t maxStatementBytes() const = 0;
    // The text of statements an exchange should stay within, to be answered in the far side's time
    // and to leave room for what goes around its rows under the far side's limits; 0 when it has no
    // limit of time.
    virtual std::uint64_t exchangeBytes() const { return 0; }
};

} // namespace kestrel
