#include "Ubb.h"

#include "TextHelpers.h"

#include <array>

namespace kestrel {

namespace {

// Nested deeper than this, a tag stays text: a comment of a thousand "[b]" is no reason to recurse.
constexpr int deepest = 8;

bool startsWith(std::string_view text, std::size_t at, std::string_view tag)
{
    return text.size() - at >= tag.size() && asciiLower(text.substr(at, tag.size())) == tag;
}

// Where the end tag closes what starts at `from`, or npos.
std::size_t endOf(std::string_view text, std::size_t from, std::string_view end)
{
    for (std::size_t at = text.find('[', from); at != std::string_view::npos; at = text.find('[', at + 1)) {
        if (startsWith(text, at, end))
            return at;
    }
    return std::string_view::npos;
}

// An address a link may lead to: http or https, with nothing that could end the attribute or the tag.
bool isWebAddress(std::string_view address)
{
    const std::string lower = asciiLower(address);
    const bool web = lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
    return web && address.find_first_of(" \t\r\n\"'<>[]") == std::string_view::npos;
}

std::string link(std::string_view address, const std::string& text)
{
    return "<a href=\"" + std::string(address) + "\" rel=\"nofollow\">" + text + "</a>";
}

// The end tags a text lacks from some point on: once one is not found, no later search for it
// is made, so that a comment of many tags without ends takes one pass, not one per tag.
struct Missing
{
    std::array<bool, 4> ends{}; // [/b], [/i], [/u], [/url]
    bool bracket = false;       // the ']' closing "[url="
};

std::size_t endOf(std::string_view text, std::size_t from, std::string_view end, bool& missing)
{
    if (missing)
        return std::string_view::npos;
    const std::size_t found = endOf(text, from, end);
    missing = found == std::string_view::npos;
    return found;
}

std::string convert(std::string_view text, int depth)
{
    static constexpr std::array<std::string_view, 3> styles = {"b", "i", "u"};
    Missing missing;
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('[', at);
        out.append(text.substr(at, open == std::string_view::npos ? std::string_view::npos : open - at));
        if (open == std::string_view::npos)
            break;
        at = open;
        bool done = false;
        if (depth < deepest) {
            for (std::size_t style = 0; style < styles.size(); ++style) {
                const std::string name(styles[style]);
                const std::string start = "[" + name + "]";
                const std::string end = "[/" + name + "]";
                if (!startsWith(text, at, start))
                    continue;
                if (const std::size_t close = endOf(text, at + start.size(), end, missing.ends[style]);
                    close != std::string_view::npos) {
                    out += "<" + name + ">" +
                           convert(text.substr(at + start.size(), close - at - start.size()), depth + 1) + "</" + name +
                           ">";
                    at = close + end.size();
                    done = true;
                }
                break;
            }
            if (!done && startsWith(text, at, "[url]")) {
                const std::size_t close = endOf(text, at + 5, "[/url]", missing.ends[3]);
                const std::string_view address =
                    close == std::string_view::npos ? std::string_view() : text.substr(at + 5, close - at - 5);
                if (isWebAddress(address)) {
                    out += link(address, std::string(address));
                    at = close + 6;
                    done = true;
                }
            } else if (!done && startsWith(text, at, "[url=") && !missing.bracket) {
                const std::size_t bracket = text.find(']', at + 5);
                missing.bracket = bracket == std::string_view::npos;
                const std::size_t close =
                    missing.bracket ? bracket : endOf(text, bracket + 1, "[/url]", missing.ends[3]);
                if (close != std::string_view::npos && isWebAddress(text.substr(at + 5, bracket - at - 5))) {
                    out += link(text.substr(at + 5, bracket - at - 5),
                                convert(text.substr(bracket + 1, close - bracket - 1), deepest));
                    at = close + 6;
                    done = true;
                }
            }
        }
        if (!done) {
            out += '[';
            ++at;
        }
    }
    return out;
}

} // namespace

std::string ubbToHtml(std::string_view escaped)
{
    return convert(escaped, 0);
}

} // namespace kestrel
