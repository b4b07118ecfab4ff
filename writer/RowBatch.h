#pragma once

#include "Exchange.h"
#include "Origins.h"
#include "Query.h"
#include "RowValues.h"
#include "Why.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct RunContext;

// One row of a WordPress table.
struct TableRow
{
    std::string table; // bare name: "posts", "postmeta", ...
    RowValues values;
    // The meta row that names the emlog row copied. Where the tables cannot undo a row, it is
    // written first: a row cut off half-way is then never taken for a copy, and written again.
    bool origin = false;
};

// Everything one emlog row becomes in WordPress: it arrives whole or not at all.
struct RowWrite
{
    using Ticket = std::size_t;
    struct After
    {
        Ticket ticket;
        Why why; // why this row cannot arrive when that one did not
    };

    std::string sourceId;       // "gid=5"
    std::vector<TableRow> rows; // the row itself first, then its meta and links
    // Why it arrives without some of its links (a category that is not in WordPress, say): it is
    // written, each problem is logged, and it is counted incomplete.
    struct Problem
    {
        std::string table; // bare name of the table the missing row belongs in
        Why why;
    };
    std::vector<Problem> problems;
    std::optional<After> after; // a row of the same migration that must arrive first
    // The emlog row this one copies and where it goes: known to the run once it arrived,
    // and asked after when a session was lost before the server could say whether it did.
    struct Copied
    {
        const OriginKey* key = nullptr;
        std::int64_t emlogId = 0;
        Copy copy;
    };
    std::optional<Copied> copied;
    // For a row that carries no origin: a read whose count is non-zero once it is in WordPress.
    std::optional<Query> arrivalCheck;
    // Where the tables cannot undo a row its origin goes first, in a statement of its own: the
    // row's other meta of the same shape must not go in with it, before the row itself, and stay
    // behind when the row is cut off.
    bool originAlone = false;
};

// One byte a row: a migration keeps the state of each of its rows until it is through.
enum class RowState : std::uint8_t { Queued, Arrived, Failed };

// A row waiting for its batch, with the ticket its migration knows it by.
struct QueuedRow
{
    RowWrite::Ticket ticket;
    RowWrite row;
};
using Batch = std::vector<QueuedRow>;

// One insert of a batch: the rows of one table with the same columns.
struct BatchStatement
{
    std::string table; // bare
    std::string shape; // table and columns, for the warnings its rows raise on their own
    Insert insert;
    bool origin = false; // an insert of origins alone (RowWrite::originAlone)
};
std::vector<BatchStatement> statementsOf(const RunContext& run, const std::vector<const RowWrite*>& rows);

// What becomes of each row, told back to the writer that counts them.
class RowFates
{
public:
    virtual void resolve(const QueuedRow& queued, RowState state, bool changed = false) = 0;
    virtual void logFailure(const QueuedRow& queued, std::string_view table, Why why) = 0;
    // A row whose predecessor failed is not written either: logged with the reason it gives.
    virtual bool failedBefore(const QueuedRow& queued) = 0;

protected:
    ~RowFates() = default;
};

} // namespace kestrel
