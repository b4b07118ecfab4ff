// An answer of the receiver plugin, as the site sends it back: its body, and the outcomes of the
// statements it ran. Only receiver/PluginAnswers.h is reached, so that this follows its parser.
#include "FuzzTargets.h"
#include "PluginAnswers.h"

#include <QJsonArray>

namespace kestrel::fuzz {

int pluginAnswers(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QJsonObject> body = answerBody(bytes);
    if (!body)
        return 0;
    const std::vector<OperationOutcome> outcomes = operationOutcomes(*body);
    expect(outcomes.size() == static_cast<std::size_t>(body->value(QStringLiteral("results")).toArray().size()),
           "an outcome for each result");
    for (const OperationOutcome& outcome : outcomes)
        expect(!outcome.rows || outcome.rows->rows.size() <= static_cast<std::size_t>(size), "no more rows than bytes");
    return 0;
}

} // namespace kestrel::fuzz
