#include "PluginAnswers.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace kestrel {

namespace {

OperationOutcome outcomeOf(const QJsonObject& result)
{
    OperationOutcome outcome;
    outcome.ok = result.value(QStringLiteral("ok")).toBool();
    outcome.errorNumber = static_cast<unsigned>(result.value(QStringLiteral("errno")).toInt());
    outcome.error = result.value(QStringLiteral("error")).toString().toStdString();
    outcome.insertId = result.value(QStringLiteral("insert_id")).toString().toULongLong();
    outcome.affectedRows = answerCount(result.value(QStringLiteral("affected")));
    outcome.warningCount = static_cast<unsigned>(result.value(QStringLiteral("warning_count")).toInt());
    for (const QJsonValue warning : result.value(QStringLiteral("warnings")).toArray()) {
        const QJsonArray pair = warning.toArray();
        outcome.warnings.push_back({static_cast<unsigned>(pair.at(0).toInt()), pair.at(1).toString().toStdString()});
    }
    if (result.contains(QStringLiteral("columns"))) {
        PlainRows rows;
        for (const QJsonValue column : result.value(QStringLiteral("columns")).toArray())
            rows.columns.push_back(column.toString().toStdString());
        for (const QJsonValue rowValue : result.value(QStringLiteral("rows")).toArray()) {
            std::vector<std::optional<std::string>> row;
            for (const QJsonValue value : rowValue.toArray()) {
                if (value.isNull())
                    row.emplace_back();
                else
                    row.emplace_back(QByteArray::fromBase64(value.toString().toLatin1()).toStdString());
            }
            rows.rows.push_back(std::move(row));
        }
        outcome.rows = std::move(rows);
    }
    return outcome;
}

} // namespace

std::uint64_t answerCount(const QJsonValue& value)
{
    // A double past an integer's range would not convert: anything that large is taken as the largest.
    constexpr double largest = 9007199254740992.0;
    const double number = value.toDouble();
    if (!(number >= 1))
        return 0;
    return static_cast<std::uint64_t>(std::min(number, largest));
}

std::optional<QJsonObject> answerBody(const QByteArray& bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

std::vector<OperationOutcome> operationOutcomes(const QJsonObject& body)
{
    std::vector<OperationOutcome> outcomes;
    for (const QJsonValue result : body.value(QStringLiteral("results")).toArray())
        outcomes.push_back(outcomeOf(result.toObject()));
    return outcomes;
}

} // namespace kestrel
