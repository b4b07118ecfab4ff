#include "RunSettings.h"

namespace kestrel {

RunSettings RunSettings::initial()
{
    RunSettings settings;
    settings.emlog = {"127.0.0.1", "root", "", "emlog"};
    settings.wordPress = {"127.0.0.1", "root", "", "wordpress"};
    settings.emlogPrefix = "emlog_";
    settings.wordPressPrefix = "wp_";
    return settings;
}

bool isValidTablePrefix(const QString& prefix)
{
    for (const QChar c : prefix) {
        const bool safe = c == u'_' || c == u'$' || (c.isLetterOrNumber() && !c.isSurrogate());
        if (!safe)
            return false;
    }
    return true;
}

} // namespace kestrel
