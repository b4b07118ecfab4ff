#include "ReportJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kestrel {

namespace {

QString text(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

QByteArray verificationJson(const Verification& verification)
{
    QJsonObject verified;
    for (const auto& [kind, count] : verification.verified)
        verified.insert(text(kind), static_cast<qint64>(count));
    QJsonArray findings;
    for (const Finding& finding : verification.findings) {
        findings.append(QJsonObject{
            {QStringLiteral("kind"), text(finding.kind)},
            {QStringLiteral("emlogId"),
             finding.emlogId ? QJsonValue(static_cast<qint64>(*finding.emlogId)) : QJsonValue()},
            {QStringLiteral("check"), text(finding.check)},
            {QStringLiteral("expected"), text(finding.expected)},
            {QStringLiteral("seen"), text(finding.seen)},
            {QStringLiteral("address"), text(finding.address)},
        });
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("verified"), verified}, {QStringLiteral("findings"), findings}})
        .toJson(QJsonDocument::Indented);
}

} // namespace kestrel
