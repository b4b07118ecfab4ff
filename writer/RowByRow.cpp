#include "RowByRow.h"

#include "Reconnect.h"
#include "RunContext.h"
#include "Session.h"
#include "WordPressQueries.h"
#include "WordPressState.h"

namespace kestrel {

namespace {

// After a lost session the batch is tried again this many times.
constexpr int retriesAfterLoss = 3;
constexpr unsigned filledWithDefault = 1364; // "Field doesn't have a default value"

std::string errorText(const Session& session)
{
    return std::to_string(session.lastErrorNumber()) + " " + session.lastError();
}

// A session lost for good leaves the rows' fate unknown: a run without emptying WordPress first finds out.
Why whyOf(bool unknown, const std::string& error)
{
    return {unknown ? Why::Code::arrivalUnknown : Why::Code::serverRefused, {}, error};
}

} // namespace

void RowByRow::commitFailed(Batch& batch)
{
    // A session lost while committing may or may not have taken the batch: a batch is all or
    // nothing, so its first row says. Any other failed commit undid it.
    if (isSessionLost(m_run.wordPress) && reopenLostSession(m_run, m_run.wordPress) && arrived(batch.front())) {
        for (const QueuedRow& queued : batch)
            m_fates.resolve(queued, RowState::Arrived);
        return;
    }
    writeAlone(batch, true);
}

void RowByRow::writeAlone(Batch& batch, bool wholeFirst)
{
    if (batch.empty())
        return;
    if (!wholeFirst || batch.size() == 1) {
        writeOneByOne(batch);
        return;
    }
    std::vector<QueuedRow*> rows;
    for (QueuedRow& queued : batch)
        rows.push_back(&queued);
    Failure failure;
    std::string changes;
    switch (writeWithRetries(rows, false, failure, changes)) {
    case Outcome::Written:
        for (const QueuedRow& queued : batch)
            m_fates.resolve(queued, RowState::Arrived);
        break;
    case Outcome::Refused:
        writeOneByOne(batch);
        break;
    default:
        for (const QueuedRow& queued : batch) {
            m_fates.logFailure(queued, failure.table, whyOf(failure.unknown, failure.error));
            m_fates.resolve(queued, RowState::Failed);
        }
    }
}

void RowByRow::writeOneByOne(Batch& batch)
{
    for (QueuedRow& queued : batch) {
        if (m_fates.failedBefore(queued))
            continue;
        Failure failure;
        std::string changes;
        if (writeWithRetries({&queued}, true, failure, changes) == Outcome::Written) {
            if (!changes.empty())
                m_fates.logFailure(queued, failure.table, {Why::Code::writtenWithChanges, {}, changes});
            m_fates.resolve(queued, RowState::Arrived, !changes.empty());
        } else {
            m_fates.logFailure(queued, failure.table, whyOf(failure.unknown, failure.error));
            m_fates.resolve(queued, RowState::Failed);
        }
    }
}

RowByRow::Outcome RowByRow::writeWithRetries(const std::vector<QueuedRow*>& batch, bool oneByOne, Failure& failure,
                                             std::string& changes)
{
    for (int retry = 0;; ++retry) {
        changes.clear();
        const Outcome outcome = writeInTransaction(batch, oneByOne, failure, changes);
        if (outcome == Outcome::Written || outcome == Outcome::Refused)
            return outcome;
        if (retry == retriesAfterLoss || !reopenLostSession(m_run, m_run.wordPress)) {
            failure.unknown = outcome == Outcome::Unknown;
            return Outcome::Lost;
        }
        // A batch is all or nothing: when its first row arrived, all of them did.
        if (outcome == Outcome::Unknown && arrived(*batch.front()))
            return Outcome::Written;
    }
}

RowByRow::Outcome RowByRow::writeInTransaction(const std::vector<QueuedRow*>& batch, bool oneByOne, Failure& failure,
                                               std::string& changes)
{
    Session& wordPress = m_run.wordPress;
    // Where the engine is not known, a transaction is still asked for: on tables that have them it
    // undoes what a lost session cut off; on others it costs nothing, and the origin goes first.
    const Transactions engine = m_state.transactions(m_run);
    const bool atomic = engine != Transactions::no;
    const bool undoable = engine == Transactions::yes;
    if (atomic && !wordPress.begin())
        return failedStatement(batch.front()->row.rows.front().table, failure, false, undoable);

    std::vector<const RowWrite*> rows;
    for (const QueuedRow* queued : batch)
        rows.push_back(&queued->row);
    for (const BatchStatement& statement : statementsOf(m_run, rows)) {
        if (!wordPress.insert(statement.insert))
            return failedStatement(statement.table, failure, false, undoable);

        // WordPress's tables have columns without defaults that the server fills in with a
        // warning each; only warnings beyond those mean a value was changed.
        const std::size_t rows = statement.insert.rows.size();
        const unsigned count = wordPress.warningCount();
        const auto expected = m_state.expectedWarnings.find(statement.shape);
        const unsigned perRow = expected == m_state.expectedWarnings.end() ? 0 : expected->second;
        if (count <= perRow * rows)
            continue;
        unsigned defaults = 0;
        std::string changed;
        for (const Warning& warning : wordPress.lastWarnings()) {
            if (warning.code == filledWithDefault)
                ++defaults;
            else
                changed += (changed.empty() ? "" : "; ") + std::to_string(warning.code) + " " + warning.message;
        }
        if (rows == 1)
            m_state.expectedWarnings[statement.shape] = defaults;
        if (changed.empty())
            continue;
        if (!oneByOne && undoable) {
            // Which row? Undo the batch and let the rows say it one at a time.
            wordPress.rollback();
            failure = {statement.table, changed};
            return Outcome::Refused;
        }
        failure.table = statement.table;
        changes += (changes.empty() ? "" : "; ") + changed;
    }
    if (atomic && !wordPress.commit())
        return failedStatement(batch.front()->row.rows.front().table, failure, true, undoable);
    return Outcome::Written;
}

RowByRow::Outcome RowByRow::failedStatement(std::string_view table, Failure& failure, bool duringCommit, bool undoable)
{
    Session& wordPress = m_run.wordPress;
    failure = {std::string(table), errorText(wordPress)};
    if (isSessionLost(wordPress))
        // Without a transaction every statement before the loss stands: whether the row
        // is there must be asked, as after a commit that got no answer.
        return duringCommit || !undoable ? Outcome::Unknown : Outcome::Lost;
    if (undoable)
        wordPress.rollback();
    return Outcome::Refused;
}

bool RowByRow::arrived(const QueuedRow& queued)
{
    // Asked only after a lost session, so the question is made only then.
    const RowWrite& row = queued.row;
    const std::optional<Query> check =
        row.arrivalCheck ? row.arrivalCheck
        : row.copied ? std::optional(reads::originCount(m_run.wordPressPrefix, *row.copied->key, row.copied->emlogId))
                     : std::nullopt;
    return check && readNumber(m_run, m_run.wordPress, *check).value_or(0) > 0;
}

} // namespace kestrel
