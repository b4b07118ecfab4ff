#include "HtmlText.h"

namespace kestrel {

std::string escapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#039;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace kestrel
