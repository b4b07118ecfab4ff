#include "RunSettings.h"

#include <QFile>
#include <QtGlobal>

namespace kestrel {

namespace {

// The local sample server's root password, which scripts/run.sh names in this variable: its first line.
std::string samplePassword()
{
    QFile file(qEnvironmentVariable("KESTREL_SAMPLE_PASSWORD_FILE"));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readLine().trimmed().toStdString();
}

} // namespace

RunSettings RunSettings::initial()
{
    RunSettings settings;
    const std::string password = samplePassword();
    settings.emlog = {"127.0.0.1", "root", password, "emlog"};
    settings.wordPress = {"127.0.0.1", "root", password, "wordpress"};
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
