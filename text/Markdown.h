#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// emlog pro's editor stores Markdown and pro shows it through Parsedown with line
// breaks on: this makes the same HTML. A single line break is a <br />, tables,
// ~~strikethrough~~ and bare addresses work, and HTML in the text stays as written
// (articles that came from 6.x into pro are HTML already).
std::string markdownToHtml(std::string_view markdown);
// pro shows its 微语 with line breaks off: there a single line break stays within its paragraph.
std::string markdownToHtmlWithoutBreaks(std::string_view markdown);

} // namespace kestrel
