#include "HelpText.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace kestrel {

namespace {

// Names wider than this put their text on the next line, so that the texts keep room.
constexpr int widestNames = 40;

// East Asian Wide and Fullwidth, as terminals draw them: Hangul Jamo, the CJK blocks from radicals to
// Yi, Hangul syllables, compatibility ideographs, vertical and small forms, full-width forms, and the
// ideographs beyond the first plane.
bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool isWide(QChar c)
{
    return !c.isSurrogate() && isWide(char32_t(c.unicode()));
}

bool mayBreakBefore(const QString& text, qsizetype at)
{
    const QChar before = text[at - 1];
    // A character beyond the first plane is a pair: its halves are never wide alone, and ideographs there
    // are rare enough in help to keep with their neighbours.
    return before == QLatin1Char(' ') || isWide(before) || isWide(text[at]);
}

QString spaces(int count)
{
    return QString(std::max(count, 0), QLatin1Char(' '));
}

QString withoutTrailingSpaces(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// One line of text (no line end) in lines of at most `width` columns, each continuation indented as
// the first line is.
QStringList wrappedLine(const QString& text, int width)
{
    const qsizetype indentSize =
        std::find_if(text.begin(), text.end(), [](QChar c) { return c != QLatin1Char(' '); }) - text.begin();
    const QString indent = text.left(indentSize);
    const QString body = text.mid(indentSize);
    QStringList lines;
    QString line = indent;
    bool empty = true;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, body);
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = breaks.toNextBoundary();
        // Where Unicode lets a line break, only after a space or beside a wide character: never inside
        // an option's name ("--wp-ca") or an address.
        while (end > 0 && end < body.size() && !mayBreakBefore(body, end))
            end = breaks.toNextBoundary();
        if (end <= start)
            end = body.size();
        // A piece ends with the spaces after it, which do not count at the end of a line.
        const QString piece = body.mid(start, end - start);
        start = end;
        if (!empty && displayWidth(withoutTrailingSpaces(line + piece)) > width) {
            lines << withoutTrailingSpaces(line);
            line = indent;
        }
        line += piece;
        empty = false;
    }
    lines << withoutTrailingSpaces(line);
    return lines;
}

// The option's names as typed, with its value: "-h, --help", "--emlog-server <HOST[:PORT]>".
QString namesOf(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString shown = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        shown += QStringLiteral(" <%1>").arg(option.valueName());
    return shown;
}

} // namespace

int displayWidth(QStringView text)
{
    int columns = 0;
    for (const char32_t c : text.toUcs4())
        columns += isWide(c) ? 2 : 1;
    return columns;
}

QStringList wrapped(const QString& text, int width)
{
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        lines += wrappedLine(line, width);
    return lines;
}

QString helpText(const QString& description, const QList<QCommandLineOption>& options, int width)
{
    QStringList lines{QStringLiteral("用法：kestrel-cli [选项]")};
    lines += wrapped(description, width);
    lines << QString() << QStringLiteral("选项：");
    int namesWidth = 0;
    for (const QCommandLineOption& option : options) {
        const int names = displayWidth(namesOf(option));
        if (names <= widestNames)
            namesWidth = std::max(namesWidth, names);
    }
    const int column = 2 + namesWidth + 2;
    for (const QCommandLineOption& option : options) {
        if (option.flags() & QCommandLineOption::HiddenFromHelp)
            continue;
        const QString names = QStringLiteral("  ") + namesOf(option);
        const QStringList text = wrapped(option.description(), width - column);
        qsizetype first = 0;
        if (displayWidth(names) + 2 > column) {
            lines << names;
        } else {
            lines << withoutTrailingSpaces(names + spaces(column - displayWidth(names)) + text.value(0));
            first = 1;
        }
        for (qsizetype i = first; i < text.size(); ++i)
            lines << spaces(column) + text[i];
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace kestrel
