#pragma once

#include "RowBatch.h"

#include <deque>
#include <vector>

namespace kestrel {

class RowByRow;

// The pipeline of batches: each batch is one exchange with the server, a transaction of
// multi-row inserts and its commit, sent without waiting; its outcome is read when the next batch
// is ready to go and the session has no room for it. A batch the server refused is undone and
// handed to the row-by-row writer, so that its rows say which failed; one whose session was lost too.
class BatchExchange
{
public:
    BatchExchange(RunContext& run, RowFates& fates, RowByRow& alone) : m_run(run), m_fates(fates), m_alone(alone) {}

    // Reads the outcomes of batches on their way until the session has room for another.
    void makeRoom();
    // Sends a batch there is room for.
    void send(Batch batch);
    // Reads the outcome of every batch on its way.
    void collect();
    // Whether another batch may go without waiting for one on its way.
    bool hasRoom() const;

private:
    struct Sent
    {
        Batch batch;
        std::size_t inserts = 0; // the inserts it was sent as
    };
    void collectOldest();

    RunContext& m_run;
    RowFates& m_fates;
    RowByRow& m_alone;
    std::deque<Sent> m_sent; // on their way, oldest first, their outcomes not read yet
};

} // namespace kestrel
