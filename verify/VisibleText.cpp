#include "VisibleText.h"

#include "TextHelpers.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace kestrel {

namespace {

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool startsWithCaseless(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i])
            return false;
    }
    return true;
}

std::size_t findCaseless(std::string_view text, std::string_view word, std::size_t from)
{
    for (std::size_t at = from; at < text.size(); ++at) {
        if (startsWithCaseless(text, at, word))
            return at;
    }
    return std::string_view::npos;
}

// Where a tag that opens at `at` ends (the position of its ">"), quotes of attribute values kept whole.
std::size_t tagEnd(std::string_view html, std::size_t at)
{
    char quote = 0;
    for (std::size_t i = at + 1; i < html.size(); ++i) {
        const char c = html[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if ((c == '"' || c == '\'') && html[i - 1] == '=') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return html.size();
}

// The text between tags; each tag, comment, script and style a space.
std::string textOutsideTags(std::string_view html)
{
    std::string text;
    text.reserve(html.size());
    std::size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        const char next = i + 1 < html.size() ? html[i + 1] : '\0';
        if (c != '<' ||
            !(std::isalpha(static_cast<unsigned char>(next)) || next == '/' || next == '!' || next == '?')) {
            text += c;
            ++i;
            continue;
        }
        text += ' ';
        if (html.compare(i, 4, "<!--") == 0) {
            const std::size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const std::size_t end = tagEnd(html, i);
        bool skipped = false;
        for (const std::string_view element : {std::string_view("script"), std::string_view("style")}) {
            if (!startsWithCaseless(html, i + 1, element))
                continue;
            const std::size_t close = findCaseless(html, std::string("</") + std::string(element), end);
            i = close == std::string_view::npos ? html.size() : tagEnd(html, close) + 1;
            skipped = true;
            break;
        }
        if (!skipped)
            i = end + 1;
    }
    return text;
}

// The text without the addresses in it.
std::string withoutAddresses(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (startsWithCaseless(text, i, "http://") || startsWithCaseless(text, i, "https://")) {
            while (i < text.size() && !isAsciiSpace(text[i]) && text[i] != '"' && text[i] != '\'' && text[i] != '<' &&
                   text[i] != '>')
                ++i;
            out += ' ';
            continue;
        }
        out += text[i++];
    }
    return out;
}

// WordPress's smilies: a page shows them as pictures, which say nothing here.
bool isSmiley(std::string_view word)
{
    static constexpr std::array<std::string_view, 44> smilies = {
        ":mrgreen:", ":neutral:", ":twisted:", ":arrow:", ":shock:", ":smile:", ":???:", ":cool:", ":evil:",
        ":grin:",    ":idea:",    ":oops:",    ":razz:",  ":roll:",  ":wink:",  ":cry:", ":eek:",  ":lol:",
        ":mad:",     ":sad:",     "8-)",       "8-O",     ":-(",     ":-)",     ":-?",   ":-D",    ":-P",
        ":-o",       ":-x",       ":-|",       ";-)",     "8O",      ":(",      ":)",    ":?",     ":D",
        ":P",        ":o",        ":x",        ":|",      ";)",      ":!:",     ":?:",   "8)"};
    return std::find(smilies.begin(), smilies.end(), word) != smilies.end();
}

std::string withoutSmilies(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isAsciiSpace(text[i])) {
            out += text[i++];
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !isAsciiSpace(text[end]))
            ++end;
        const std::string_view word = text.substr(i, end - i);
        if (!isSmiley(word))
            out += word;
        i = end;
    }
    return out;
}

} // namespace

std::string decodeEntities(std::string_view text)
{
    static const std::pair<std::string_view, char32_t> named[] = {
        {"amp", '&'},      {"lt", '<'},        {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
        {"nbsp", ' '},     {"hellip", 0x2026}, {"mdash", 0x2014}, {"ndash", 0x2013}, {"lsquo", 0x2018},
        {"rsquo", 0x2019}, {"ldquo", 0x201C},  {"rdquo", 0x201D}, {"laquo", 0xAB},   {"raquo", 0xBB},
        {"trade", 0x2122}, {"times", 0xD7},    {"copy", 0xA9},    {"reg", 0xAE},     {"middot", 0xB7}};
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t semicolon = text[i] == '&' ? text.find(';', i + 1) : std::string_view::npos;
        if (semicolon == std::string_view::npos || semicolon - i > 10) {
            out += text[i++];
            continue;
        }
        const std::string_view name = text.substr(i + 1, semicolon - i - 1);
        std::optional<char32_t> decoded;
        if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string digits(name.substr(hex ? 2 : 1));
            char* end = nullptr;
            const unsigned long value = digits.empty() ? 0 : std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (end && *end == '\0' && value > 0 && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF))
                decoded = static_cast<char32_t>(value);
        } else {
            for (const auto& [entity, c] : named) {
                if (entity == name)
                    decoded = c;
            }
        }
        if (!decoded) {
            out += text[i++];
            continue;
        }
        out += utf8Of(*decoded);
        i = semicolon + 1;
    }
    return out;
}

QString visibleText(std::string_view html)
{
    const std::string text = withoutSmilies(withoutAddresses(decodeEntities(textOutsideTags(html))));
    const QList<uint> characters = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUcs4();
    std::u32string kept;
    kept.reserve(static_cast<std::size_t>(characters.size()));
    for (const uint c : characters) {
        // WordPress writes (tm) as ™ and 2x3 as 2×3.
        if (c == 0x2122)
            kept += U"tm";
        else if (c == 0xD7)
            kept += U'x';
        else if (QChar::isLetterOrNumber(c))
            kept += static_cast<char32_t>(QChar::toCaseFolded(c));
    }
    return QString::fromUcs4(kept.data(), static_cast<qsizetype>(kept.size()));
}

std::string_view firstPageOf(std::string_view content)
{
    return content.substr(0, content.find("<!--nextpage-->"));
}

std::vector<std::string> attributeValues(std::string_view html, std::string_view attribute)
{
    const QRegularExpression pattern(QStringLiteral("\\s%1\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>\"']+))")
                                         .arg(QRegularExpression::escape(QString::fromLatin1(
                                             attribute.data(), static_cast<qsizetype>(attribute.size())))),
                                     QRegularExpression::CaseInsensitiveOption);
    std::vector<std::string> values;
    const QString text = QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size()));
    for (auto match = pattern.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        const QString value = !found.captured(1).isNull()   ? found.captured(1)
                              : !found.captured(2).isNull() ? found.captured(2)
                                                            : found.captured(3);
        values.push_back(decodeEntities(value.toStdString()));
    }
    return values;
}

} // namespace kestrel
