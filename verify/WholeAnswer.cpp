#include "WholeAnswer.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace kestrel {

namespace {

// JSON larger than this is not parsed again at each arrival to learn whether it is whole.
constexpr qsizetype mostJsonParsed = 8 * 1024 * 1024;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

} // namespace

bool readsWhole(const QByteArray& contentType, const QByteArray& body)
{
    const qsizetype parameters = contentType.indexOf(';');
    const QByteArray type = (parameters < 0 ? contentType : contentType.left(parameters)).trimmed().toLower();
    qsizetype end = body.size();
    while (end > 0 && isSpace(body[end - 1]))
        --end;
    // Only the end is looked at, without a copy of all that came before.
    if (type == "text/html" || type == "application/xhtml+xml") {
        constexpr QByteArrayView closing = "</html>";
        return end >= closing.size() && body.sliced(end - closing.size(), closing.size()).toLower() == closing;
    }
    if (type == "application/json" || type.endsWith("+json")) {
        if (end == 0 || (body[end - 1] != '}' && body[end - 1] != ']') || body.size() > mostJsonParsed)
            return false;
        QJsonParseError error;
        QJsonDocument::fromJson(body, &error);
        return error.error == QJsonParseError::NoError;
    }
    return false;
}

} // namespace kestrel
