#include "SampleRun.h"

#include "BlogRun.h"

#include <algorithm>
#include <set>

namespace kestrel::test {

namespace {

// The rows of a view that came from emlog, by the emlog id their origin names.
std::map<std::string, QJsonObject> byOrigin(const QJsonArray& rows)
{
    std::map<std::string, QJsonObject> copied;
    for (const QJsonValue& row : rows) {
        const std::string origin = str(row[QStringLiteral("origin")]);
        if (!origin.empty()) {
            EXPECT_TRUE(copied.emplace(origin, row.toObject()).second) << "emlog id " << origin << " twice";
        }
    }
    return copied;
}

std::vector<std::string> names(const QJsonValue& list)
{
    std::vector<std::string> all;
    for (const QJsonValue& name : list.toArray())
        all.push_back(str(name));
    return all;
}

std::string mapped(const std::map<std::string, std::string>& ids, const std::string& emlogId)
{
    const auto id = ids.find(emlogId);
    return id == ids.end() ? "0" : id->second;
}

} // namespace

std::string str(const QJsonValue& value)
{
    return value.isString() ? value.toString().toStdString() : std::to_string(value.toInteger());
}

std::string text(const std::optional<std::string>& value)
{
    return value.value_or("");
}

std::string localTime(const std::string& column)
{
    return "DATE_FORMAT(DATE_ADD('1970-01-01 08:00:00', INTERVAL " + column + " SECOND), '%Y-%m-%d %H:%i:%s')";
}

std::string utcTime(const std::string& column)
{
    return "DATE_FORMAT(DATE_ADD('1970-01-01 00:00:00', INTERVAL " + column + " SECOND), '%Y-%m-%d %H:%i:%s')";
}

// Shown now: an article dated later waits for its time.
std::string published(const std::string& alias)
{
    return alias + ".hide='n' AND " + alias + ".checked='y' AND " + alias + ".type='blog' AND " + alias +
           ".date<=UNIX_TIMESTAMP()";
}

// A text as emlog showed it and WordPress keeps it: escaped as htmlspecialchars escapes.
std::string escaped(const std::string& column)
{
    return "REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(" + column +
           ", '&', '&amp;'), '<', '&lt;'), '>', '&gt;'), '\"', '&quot;'), '''', '&#039;')";
}

SampleRun::SampleRun(std::string emlogPrefix, std::string wordPressPrefix)
    : wordpress("e2e_wp", std::move(wordPressPrefix)), m_emlogPrefix(std::move(emlogPrefix))
{
    MessageBox::clearShown();
    loadSampleBlog(emlog.name(), m_emlogPrefix);
}

SampleRun::~SampleRun() = default;

MessageBox::Shown SampleRun::migrate(bool emptyFirst)
{
    return migrateInto(wordpress.name(), wordpress.prefix(), emptyFirst);
}

MessageBox::Shown SampleRun::migrateInto(const std::string& database, const std::string& prefix, bool emptyFirst)
{
    return migrateThroughWindow({emlog.name(), m_emlogPrefix, database, prefix}, emptyFirst);
}

QJsonObject SampleRun::wordPressView(const std::string& database)
{
    return test::wordPressView(database.empty() ? wordpress.name() : database, wordpress.prefix());
}

std::vector<Row> SampleRun::emlogRows(std::string sql)
{
    for (std::size_t at; (at = sql.find("{p}")) != std::string::npos;)
        sql.replace(at, 3, m_emlogPrefix);
    return queryRows(emlog.admin(), sql);
}

void SampleRun::emlogExecute(std::string sql)
{
    for (std::size_t at; (at = sql.find("{p}")) != std::string::npos;)
        sql.replace(at, 3, m_emlogPrefix);
    execute(emlog.admin(), sql);
}

std::string SampleRun::blogAddress()
{
    std::string url =
        queryValue(emlog.admin(), "SELECT option_value FROM " + m_emlogPrefix + "options WHERE option_name='blogurl'");
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url.substr(url.find("://") + 3);
}

// The sample's settings (scripts/sample/emlog-sample.sql) as WordPress's options, each unlike WordPress's own.
const std::pair<const char*, const char*> sampleSettings[] = {
    {"blogname", "老李的博客"},  {"blogdescription", "记录生活 &amp; 技术"},
    {"posts_per_page", "8"},     {"default_comment_status", "open"},
    {"comment_moderation", "1"}, {"comment_registration", "1"},
    {"page_comments", "1"},      {"comments_per_page", "15"},
    {"comment_order", "desc"},   {"show_avatars", "0"},
    {"posts_per_rss", "12"},     {"rss_use_excerpt", "1"},
    {"users_can_register", "1"},
};

void SampleRun::checkWholeBlog(const QJsonObject& view)
{
    {
        SCOPED_TRACE("posts");
        checkPosts(view[QStringLiteral("posts")].toArray());
    }
    {
        SCOPED_TRACE("comments");
        checkComments(view[QStringLiteral("comments")].toArray());
    }
    {
        SCOPED_TRACE("attachments");
        checkAttachments(view[QStringLiteral("attachments")].toArray());
    }
    {
        SCOPED_TRACE("categories");
        checkCategories(view[QStringLiteral("categories")].toArray(), view[QStringLiteral("all_categories")].toArray());
    }
    {
        SCOPED_TRACE("tags");
        checkTags(view[QStringLiteral("tags")].toArray());
    }
    {
        SCOPED_TRACE("links");
        checkLinks(view[QStringLiteral("links")].toArray());
    }
    {
        SCOPED_TRACE("twitter");
        checkTwitter(view[QStringLiteral("twitter")].toArray());
    }
    checkSettings(view);
}

void SampleRun::checkSettings(const QJsonObject& view)
{
    const QJsonObject settings = view[QStringLiteral("settings")].toObject();
    for (const auto& [option, value] : sampleSettings)
        EXPECT_EQ(str(settings[QLatin1String(option)]), value) << option;
}

bool SampleRun::hasColumn(const std::string& table, const std::string& column)
{
    return !emlogRows("SHOW TABLES LIKE '{p}" + table + "'").empty() &&
           !emlogRows("SHOW COLUMNS FROM {p}" + table + " LIKE '" + column + "'").empty();
}

// Each 微语 a post of the format status, by its author, private when only its author saw it, with
// its image attached and its replies (not pro's likes, which it counts) as its comments.
void SampleRun::checkTwitter(const QJsonArray& twitter)
{
    std::map<std::string, QJsonObject> copied;
    for (const QJsonValue& row : twitter)
        copied.emplace(str(row[QStringLiteral("origin")]), row.toObject());
    if (!hasColumn("twitter", "id")) {
        EXPECT_TRUE(copied.empty());
        return;
    }
    const bool pro = hasColumn("twitter", "private");
    const auto expected = emlogRows(
        std::string("SELECT t.id, ") + (pro ? "IF(t.private='y','private','publish')" : "'publish'") +
        ", u.username, " + localTime("t.date") + ", " + utcTime("t.date") + ", t.replynum, COALESCE(t.img, ''), " +
        (pro ? "GREATEST(t.like_count, (SELECT COUNT(*) FROM {p}reply r WHERE r.tid=t.id AND r.islike='y'))" : "NULL") +
        " FROM {p}twitter t LEFT JOIN {p}user u ON u.uid=t.author ORDER BY t.id");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(copied.size(), expected.size());
    for (const Row& row : expected) {
        const std::string id = text(row[0]);
        SCOPED_TRACE("微语 id=" + id);
        ASSERT_TRUE(copied.count(id));
        const QJsonObject& post = copied.at(id);
        EXPECT_EQ(str(post[QStringLiteral("format")]), "status");
        EXPECT_EQ(str(post[QStringLiteral("status")]), text(row[1]));
        EXPECT_EQ(post[QStringLiteral("on_home")].toBool(), text(row[1]) == "publish");
        EXPECT_EQ(str(post[QStringLiteral("author_login")]), text(row[2]));
        EXPECT_EQ(str(post[QStringLiteral("date")]), text(row[3]));
        EXPECT_EQ(str(post[QStringLiteral("date_gmt")]), text(row[4]));
        EXPECT_EQ(str(post[QStringLiteral("comment_count")]), text(row[5]));
        // No category or tag is made up for them: the format's archive is their page.
        EXPECT_EQ(post[QStringLiteral("categories")].toArray().size(), 0);
        EXPECT_EQ(post[QStringLiteral("tags")].toArray().size(), 0);
        const QJsonArray images = post[QStringLiteral("images")].toArray();
        if (text(row[6]).empty()) {
            EXPECT_TRUE(images.isEmpty());
        } else {
            ASSERT_EQ(images.size(), 1);
            EXPECT_EQ(str(images[0][QStringLiteral("url")]), "http://" + blogAddress() + "/" + text(row[6]));
        }
        const QJsonObject meta = post[QStringLiteral("meta")].toObject();
        EXPECT_EQ(meta.contains(QStringLiteral("like_count")), pro);
        if (pro) {
            EXPECT_EQ(str(meta[QStringLiteral("like_count")].toArray()[0]), text(row[7]));
        }

        std::vector<Row> replies;
        for (const Row& reply :
             emlogRows("SELECT id, " + escaped("name") + ", " + escaped("content") + ", IF(hide='y','0','1'), " +
                       localTime("date") + ", ip FROM {p}reply WHERE tid=" + id + (pro ? " AND islike='n'" : "") +
                       " ORDER BY id"))
            replies.push_back(reply);
        std::vector<Row> seen;
        for (const QJsonValue& reply : post[QStringLiteral("replies")].toArray())
            seen.push_back({str(reply[QStringLiteral("origin")]), str(reply[QStringLiteral("author")]),
                            str(reply[QStringLiteral("content")]), str(reply[QStringLiteral("approved")]),
                            str(reply[QStringLiteral("date")]), str(reply[QStringLiteral("ip")])});
        EXPECT_EQ(seen, replies);
    }
}

void SampleRun::checkPosts(const QJsonArray& posts)
{
    const auto expected = emlogRows(
        "SELECT b.gid, IF(b.type='page','page','post'), IF(b.hide='y','draft', IF(b.checked='n','pending',"
        " IF(b.date>UNIX_TIMESTAMP() AND " +
        std::string(hasColumn("blog", "parent_id") ? "TRUE" : "FALSE") + ",'future','publish'))), " +
        escaped("b.title") + ", b.content, " + localTime("b.date") + ", " + utcTime("b.date") +
        ", b.password, IF(b.type='page', NULL, " + escaped("s.sortname") + "), b.views, " +
        (hasColumn("blog", "dislike_count") ? "b.like_count, b.dislike_count, b.collect_count" : "NULL, NULL, NULL") +
        " FROM {p}blog b LEFT JOIN {p}sort s ON s.sid=b.sortid ORDER BY b.gid");
    // Only emlog pro's editor wrote Markdown; the older versions' HTML arrives byte for byte.
    const bool markdown = !emlogRows("SHOW COLUMNS FROM {p}blog LIKE 'parent_id'").empty();
    const std::string site = blogAddress();
    std::map<std::string, std::vector<std::string>> tagsOf;
    for (const Row& row : emlogRows("SELECT b.gid, " + escaped("t.tagname") +
                                    " FROM {p}blog b JOIN {p}tag t ON FIND_IN_SET(b.gid, t.gid)"))
        tagsOf[text(row[0])].push_back(text(row[1]));

    std::map<std::string, std::map<std::string, std::vector<std::string>>> fieldsOf;
    if (hasColumn("blog_fields", "gid")) {
        for (const Row& row : emlogRows("SELECT gid, field_key, field_value FROM {p}blog_fields ORDER BY id"))
            fieldsOf[text(row[0])][text(row[1])].push_back(text(row[2]));
    }
    const auto copied = byOrigin(posts);
    EXPECT_EQ(copied.size(), expected.size());
    m_postOf.clear();
    for (const auto& [gid, post] : copied)
        m_postOf[gid] = str(post[QStringLiteral("ID")]);
    for (const Row& row : expected) {
        const std::string gid = text(row[0]);
        SCOPED_TRACE("article gid=" + gid);
        ASSERT_TRUE(copied.count(gid));
        const QJsonObject& post = copied.at(gid);
        EXPECT_EQ(str(post[QStringLiteral("type")]), text(row[1]));
        EXPECT_EQ(str(post[QStringLiteral("status")]), text(row[2]));
        EXPECT_EQ(str(post[QStringLiteral("title")]), text(row[3]));
        // Links to the old blog lead to WordPress now; only its files stay there until they are copied.
        std::string content = str(post[QStringLiteral("content")]);
        for (std::size_t at; (at = content.find(site + "/content/")) != std::string::npos;)
            content.erase(at, site.size());
        EXPECT_EQ(content.find(site), std::string::npos) << content;
        if (!markdown && text(row[4]).find(site) == std::string::npos) {
            EXPECT_EQ(str(post[QStringLiteral("content")]), text(row[4]));
        }
        EXPECT_EQ(str(post[QStringLiteral("date")]), text(row[5]));
        EXPECT_EQ(str(post[QStringLiteral("modified")]), text(row[5]));
        EXPECT_EQ(str(post[QStringLiteral("date_gmt")]), text(row[6]));
        EXPECT_EQ(str(post[QStringLiteral("modified_gmt")]), text(row[6]));
        EXPECT_EQ(str(post[QStringLiteral("password")]), text(row[7]));
        EXPECT_EQ(names(post[QStringLiteral("categories")]),
                  row[8] ? std::vector<std::string>{*row[8]} : std::vector<std::string>{});
        std::vector<std::string> expectedTags = tagsOf[gid];
        std::sort(expectedTags.begin(), expectedTags.end());
        EXPECT_EQ(names(post[QStringLiteral("tags")]), expectedTags);
        // Custom fields with their keys as they are, several values of a key kept; the counts.
        std::map<std::string, std::vector<std::string>> meta = fieldsOf[gid];
        meta["views"] = {text(row[9])};
        if (row[10]) {
            meta["like_count"] = {text(row[10])};
            meta["dislike_count"] = {text(row[11])};
            meta["collect_count"] = {text(row[12])};
        }
        std::map<std::string, std::vector<std::string>> seenMeta;
        const QJsonObject postMeta = post[QStringLiteral("meta")].toObject();
        for (const QString& key : postMeta.keys())
            seenMeta[key.toStdString()] = names(postMeta[key]);
        EXPECT_EQ(seenMeta, meta);
    }
}

void SampleRun::checkComments(const QJsonArray& comments)
{
    // A comment on an article that is not in emlog has nowhere to go.
    const auto expected =
        emlogRows("SELECT cid, gid, pid, " + escaped("poster") + ", " + escaped("comment") +
                  ", mail, url, ip, IF(hide='y','0','1'), " + localTime("date") + ", " + utcTime("date") + ", " +
                  // pro's browser, as much of it as WordPress keeps
                  (hasColumn("comment", "agent") ? "LEFT(agent, 254)" : "''") +
                  " FROM {p}comment WHERE gid IN (SELECT gid FROM {p}blog) ORDER BY cid");
    const auto copied = byOrigin(comments);
    EXPECT_EQ(copied.size(), expected.size());
    m_commentOf.clear();
    for (const auto& [cid, comment] : copied)
        m_commentOf[cid] = str(comment[QStringLiteral("id")]);
    for (const Row& row : expected) {
        SCOPED_TRACE("comment cid=" + text(row[0]) + " replying to " + text(row[2]));
        ASSERT_TRUE(copied.count(text(row[0])));
        const QJsonObject& comment = copied.at(text(row[0]));
        EXPECT_EQ(str(comment[QStringLiteral("post_id")]), mapped(m_postOf, text(row[1])));
        EXPECT_EQ(str(comment[QStringLiteral("parent")]), mapped(m_commentOf, text(row[2])));
        EXPECT_EQ(str(comment[QStringLiteral("author")]), text(row[3]));
        // UBB became markup: ShownAsEmlogTest reads it as a visitor does.
        if (text(row[4]).find('[') == std::string::npos) {
            EXPECT_EQ(str(comment[QStringLiteral("content")]), text(row[4]));
        }
        EXPECT_EQ(str(comment[QStringLiteral("email")]), text(row[5]));
        EXPECT_EQ(str(comment[QStringLiteral("url")]), text(row[6]));
        EXPECT_EQ(str(comment[QStringLiteral("ip")]), text(row[7]));
        EXPECT_EQ(str(comment[QStringLiteral("approved")]), text(row[8]));
        EXPECT_EQ(str(comment[QStringLiteral("date")]), text(row[9]));
        EXPECT_EQ(str(comment[QStringLiteral("date_gmt")]), text(row[10]));
        EXPECT_EQ(str(comment[QStringLiteral("agent")]), text(row[11]));
    }
}

void SampleRun::checkAttachments(const QJsonArray& attachments)
{
    // Uploaded when emlog says, by whom pro says (a user gone: the administrator, admin here).
    const std::string uploader = hasColumn("attachment", "author")
                                     ? "COALESCE((SELECT username FROM {p}user u WHERE u.uid=a.author), 'admin')"
                                     : "'admin'";
    const auto expected =
        emlogRows("SELECT aid, blogid, filename, filepath,"
                  " IF(LOWER(filename) REGEXP '^[^.]*[.](jpg|gif|png|bmp)[.]?$', 'image/jpeg', ''), " +
                  localTime("addtime") + ", " + utcTime("addtime") + ", " + uploader +
                  " FROM {p}attachment a WHERE blogid=0 OR blogid IN (SELECT gid FROM {p}blog)"
                  " ORDER BY aid");
    const auto copied = byOrigin(attachments);
    EXPECT_EQ(copied.size(), expected.size());
    for (const Row& row : expected) {
        SCOPED_TRACE("attachment aid=" + text(row[0]));
        ASSERT_TRUE(copied.count(text(row[0])));
        const QJsonObject& attachment = copied.at(text(row[0]));
        EXPECT_EQ(str(attachment[QStringLiteral("parent")]), mapped(m_postOf, text(row[1])));
        EXPECT_EQ(str(attachment[QStringLiteral("title")]), text(row[2]));
        EXPECT_EQ(str(attachment[QStringLiteral("url")]), text(row[3]));
        EXPECT_EQ(str(attachment[QStringLiteral("mime")]), text(row[4]));
        EXPECT_EQ(str(attachment[QStringLiteral("date")]), text(row[5]));
        EXPECT_EQ(str(attachment[QStringLiteral("date_gmt")]), text(row[6]));
        EXPECT_EQ(str(attachment[QStringLiteral("author_login")]), text(row[7]));
    }
}

void SampleRun::checkCategories(const QJsonArray& widget, const QJsonArray& all)
{
    const auto expected = emlogRows("SELECT s.sid, " + escaped("s.sortname") +
                                    ", s.pid, (SELECT COUNT(*) FROM {p}blog b WHERE b.sortid=s.sid AND " +
                                    published("b") + ") FROM {p}sort s ORDER BY s.sid");
    const auto copied = byOrigin(all);
    EXPECT_EQ(copied.size(), expected.size());
    m_categoryOf.clear();
    for (const auto& [sid, category] : copied)
        m_categoryOf[sid] = str(category[QStringLiteral("term_id")]);

    std::map<std::string, std::string> parentOf;
    std::set<std::string> shown; // with published articles of their own or below them
    for (const Row& row : expected) {
        const std::string sid = text(row[0]);
        SCOPED_TRACE("category sid=" + sid);
        ASSERT_TRUE(copied.count(sid));
        const QJsonObject& category = copied.at(sid);
        EXPECT_EQ(str(category[QStringLiteral("name")]), text(row[1]));
        EXPECT_EQ(str(category[QStringLiteral("parent")]), mapped(m_categoryOf, text(row[2])));
        EXPECT_EQ(str(category[QStringLiteral("count")]), text(row[3]));
        parentOf[sid] = text(row[2]);
        if (text(row[3]) != "0")
            shown.insert(sid);
    }
    for (std::set<std::string> next = shown; !next.empty();) {
        std::set<std::string> parents;
        for (const std::string& sid : next) {
            if (parentOf.count(sid) && parentOf[sid] != "0" && shown.insert(parentOf[sid]).second)
                parents.insert(parentOf[sid]);
        }
        next = parents;
    }
    std::set<std::string> inWidget;
    for (const auto& [sid, category] : byOrigin(widget))
        inWidget.insert(sid);
    EXPECT_EQ(inWidget, shown);
}

void SampleRun::checkTags(const QJsonArray& tags)
{
    // pro's descriptions escaped as the categories' are.
    const std::string description = hasColumn("tag", "description") ? escaped("t.description") : "''";
    std::multiset<Row> expected;
    for (Row& row : emlogRows("SELECT " + escaped("t.tagname") +
                              ", (SELECT COUNT(*) FROM {p}blog b WHERE FIND_IN_SET(b.gid, t.gid)"
                              " AND " +
                              published("b") + "), " + description + " FROM {p}tag t"))
        expected.insert(std::move(row));
    std::multiset<Row> seen;
    for (const auto& [tid, tag] : byOrigin(tags))
        seen.insert({str(tag[QStringLiteral("name")]), str(tag[QStringLiteral("count")]),
                     str(tag[QStringLiteral("description")])});
    EXPECT_EQ(seen, expected);
}

void SampleRun::checkLinks(const QJsonArray& links)
{
    // Links carry no origin, and keep their ids only where WordPress had none of its own.
    std::multiset<Row> expected;
    // pro's icons; one among the blog's files is where that file went, when files were copied.
    const std::string icon = hasColumn("link", "icon") ? "SUBSTRING_INDEX(icon, '/', -1)" : "''";
    for (Row& row : emlogRows("SELECT siteurl, " + escaped("sitename") + ", " + escaped("description") + ", " + icon +
                              " FROM {p}link WHERE hide='n'"))
        expected.insert(std::move(row));
    std::multiset<Row> seen;
    for (const QJsonValue& link : links)
        seen.insert({str(link[QStringLiteral("url")]), str(link[QStringLiteral("name")]),
                     str(link[QStringLiteral("description")]),
                     QString::fromStdString(str(link[QStringLiteral("image")])).section(u'/', -1).toStdString()});
    EXPECT_EQ(seen, expected);
}

} // namespace kestrel::test
