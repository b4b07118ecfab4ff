#include "ReportJson.h"

#include "Utf8Text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kestrel {

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
