#include "PluginRequest.h"

#include "SqlText.h"

namespace kestrel {

namespace {

constexpr std::string_view strictOpening = "SET @kestrel_mode=@@SESSION.sql_mode,SESSION sql_mode=CONCAT_WS(',',"
                                           "NULLIF(@@SESSION.sql_mode,''),'STRICT_ALL_TABLES')";

void appendBase64List(QByteArray& json, const char* key, const std::vector<std::string>& texts)
{
    json += '"';
    json += key;
    json += "\":[";
    bool first = true;
    for (const std::string& text : texts) {
        json += first ? "\"" : ",\"";
        first = false;
        json += QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())).toBase64();
        json += '"';
    }
    json += ']';
}

} // namespace

QString operationsRoute()
{
    return QStringLiteral("/kestrel/v1/statements");
}

std::string encodedOperation(const Operation& operation)
{
    // The site's session reads backslash escapes in utf8mb4 always.
    std::string statement;
    appendSql(operation, quoteForAnyServer, statement);
    return statement;
}

QByteArray requestBody(const std::vector<std::string>& settings, const std::vector<std::string>& operations,
                       bool transaction, bool commit, bool strict)
{
    std::vector<std::string> statements;
    if (strict)
        statements.emplace_back(strictOpening);
    if (transaction)
        statements.emplace_back("START TRANSACTION");
    statements.insert(statements.end(), operations.begin(), operations.end());
    if (transaction && commit)
        statements.emplace_back("COMMIT");
    QByteArray json = "{";
    appendBase64List(json, "settings", settings);
    json += ',';
    appendBase64List(json, "statements", statements);
    json += '}';
    return json;
}

std::vector<OperationOutcome> operationsOutcomes(const QJsonObject& body, bool transaction, bool strict)
{
    std::vector<OperationOutcome> outcomes = operationOutcomes(body);
    const std::size_t before = (strict ? 1 : 0) + (transaction ? 1 : 0);
    for (std::size_t i = 0; i < before && i < outcomes.size(); ++i) {
        if (!outcomes[i].ok)
            return {outcomes[i]};
    }
    outcomes.erase(outcomes.begin(), outcomes.begin() + static_cast<std::ptrdiff_t>(std::min(before, outcomes.size())));
    return outcomes;
}

} // namespace kestrel
