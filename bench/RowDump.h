#pragma once

#include "SessionSql.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::bench {

// The rows of some tables written out for the mariadb client, twice: as multi-row INSERTs of
// at most `statementBytes` each (what a tool that batches sends), and as one INSERT per row
// (what writing row by row sends), one statement per line. The number of rows written.
std::uint64_t dumpRows(MysqlSession& source, const std::vector<std::string>& tables, const std::string& multiRowFile,
                       const std::string& singleRowFile, std::size_t statementBytes = 1 << 20);

// A file of every `step`-th statement of a one-statement-per-line file (its set-up lines kept):
// a sample of it, for statements too slow to time all of. The number of statements taken.
std::uint64_t sampleStatements(const std::string& file, std::uint64_t step, const std::string& sampleFile);

} // namespace kestrel::bench
