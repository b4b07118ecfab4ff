#pragma once

#include "RowBatch.h"

#include <vector>

namespace kestrel {

class RowByRow;

// The pipeline of batches: each batch is one exchange with the server, a transaction of
// multi-row inserts and its commit, sent without waiting; its outcome is read when the next batch
// is ready to go. A batch the server refused is undone and handed to the row-by-row writer, so
// that its rows say which failed; one whose session was lost too.
class BatchExchange
{
public:
    BatchExchange(RunContext& run, RowFates& fates, RowByRow& alone) : m_run(run), m_fates(fates), m_alone(alone) {}

    void send(Batch batch);
    // Reads the outcome of the batch on its way, if any.
    void collect();
    // Whether no batch is on its way.
    bool idle() const { return m_sent.empty(); }

private:
    RunContext& m_run;
    RowFates& m_fates;
    RowByRow& m_alone;
    Batch m_sent;                  // on its way, its outcome not read yet
    std::size_t m_sentInserts = 0; // the inserts it was sent as
};

} // namespace kestrel
