#pragma once

#include "GuiTesting.h"
#include "TestServer.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace kestrel::test {

std::string str(const QJsonValue& value);
std::string text(const std::optional<std::string>& value);

// The sample emlog blog, a WordPress made by WordPress's installer, and runs of the real
// window between them. WordPress itself (scripts/wordpress/view.php) says what arrived,
// and every copied row is found by the emlog id its origin meta names, so the checks
// hold whether or not WordPress's own rows were there first.
class SampleRun
{
public:
    explicit SampleRun(std::string emlogPrefix = "emlog_", std::string wordPressPrefix = "wp_");
    virtual ~SampleRun();

    // Fills in the window as a user would, presses Go, answers Yes and gives the completion message.
    MessageBox::Shown migrate(bool emptyFirst);
    MessageBox::Shown migrateInto(const std::string& database, const std::string& prefix, bool emptyFirst);
    QJsonObject wordPressView(const std::string& database = {});

    // Rows of the emlog sample, through the table prefix ({p} in the query).
    std::vector<Row> emlogRows(std::string sql);
    void emlogExecute(std::string sql);

    // Every emlog row is in WordPress once, where it belongs, as WordPress shows it.
    void checkWholeBlog(const QJsonObject& view);
    // Every setting of the sample's is emlog's, as WordPress's get_option gives it.
    void checkSettings(const QJsonObject& view);

    TestDatabase emlog{"e2e_emlog"};
    WordPressDatabase wordpress;

protected:
    void checkPosts(const QJsonArray& posts);
    void checkComments(const QJsonArray& comments);
    void checkAttachments(const QJsonArray& attachments);
    void checkCategories(const QJsonArray& widget, const QJsonArray& all);
    void checkTags(const QJsonArray& tags);
    void checkLinks(const QJsonArray& links);
    void checkTwitter(const QJsonArray& twitter);
    bool hasColumn(const std::string& table, const std::string& column);

    // The old blog's host and path, as emlog's blogurl gives them: "blog.example.com/emlog".
    std::string blogAddress();

    std::string m_emlogPrefix;
    // WordPress ids of copied rows, by emlog id, from the last view checked.
    std::map<std::string, std::string> m_postOf;
    std::map<std::string, std::string> m_commentOf;
    std::map<std::string, std::string> m_categoryOf;
};

// The sample's settings as WordPress's options: (option, value).
extern const std::pair<const char*, const char*> sampleSettings[13];

// A date-time column of emlog as the blog showed it (+8 hours) and in UTC, computed by the server.
std::string localTime(const std::string& column);
std::string utcTime(const std::string& column);
// emlog's own idea of an article readers see.
std::string published(const std::string& alias);

} // namespace kestrel::test
