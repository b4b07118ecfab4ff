#include "CliTesting.h"

#include <algorithm>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <map>

namespace kestrel::test {

std::string cliProgram()
{
    return KESTREL_CLI_PATH;
}

std::vector<std::string> cliArguments(const std::string& emlogDatabase, const WordPressDatabase& wordPress,
                                      const std::vector<std::string>& more, OptionForm form)
{
    std::vector<std::string> arguments{cliProgram()};
    auto add = [&](const std::string& option, const std::string& value) {
        if (form == OptionForm::Joined) {
            arguments.push_back("--" + option + "=" + value);
        } else {
            arguments.push_back("--" + option);
            arguments.push_back(value);
        }
    };
    add("emlog-server", testServer().address());
    add("emlog-database", emlogDatabase);
    add("wp-server", testServer().address());
    add("wp-database", wordPress.name());
    add("wp-prefix", wordPress.prefix());
    add("emlog-password-file", testServer().passwordFile);
    add("wp-password-file", testServer().passwordFile);
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

void createCleanBlog(MysqlSession& emlog, int articles)
{
    createEmlogTables(emlog);
    execute(emlog, "INSERT INTO emlog_sort SET sid=1, sortname='随笔', alias='notes', description=''");
    execute(emlog, "INSERT INTO emlog_blog (gid, title, date, content, excerpt, sortid) SELECT seq, CONCAT('文章 ', "
                   "seq), 1600000000 + seq, '<p>正文</p>', '', 1 FROM seq_1_to_" +
                       std::to_string(articles));
    execute(emlog, "INSERT INTO emlog_comment SET cid=1, gid=1, date=1600000100, poster='读者', comment='写得好', "
                   "mail='', url='', ip='127.0.0.1'");
    execute(emlog, "INSERT INTO emlog_tag SET tid=1, tagname='笔记', gid='1,2'");
    execute(emlog, "INSERT INTO emlog_link SET id=1, sitename='朋友', siteurl='http://friend.example', "
                   "description=''");
}

QJsonObject readJsonReport(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_TRUE(document.isObject());
    return document.object();
}

void expectReportMatchesWordPress(const QJsonObject& report, const WordPressDatabase& wordPress)
{
    const std::string wp = wordPress.prefix();
    // Where each migration's rows land.
    // 微语 are posts with their images as attachments, and their replies are comments.
    const std::string twitter = "(SELECT post_id FROM " + wp +
                                "postmeta WHERE meta_key IN ('_emlog_twitter_id', "
                                "'_emlog_twitter_img'))";
    const std::string replies = "(SELECT comment_id FROM " + wp + "commentmeta WHERE meta_key='_emlog_reply_id')";
    // The faces are attachments too, each named by every row that shows it.
    const std::string faceKeys = "('_emlog_photo_uid', '_emlog_avatar_cid', '_emlog_tpl_option_id')";
    const std::string faces = "(SELECT post_id FROM " + wp + "postmeta WHERE meta_key IN " + faceKeys + ")";
    const std::map<QString, std::string> counts = {
        {QStringLiteral("posts"),
         "SELECT COUNT(*) FROM " + wp + "posts WHERE post_type IN ('post', 'page') AND ID NOT IN " + twitter},
        {QStringLiteral("comments"), "SELECT COUNT(*) FROM " + wp + "comments WHERE comment_ID NOT IN " + replies},
        {QStringLiteral("attachments"), "SELECT COUNT(*) FROM " + wp +
                                            "posts WHERE post_type='attachment' AND ID NOT IN " + twitter +
                                            " AND ID NOT IN " + faces},
        {QStringLiteral("faces"), "SELECT COUNT(*) FROM " + wp + "postmeta m JOIN " + wp +
                                      "posts p ON p.ID=m.post_id WHERE m.meta_key IN " + faceKeys},
        {QStringLiteral("twitter"), "SELECT COUNT(*) FROM " + wp + "posts WHERE post_type='post' AND ID IN " + twitter},
        {QStringLiteral("replies"), "SELECT COUNT(*) FROM " + wp + "comments WHERE comment_ID IN " + replies},
        {QStringLiteral("categories"), "SELECT COUNT(*) FROM " + wp + "term_taxonomy WHERE taxonomy='category'"},
        {QStringLiteral("tags"), "SELECT COUNT(*) FROM " + wp + "term_taxonomy WHERE taxonomy='post_tag'"},
        {QStringLiteral("links"), "SELECT COUNT(*) FROM " + wp + "links"},
    };
    MysqlSession admin = adminConnection(wordPress.name());
    for (const QJsonValue& value : report.value(QStringLiteral("migrations")).toArray()) {
        const QJsonObject migration = value.toObject();
        // Scripts match kinds by an ASCII id; the window's label stands beside it.
        const QString name = migration.value(QStringLiteral("kind")).toString();
        EXPECT_FALSE(name.isEmpty());
        EXPECT_TRUE(std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
            << name.toStdString();
        EXPECT_FALSE(migration.value(QStringLiteral("label")).toString().isEmpty()) << name.toStdString();
        const auto count = counts.find(name);
        if (count == counts.end())
            continue;
        const qint64 arrived = migration.value(QStringLiteral("written")).toInteger() +
                               migration.value(QStringLiteral("alreadyThere")).toInteger();
        EXPECT_EQ(queryValue(admin, count->second), std::to_string(arrived)) << name.toStdString();
        EXPECT_EQ(migration.value(QStringLiteral("read")).toInteger(),
                  arrived + migration.value(QStringLiteral("failed")).toInteger())
            << name.toStdString();
        for (const QJsonValue& failure : migration.value(QStringLiteral("failures")).toArray())
            EXPECT_FALSE(failure.toObject().value(QStringLiteral("reason")).toString().isEmpty());
    }
}

} // namespace kestrel::test
