#pragma once

#include "RowBatch.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class WordPressState;

// Writes a batch on its own, waiting for each answer: whole in one transaction first, or row by
// row, each row in its own transaction, so that a refused row is named with the server's reason
// and a value the server would change shows on its own row. A session lost on the way is opened
// again and the rows sent again, after asking whether they arrived when that cannot be known.
class RowByRow
{
public:
    RowByRow(RunContext& run, WordPressState& state, RowFates& fates) : m_run(run), m_state(state), m_fates(fates) {}

    void writeAlone(Batch& batch, bool wholeFirst);
    // A batch whose commit got no answer: there whole, or written again.
    void commitFailed(Batch& batch);

private:
    // Written: in WordPress. Refused: undone, with the server's reason. Lost: the
    // session went away before the end. Unknown: it went away while committing.
    enum class Outcome { Written, Refused, Lost, Unknown };
    struct Failure
    {
        std::string table;
        std::string error;
        bool unknown = false; // whether the rows arrived is not known
    };

    void writeOneByOne(Batch& batch);
    Outcome writeWithRetries(const std::vector<QueuedRow*>& batch, bool oneByOne, Failure& failure,
                             std::string& changes);
    Outcome writeInTransaction(const std::vector<QueuedRow*>& batch, bool oneByOne, Failure& failure,
                               std::string& changes);
    Outcome failedStatement(std::string_view table, Failure& failure, bool duringCommit, bool undoable);
    bool arrived(const QueuedRow& queued);

    RunContext& m_run;
    WordPressState& m_state;
    RowFates& m_fates;
};

} // namespace kestrel
