#include "Markdown.h"

#include <gtest/gtest.h>

using namespace kestrel;

// What Parsedown with line breaks made of emlog pro's Markdown, as pro showed it.
TEST(Markdown, MadeHtmlAsEmlogProShowedIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"# 标题\n\n**粗体** 和 *斜体*", "<h1>标题</h1>\n<p><strong>粗体</strong> 和 <em>斜体</em></p>"},
        {"第一行\n第二行", "<p>第一行<br />\n第二行</p>"},
        {"~~删除~~ ~一个~", "<p><del>删除</del> ~一个~</p>"},
        {"访问 https://example.org/x 吧", "<p>访问 <a href=\"https://example.org/x\">https://example.org/x</a> 吧</p>"},
        {"```php\necho 'hello';\n```", "<pre><code class=\"language-php\">echo 'hello';\n</code></pre>"},
        {"    indented 'code'", "<pre><code>indented 'code'\n</code></pre>"},
        {"> 引用\n> 第二行", "<blockquote>\n<p>引用<br />\n第二行</p>\n</blockquote>"},
        {"- a\n  - b\n- c", "<ul>\n<li>a\n<ul>\n<li>b</li>\n</ul>\n</li>\n<li>c</li>\n</ul>"},
        {"<div class='x'>块</div>\n\n段落 <span style='color:red'>红</span>",
         "<div class='x'>块</div>\n<p>段落 <span style='color:red'>红</span></p>"},
        {"![图](http://b.example/a.png)", "<p><img src=\"http://b.example/a.png\" alt=\"图\" /></p>"},
        {"<script>alert(1)</script>", "<script>alert(1)</script>"}, // the author's own HTML, as pro kept it
        {"", ""},
    };
    for (const auto& [markdown, html] : cases)
        EXPECT_EQ(markdownToHtml(markdown), html) << markdown;
    // pro's 微语: line breaks off, a break within a paragraph is a space as a browser shows it.
    EXPECT_EQ(markdownToHtmlWithoutBreaks("第一行\n**第二行**"), "<p>第一行 <strong>第二行</strong></p>");
    EXPECT_EQ(markdownToHtmlWithoutBreaks("一\n\n二"), "<p>一</p>\n<p>二</p>");
}

TEST(Markdown, TablesKeepTheirAlignment)
{
    const std::string html = markdownToHtml("| a | b |\n|---|:-:|\n| 1 | 2 |");
    for (const char* part : {"<table>", "<thead>", "<th>a</th>", "<th style=\"text-align: center\">b</th>", "<tbody>",
                             "<td>1</td>", "<td style=\"text-align: center\">2</td>", "</table>"})
        EXPECT_NE(html.find(part), std::string::npos) << part << " in " << html;
}
