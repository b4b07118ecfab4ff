#include "RunSettings.h"
#include "Utf8Text.h"

#include "ConnectionTexts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
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

bool readsBundledSample(const RunSettings& settings)
{
    if (qEnvironmentVariable("KESTREL_SAMPLE_PASSWORD_FILE").isEmpty() || !settings.emlogBackup.empty())
        return false;
    const RunSettings sample = RunSettings::initial();
    const std::string& server = settings.emlog.server;
    return (server == sample.emlog.server || server == sample.emlog.server + ":3306") &&
           settings.emlog.database == sample.emlog.database && settings.emlogPrefix == sample.emlogPrefix;
}

std::string backupFilePath(const RunSettings& settings)
{
    QString folder = QString::fromStdString(settings.backupDir);
    if (folder.isEmpty())
        // One folder for the window and the command line alike.
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kestrel");
    QDir().mkpath(folder);
    QString database = QString::fromStdString(settings.wordPress.database);
    for (QChar& c : database) {
        if (!(c.isLetterOrNumber() || c == u'_' || c == u'-') || c.unicode() > 127)
            c = u'_';
    }
    // In UTC: the run asks from its worker thread, and the C library's local time zone is not safe to
    // read there while the window's thread reads it too.
    const QString name =
        QStringLiteral("wordpress-%1-%2Z.sql")
            .arg(database, QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")));
    // Shown to the user and given to the mariadb client: with Windows' backslashes there.
    return QDir::toNativeSeparators(QDir(folder).absoluteFilePath(name)).toStdString();
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

bool isValidTablePrefix(const std::string& prefix)
{
    return isValidTablePrefix(text(prefix));
}

std::optional<QString> prefixRefusal(const RunSettings& settings)
{
    const std::pair<const std::string&, const char*> prefixes[] = {{settings.emlogPrefix, "emlog"},
                                                                   {settings.wordPressPrefix, "WordPress"}};
    for (const auto& [prefix, blog] : prefixes) {
        if (!isValidTablePrefix(prefix))
            return texts::unsafePrefix(QString::fromLatin1(blog), QString::fromStdString(prefix));
    }
    return std::nullopt;
}

std::optional<QString> throughPluginRefusal(const RunSettings& settings)
{
    if (settings.wordPressAddress.empty())
        return std::nullopt;
    // The files go into the site's uploads through the plugin: a local uploads folder is not WordPress's.
    if (!settings.files.uploadsFolder.empty())
        return texts::uploadsNotThroughPlugin();
    return std::nullopt;
}

} // namespace kestrel
