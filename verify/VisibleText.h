#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// What a reader reads of some HTML, in a form that WordPress's own display rules do not change: the
// text outside tags (scripts, styles and comments left out), entities decoded, addresses left out, and
// then only its letters and digits, case-folded. So quotes made curly, dashes, ellipses, the
// paragraphs wpautop adds, smilies made pictures and "Protected:" before a title all read the same,
// while a word cut, changed or lost does not.
QString visibleText(std::string_view html);

// The part of an article a reader sees on its page: up to its first <!--nextpage-->.
std::string_view firstPageOf(std::string_view content);

// The values of every attribute of this name ("href", "src"), entities decoded, in order.
std::vector<std::string> attributeValues(std::string_view html, std::string_view attribute);

// The text with its HTML entities decoded: numeric ones, and the named ones WordPress and emlog write.
std::string decodeEntities(std::string_view text);

} // namespace kestrel
