#include "RunCheck.h"

#include "RunSessions.h"

namespace kestrel {

std::optional<BlogCheckReport> checkBeforeRun(const RunSettings& settings, QString& failure)
{
    RunSessions sessions;
    QString detail;
    if (!sessions.open(settings, failure, detail)) {
        failure += QLatin1Char('\n') + detail;
        return std::nullopt;
    }
    const CheckSettings check{settings.emlogPrefix, settings.wordPressPrefix, settings.emptyWordPressFirst};
    return checkBlogs(sessions.emlog(), sessions.wordPress(), check);
}

} // namespace kestrel
