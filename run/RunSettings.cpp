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

QString runConfirmationQuestion()
{
    return QStringLiteral(
        "转换数据库可能会有意想不到的情况出现，请先备份或者用本地数据测试，然后：你确认要开始转换吗？");
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
