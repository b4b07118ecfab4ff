#include "Markdown.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>

#include <memory>
#include <mutex>

namespace kestrel {

namespace {

struct ParserDeleter
{
    void operator()(cmark_parser* parser) const { cmark_parser_free(parser); }
};
struct NodeDeleter
{
    void operator()(cmark_node* node) const { cmark_node_free(node); }
};
struct HtmlDeleter
{
    void operator()(char* html) const { cmark_get_default_mem_allocator()->free(html); }
};

// Parsedown's choices: breaks kept, raw HTML kept, only "~~" strikes, alignment as a style.
constexpr int parsedownOptions = CMARK_OPT_HARDBREAKS | CMARK_OPT_UNSAFE | CMARK_OPT_STRIKETHROUGH_DOUBLE_TILDE |
                                 CMARK_OPT_TABLE_PREFER_STYLE_ATTRIBUTES;

std::string render(std::string_view markdown, bool lineBreaks)
{
    // Without line breaks a break inside a paragraph is a space, as a browser shows Parsedown's; a
    // line break kept in the HTML would become a <br /> in WordPress's paragraphs.
    const int options = lineBreaks ? parsedownOptions : (parsedownOptions & ~CMARK_OPT_HARDBREAKS) | CMARK_OPT_NOBREAKS;
    // The registry is global and not safe to fill from two threads at once.
    static std::once_flag registered;
    std::call_once(registered, [] { cmark_gfm_core_extensions_ensure_registered(); });

    std::unique_ptr<cmark_parser, ParserDeleter> parser(cmark_parser_new(options));
    if (!parser)
        return std::string(markdown);
    for (const char* name : {"table", "strikethrough", "autolink"}) {
        if (cmark_syntax_extension* extension = cmark_find_syntax_extension(name))
            cmark_parser_attach_syntax_extension(parser.get(), extension);
    }
    cmark_parser_feed(parser.get(), markdown.data(), markdown.size());
    std::unique_ptr<cmark_node, NodeDeleter> document(cmark_parser_finish(parser.get()));
    if (!document)
        return std::string(markdown);
    std::unique_ptr<char, HtmlDeleter> html(
        cmark_render_html(document.get(), options, cmark_parser_get_syntax_extensions(parser.get())));
    if (!html)
        return std::string(markdown);
    std::string out(html.get());
    // Parsedown ends without a line break after the last block.
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

} // namespace

std::string markdownToHtml(std::string_view markdown)
{
    return render(markdown, true);
}

std::string markdownToHtmlWithoutBreaks(std::string_view markdown)
{
    return render(markdown, false);
}

} // namespace kestrel
