#include "RunCheck.h"

#include "BackupFile.h"
#include "RunSessions.h"
#include "RunTexts.h"

namespace kestrel {

CheckSettings checkSettingsOf(const RunSettings& settings, const BackupFile* backup)
{
    return CheckSettings{backup && !settings.emlogBackup.empty() ? backup->prefix() : settings.emlogPrefix,
                         settings.wordPressPrefix, settings.emptyWordPressFirst};
}

std::optional<BlogCheckReport> checkBeforeRun(const RunSettings& settings, QString& failure, BackupFile* backup)
{
    if (const std::optional<QString> refusal = prefixRefusal(settings)) {
        failure = *refusal;
        return std::nullopt;
    }
    if (const std::optional<QString> refusal = throughPluginRefusal(settings)) {
        failure = *refusal;
        return std::nullopt;
    }
    RunSessions sessions;
    QString detail;
    if (!sessions.open(settings, failure, detail)) {
        failure += QLatin1Char('\n') + detail;
        return std::nullopt;
    }
    // Read as a run reads it: no statement held beyond what WordPress's server takes.
    BackupFile ownBackup;
    BackupFile* emlogBackup = nullptr;
    if (!settings.emlogBackup.empty()) {
        emlogBackup = backup ? backup : &ownBackup;
        emlogBackup->largestStatement = sessions.wordPress().maxStatementBytes();
        if (!emlogBackup->open(settings.emlogBackup, settings.emlogPrefix, settings.acceptTruncatedBackup)) {
            failure = texts::backupUnreadable() + QLatin1Char('\n') + texts::backupProblem(emlogBackup->problem());
            return std::nullopt;
        }
    }
    CheckSettings checked = checkSettingsOf(settings, emlogBackup);
    checked.wordPressPrefix = sessions.wordPressPrefix();
    return checkBlogs(sessions.emlog(), sessions.wordPress(), checked, emlogBackup);
}

} // namespace kestrel
