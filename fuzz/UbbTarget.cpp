// A visitor's comment with UBB, escaped and made HTML as emlog showed it: whatever the visitor typed,
// the only markup is what UBB makes, and a link only to a web address.
#include "FuzzTargets.h"
#include "HtmlText.h"
#include "Ubb.h"

#include <array>
#include <string>

namespace kestrel::fuzz {

namespace {

constexpr std::array<std::string_view, 7> madeTags = {"<b>", "</b>", "<i>", "</i>", "<u>", "</u>", "</a>"};

// The length of the markup UBB makes at `at`, or 0 when none starts there.
std::size_t markupAt(std::string_view html, std::size_t at)
{
    for (const std::string_view tag : madeTags) {
        if (html.substr(at, tag.size()) == tag)
            return tag.size();
    }
    constexpr std::string_view open = "<a href=\"";
    constexpr std::string_view close = "\" rel=\"nofollow\">";
    if (html.substr(at, open.size()) != open)
        return 0;
    const std::size_t end = html.find(close, at + open.size());
    if (end == std::string_view::npos)
        return 0;
    const std::string_view address = html.substr(at + open.size(), end - at - open.size());
    std::string scheme(address.substr(0, 8));
    for (char& c : scheme)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const bool web = scheme.rfind("http://", 0) == 0 || scheme.rfind("https://", 0) == 0;
    if (!web || address.find_first_of("\"'<> ") != std::string_view::npos)
        return 0;
    return end + close.size() - at;
}

} // namespace

int ubb(const std::uint8_t* data, std::size_t size)
{
    const std::string_view comment(reinterpret_cast<const char*>(data), size);
    const std::string html = ubbToHtml(escapeHtml(comment));
    for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
        const std::size_t markup = markupAt(html, at);
        expect(markup != 0, "the only markup is UBB's: bold, italic, underline and links to web addresses");
        at += markup - 1;
    }
    return 0;
}

} // namespace kestrel::fuzz
