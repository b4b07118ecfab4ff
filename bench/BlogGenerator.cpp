#include "BlogGenerator.h"

#include "BenchSupport.h"

#include <functional>
#include <string>

namespace kestrel::bench {

namespace {

// Rows go in as multi-row inserts of this many rows.
constexpr int rowsPerInsert = 500;

void insertRows(MysqlSession& emlog, const std::string& head, int count, const std::function<std::string(int)>& row)
{
    std::string values;
    for (int i = 1; i <= count; ++i) {
        if (!values.empty())
            values += ',';
        values += row(i);
        if (i % rowsPerInsert == 0 || i == count) {
            run(emlog, head + values);
            values.clear();
        }
    }
}

std::string quoted(MysqlSession& connection, const std::string& text)
{
    return quotedLiteral(connection, text);
}

std::string articleContent(int gid)
{
    std::string content = "<p>第" + std::to_string(gid) + "篇文章：It's a \"test\" of 中文 text, 繁體 too.</p>\n";
    for (int paragraph = 0; paragraph < 8; ++paragraph)
        content += "<p>今天天气很好，我们去公园散步。Kestrel copies every word \\ every 'quote'. "
                   "<img src=\"http://blog.example.com/content/uploadfile/2014/" +
                   std::to_string(gid) + "-" + std::to_string(paragraph) +
                   ".jpg\" /> 见<a href=\"http://blog.example.com/?post=" + std::to_string(gid % 1000 + 1 + paragraph) +
                   "\">另一篇</a></p>\n";
    return content;
}

} // namespace

void generateBlog(MysqlSession& emlog, const BlogSize& size)
{
    // As an installed emlog has them: its address, which its links to itself begin with, and its zone.
    run(emlog, "INSERT INTO emlog_options (option_name, option_value) VALUES ('blogurl','http://blog.example.com/'),"
               "('timezone','8'),('blogname','生成的博客')");
    insertRows(emlog, "INSERT INTO emlog_sort (sid, sortname, pid, description) VALUES ", size.categories,
               [&](int sid) {
                   return std::string("(") + std::to_string(sid) + "," +
                          quoted(emlog, "分类 " + std::to_string(sid) + " 'cat'") + "," +
                          std::to_string(sid > 10 ? sid % 10 + 1 : 0) + ",'')";
               });
    insertRows(emlog,
               "INSERT INTO emlog_blog (gid, title, date, content, excerpt, author, sortid, hide, password) VALUES ",
               size.articles, [&](int gid) {
                   return std::string("(") + std::to_string(gid) + "," +
                          quoted(emlog, "文章 " + std::to_string(gid) + " It's") + "," +
                          std::to_string(1200000000 + gid * 3600) + "," + quoted(emlog, articleContent(gid)) +
                          ",'',1," +
                          std::to_string(gid % 17 == 0 || size.categories == 0 ? -1 : gid % size.categories + 1) +
                          ",'" + (gid % 50 == 0 ? "y" : "n") + "','" + (gid % 97 == 0 ? "secret" : "") + "')";
               });
    insertRows(emlog, "INSERT INTO emlog_comment (cid, gid, pid, date, poster, comment, mail, url, ip, hide) VALUES ",
               size.comments, [&](int cid) {
                   const int gid = size.articles > 0 ? (cid - 1) % size.articles + 1 : cid;
                   const int pid = cid % 5 == 0 ? cid - 1 : 0;
                   return std::string("(") + std::to_string(cid) + "," + std::to_string(gid) + "," +
                          std::to_string(pid) + "," + std::to_string(1200000000 + cid * 60) + "," +
                          quoted(emlog, "读者" + std::to_string(cid % 300)) + "," +
                          quoted(emlog, "写得好！It's great 👍 #" + std::to_string(cid)) +
                          ",'reader@example.com','http://reader.example.com/','192.168.1." + std::to_string(cid % 250) +
                          "','" + (cid % 20 == 0 ? "y" : "n") + "')";
               });
    insertRows(emlog, "INSERT INTO emlog_attachment (aid, blogid, filename, filepath, addtime) VALUES ",
               size.attachments, [&](int aid) {
                   const std::string name =
                       aid % 3 == 0 ? "文档" + std::to_string(aid) + ".pdf" : "照片" + std::to_string(aid) + ".JPG";
                   return std::string("(") + std::to_string(aid) + "," +
                          std::to_string(size.articles ? aid % size.articles + 1 : 1) + "," + quoted(emlog, name) +
                          ",'../content/uploadfile/201403/" + std::to_string(aid) + ".jpg',0)";
               });
    insertRows(emlog, "INSERT INTO emlog_tag (tid, tagname, gid) VALUES ", size.tags, [&](int tid) {
        std::string list = tid % 2 ? "," : ""; // emlog 5 lists start and end with a comma
        for (int k = 0; k < 5; ++k)
            list += std::to_string(size.articles ? (tid * 7 + k * 131) % size.articles + 1 : k + 1) + ",";
        if (tid % 2 == 0)
            list.pop_back();
        return std::string("(") + std::to_string(tid) + "," + quoted(emlog, "标签" + std::to_string(tid)) + ",'" +
               list + "')";
    });
    insertRows(emlog, "INSERT INTO emlog_link (id, sitename, siteurl, description, hide) VALUES ", size.links,
               [&](int id) {
                   return std::string("(") + std::to_string(id) + "," + quoted(emlog, "朋友" + std::to_string(id)) +
                          ",'http://friend" + std::to_string(id) + ".example.com/','" + (id % 2 ? "好朋友的博客" : "") +
                          "','" + (id % 10 == 0 ? "y" : "n") + "')";
               });
}

} // namespace kestrel::bench
