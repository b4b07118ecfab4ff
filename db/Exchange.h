#pragma once

#include "PlainRows.h"
#include "Query.h"
#include "ResultSet.h"

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

namespace kestrel {

class RowValues;

// Rows of one table with the same columns, written by one insert. The rows are the caller's: they need
// to last only while the insert is sent.
struct Insert
{
    std::string table;   // its whole name, prefix and all
    std::string columns; // "a,b,c", as each row's RowValues::columns()
    std::vector<const RowValues*> rows;
};

using Operation = std::variant<Query, Insert, Change>;

// Operations that go to the server in one exchange, sent without waiting for their answer (see
// Session::send()), in order: the server stops at the first that fails.
struct Exchange
{
    std::vector<Operation> operations;
    // All of them or none: a transaction, committed after the last.
    bool transaction = false;
    // A value the server would have to change (cut, or a text in a number's place) is refused rather than
    // changed: the exchange can then be undone, and its rows written again one by one to find which.
    bool strict = false;
};

// What became of an exchange.
struct ExchangeOutcome
{
    std::size_t done = 0;  // operations that went through, from the first
    bool complete = false; // all of them, and in a transaction its commit
    // The rows of each read among those done, by the operation's place; null for the others.
    std::vector<ResultSet> rows;
    // Why it stopped, when it did.
    unsigned errorNumber = 0;
    std::string error;
};

} // namespace kestrel
