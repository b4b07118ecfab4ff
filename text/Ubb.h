#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// emlog showed a comment escaped, with the UBB its visitors typed made markup: [b], [i] and [u]
// as bold, italic and underlined text, [url]address[/url] and [url=address]text[/url] as links.
// `escaped` is the comment already escaped (escapeHtml). Only an http or https address becomes a
// link: any other ([url=javascript:...]) stays the text it is, as does a tag without its end.
std::string ubbToHtml(std::string_view escaped);

} // namespace kestrel
