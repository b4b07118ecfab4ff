#pragma once

#include "SessionSql.h"

namespace kestrel::bench {

struct BlogSize
{
    int articles = 0;
    int comments = 0;
    int attachments = 0;
    int categories = 0;
    int tags = 0;
    int links = 0;
};

// Fills emlog's six (empty) tables with a generated blog of this size: Chinese
// and English text with quotes, links to the old site, replies, drafts, tag
// lists in both emlog 5 and emlog 6 form. The same size always gives the same blog.
void generateBlog(MysqlSession& emlog, const BlogSize& size);

} // namespace kestrel::bench
