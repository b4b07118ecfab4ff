#include "PluginRequest.h"

#include "RowValues.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <utility>

namespace kestrel {

namespace {

void appendText(QByteArray& json, std::string_view text)
{
    json += '"';
    json += QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())).toBase64();
    json += '"';
}

// A name goes as it is, in JSON's quoting: the site checks it is one of its own tables or their columns.
void appendName(QByteArray& json, std::string_view name)
{
    const QJsonValue value(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    json += array.mid(1, array.size() - 2);
}

void appendValue(QByteArray& json, std::int64_t number)
{
    json += "{\"n\":\"" + QByteArray::number(static_cast<qlonglong>(number)) + "\"}";
}

void appendValue(QByteArray& json, const std::string& text)
{
    json += "{\"t\":";
    appendText(json, text);
    json += '}';
}

void appendValue(QByteArray& json, const Name& name)
{
    json += "{\"name\":";
    appendName(json, name.text);
    json += '}';
}

template <typename Value> void appendValue(QByteArray& json, const std::vector<Value>& list)
{
    json += "{\"list\":[";
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i)
            json += ',';
        appendValue(json, list[i]);
    }
    json += "]}";
}

// A read or a change by its name and parameters; its SQL is MySQL's alone.
void appendNamed(QByteArray& json, const char* kind, const Named& named)
{
    json += "{\"";
    json += kind;
    json += "\":";
    appendName(json, named.name());
    json += ",\"with\":[";
    bool first = true;
    for (const Parameter& parameter : named.parameters()) {
        if (!std::exchange(first, false))
            json += ',';
        std::visit([&](const auto& value) { appendValue(json, value); }, parameter);
    }
    json += "]}";
}

void appendOperation(QByteArray& json, const Query& query)
{
    appendNamed(json, "read", query);
}

void appendOperation(QByteArray& json, const Change& change)
{
    appendNamed(json, "change", change);
}

void appendOperation(QByteArray& json, const Insert& insert)
{
    json += "{\"insert\":";
    appendName(json, insert.table);
    json += ",\"columns\":[";
    std::string_view columns = insert.columns;
    for (bool first = true; !columns.empty(); first = false) {
        const std::size_t comma = std::min(columns.find(','), columns.size());
        if (!first)
            json += ',';
        appendName(json, columns.substr(0, comma));
        columns.remove_prefix(std::min(comma + 1, columns.size()));
    }
    json += "],\"rows\":[";
    for (std::size_t row = 0; row < insert.rows.size(); ++row) {
        const RowValues& values = *insert.rows[row];
        json += row ? ",[" : "[";
        for (std::size_t i = 0; i < values.count(); ++i) {
            if (i)
                json += ',';
            appendText(json, values.value(i));
        }
        json += ']';
    }
    json += "]}";
}

} // namespace

QString operationsRoute()
{
    return QStringLiteral("/kestrel/v1/operations");
}

std::string encodedOperation(const Operation& operation)
{
    QByteArray json;
    std::visit([&](const auto& each) { appendOperation(json, each); }, operation);
    return json.toStdString();
}

QByteArray requestBody(const std::vector<std::string>& operations, bool transaction, bool commit, bool strict)
{
    QByteArray json = "{\"operations\":[";
    for (std::size_t i = 0; i < operations.size(); ++i) {
        if (i)
            json += ',';
        json += QByteArray::fromRawData(operations[i].data(), static_cast<qsizetype>(operations[i].size()));
    }
    json += ']';
    if (transaction)
        json += commit ? ",\"transaction\":true,\"commit\":true" : ",\"transaction\":true";
    if (strict)
        json += ",\"strict\":true";
    json += '}';
    return json;
}

} // namespace kestrel
