#include "RunContext.h"

#include "Session.h"

#include <condition_variable>
#include <mutex>

namespace kestrel {

void RunContext::pace(milliseconds interval)
{
    if (interval <= milliseconds::zero())
        return;
    if (sleep) {
        sleep(interval, stopToken);
        return;
    }
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    wakeUp.wait_for(lock, stopToken, interval, [] { return false; });
}

std::int64_t RunContext::now() const
{
    if (clock)
        return clock();
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int percentDone(std::int64_t row, std::int64_t rows)
{
    return rows <= 0 ? 0 : static_cast<int>(static_cast<double>(row) / static_cast<double>(rows) * 100.0);
}

void recordFailure(RunContext& run, std::string_view migration, std::string_view table, std::string_view sourceId)
{
    run.failures.record(migration, table, sourceId,
                        {Why::Code::serverRefused,
                         {},
                         std::to_string(run.wordPress.lastErrorNumber()) + " " + run.wordPress.lastError()});
}

} // namespace kestrel
