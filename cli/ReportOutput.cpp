#include "ReportOutput.h"
#include "Utf8Text.h"

#include "RunTexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <limits>

namespace kestrel {

namespace {

bool anyFailed(const FailureLog& log)
{
    return !log.empty() || std::any_of(log.tallies().begin(), log.tallies().end(), [](const FailureLog::Tally& tally) {
        return tally.failed > 0 || tally.unreadable;
    });
}

QJsonObject entryJson(const FailureLog::Entry& entry)
{
    // "gid=5": the column and the id of the emlog row; empty for a statement of no row.
    QJsonValue id;
    const auto equals = entry.sourceId.find('=');
    if (equals != std::string::npos) {
        bool isNumber = false;
        const qlonglong number = text(entry.sourceId.substr(equals + 1)).toLongLong(&isNumber);
        if (isNumber)
            id = number;
    }
    return QJsonObject{{QStringLiteral("emlogId"), id},
                       {QStringLiteral("source"), text(entry.sourceId)},
                       {QStringLiteral("table"), text(entry.table)},
                       {QStringLiteral("code"), QString::fromLatin1(codeName(entry.why.code))},
                       {QStringLiteral("reason"), texts::reason(entry)}};
}

QJsonObject sessionJson(const SessionSecurity& session)
{
    return QJsonObject{{QStringLiteral("open"), session.opened},
                       {QStringLiteral("encrypted"), !session.cipher.empty()},
                       {QStringLiteral("tlsVersion"), text(session.tlsVersion)},
                       {QStringLiteral("cipher"), text(session.cipher)},
                       {QStringLiteral("certificateChecked"), text(session.certificateCheck)}};
}

// A run from a backup file had no emlog session: its file instead.
QJsonObject emlogJson(const RunReport& report)
{
    if (!report.emlogBackup.empty())
        return QJsonObject{{QStringLiteral("backupFile"), text(report.emlogBackup)}};
    return sessionJson(report.emlogSession);
}

} // namespace

int exitStatusOf(const RunReport& report)
{
    if (report.stopped)
        return exitStatus::interrupted;
    return anyFailed(report.log) ? exitStatus::rowsFailed : exitStatus::allArrived;
}

QString reportText(const RunReport& report)
{
    QString result = texts::completion(report) + QLatin1Char('\n');
    if (!report.log.empty())
        result +=
            QStringLiteral("\n失败的行：\n") + texts::details(report.log, std::numeric_limits<std::size_t>::max());
    return result;
}

QByteArray reportJson(const RunReport& report)
{
    QJsonArray migrations;
    for (const FailureLog::Tally& tally : report.log.tallies()) {
        QJsonArray failures;
        for (const FailureLog::Entry& entry : report.log.entries()) {
            if (entry.migration == tally.migration)
                failures.append(entryJson(entry));
        }
        migrations.append(QJsonObject{{QStringLiteral("kind"), text(tally.migration)},
                                      {QStringLiteral("label"), texts::label(tally.migration)},
                                      {QStringLiteral("read"), qint64(tally.read)},
                                      {QStringLiteral("written"), qint64(tally.written)},
                                      {QStringLiteral("incomplete"), qint64(tally.incomplete)},
                                      {QStringLiteral("alreadyThere"), qint64(tally.alreadyThere)},
                                      {QStringLiteral("failed"), qint64(tally.failed)},
                                      {QStringLiteral("unreadable"), tally.unreadable},
                                      {QStringLiteral("unreadableFrom"), !tally.unreadable ? QJsonValue()
                                                                         : tally.wordPressUnreadable
                                                                             ? QJsonValue(QStringLiteral("wordpress"))
                                                                             : QJsonValue(QStringLiteral("emlog"))},
                                      {QStringLiteral("failures"), failures}});
    }
    // Failed statements of steps that copy no rows of their own, such as emptying WordPress first.
    QJsonArray otherFailures;
    for (const FailureLog::Entry& entry : report.log.entries()) {
        if (!report.log.tallied(entry)) {
            QJsonObject failure = entryJson(entry);
            failure.insert(QStringLiteral("step"), text(entry.migration));
            failure.insert(QStringLiteral("label"), texts::label(entry.migration));
            otherFailures.append(failure);
        }
    }
    QJsonArray notes;
    // Each of WordPress's settings the run changed, or kept since the run keeps WordPress's own.
    QJsonArray settings;
    for (const FailureLog::Note& note : report.log.notes()) {
        notes.append(texts::note(note));
        using What = FailureLog::Note::What;
        if (note.what == What::SettingChanged || note.what == What::SettingKept)
            settings.append(QJsonObject{{QStringLiteral("option"), text(note.first)},
                                        {QStringLiteral("wordpressBefore"), text(note.second)},
                                        {QStringLiteral("emlog"), text(note.third)},
                                        {QStringLiteral("changed"), note.what == What::SettingChanged}});
    }
    QJsonObject root{
        {QStringLiteral("completed"), !report.stopped},
        {QStringLiteral("elapsedSeconds"), report.elapsedSeconds},
        {QStringLiteral("sessions"), QJsonObject{{QStringLiteral("emlog"), emlogJson(report)},
                                                 {QStringLiteral("wordpress"), sessionJson(report.wordPressSession)}}},
        {QStringLiteral("notes"), notes},
        {QStringLiteral("settings"), settings},
        {QStringLiteral("migrations"), migrations},
        {QStringLiteral("otherFailures"), otherFailures}};
    if (report.emptied) {
        QJsonObject deleted;
        for (const EmptyingPlan::Kind& kind : report.emptied->kinds)
            deleted.insert(text(kind.name), qint64(kind.rows));
        root.insert(QStringLiteral("emptiedFirst"),
                    QJsonObject{{QStringLiteral("backupFile"), text(report.emptied->backupFile)},
                                {QStringLiteral("deleted"), deleted}});
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray failureJson(const QString& reason)
{
    const QJsonObject root{{QStringLiteral("completed"), false},
                           {QStringLiteral("error"), reason},
                           {QStringLiteral("elapsedSeconds"), 0},
                           {QStringLiteral("migrations"), QJsonArray()},
                           {QStringLiteral("otherFailures"), QJsonArray()}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace kestrel
