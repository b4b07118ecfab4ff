#pragma once

#include "MigrationRun.h"
#include "Origins.h"
#include "SessionSql.h"
#include "TestServer.h"
#include "WordPressSession.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace kestrel::test {

// An emlog database with emlog's tables, a WordPress database made by
// WordPress's installer (its sample rows removed), and a run between them
// without pacing that records everything it tells.
class MigrationTest : public ::testing::Test
{
protected:
    explicit MigrationTest(std::string emlogPrefix = "emlog_", std::string wordPressPrefix = "wp_")
        : emlogDb("m_emlog"), wordpress("m_wp", std::move(wordPressPrefix)), m_emlogPrefix(std::move(emlogPrefix))
    {
    }

    void SetUp() override
    {
        createEmlogTables(emlogDb.admin(), m_emlogPrefix);
        emptyWordPressTables(wordpress.admin(), wordpress.prefix());
        // As a run opens them: emlog's reads may go ahead several at once, rows in batches of statements.
        emlog = openConnection(
            ConnectionOptions{testServer().address(), "root", testServer().password, emlogDb.name(), 0, {}, true});
        wordPress = openConnection(
            ConnectionOptions{testServer().address(), "root", testServer().password, wordpress.name(), 0, {}, true});
        ASSERT_TRUE(emlog && wordPress);
        ASSERT_TRUE(useWordPressSqlMode(wordPress));
        // Only a test that reads the statements has them logged (see logStatements).
        ASSERT_TRUE(executeSql(emlog, "SET SESSION sql_log_off=ON"));
        ASSERT_TRUE(executeSql(wordPress, "SET SESSION sql_log_off=ON"));
        run = std::make_unique<MigrationRun>(emlog, wordPress);
        run->emlogPrefix = m_emlogPrefix;
        run->wordPressPrefix = wordpress.prefix();
        run->pacing = Pacing::none();
        run->tell = [this](const RunEvent& event) {
            events.push_back(event);
            if (event.what == RunEvent::What::Row)
                progress.push_back(percentDone(event.done, event.total));
        };
    }

    // "insert into <emlog table> set ..." through the admin session.
    void addEmlogRow(const std::string& bare, const std::string& assignments)
    {
        execute(emlogDb.admin(), "INSERT INTO " + m_emlogPrefix + bare + " SET " + assignments);
    }

    // Column values as SQL expressions; `overrides` replace or add to `defaults`.
    using Columns = std::map<std::string, std::string>;
    void addEmlogRow(const std::string& bare, Columns defaults, const Columns& overrides)
    {
        for (const auto& [column, value] : overrides)
            defaults[column] = value;
        std::string assignments;
        for (const auto& [column, value] : defaults)
            assignments += (assignments.empty() ? "" : ",") + column + "=" + value;
        addEmlogRow(bare, assignments);
    }

    // Articles an earlier run copied: WordPress posts with their emlog ids, each naming its article.
    void addCopiedArticles(const std::vector<std::int64_t>& gids, const std::string& status = "publish")
    {
        for (const std::int64_t gid : gids) {
            const std::string id = std::to_string(gid);
            execute(wordpress.admin(), "INSERT INTO " + wp("posts") + " SET ID=" + id + ", post_title='copied " + id +
                                           "', post_status='" + status +
                                           "', post_content='', post_excerpt='', to_ping='', pinged='',"
                                           " post_content_filtered=''");
            execute(wordpress.admin(), "INSERT INTO " + wp("postmeta") + " SET post_id=" + id + ", meta_key='" +
                                           std::string(origin::article.key) + "', meta_value='" + id + "'");
        }
    }

    const FailureLog::Tally& tally() const { return run->failures.tallies().front(); }

    std::vector<Row> wordPressRows(const std::string& sql) { return queryRows(wordpress.admin(), sql); }
    std::string wordPressValue(const std::string& sql) { return queryValue(wordpress.admin(), sql); }
    std::string wp(const std::string& bare) const { return wordpress.table(bare); }

    // From now on the server logs what the WordPress session sends.
    void logStatements()
    {
        enableStatementLog();
        ASSERT_TRUE(executeSql(wordPress, "SET SESSION sql_log_off=OFF"));
    }

    TestDatabase emlogDb;
    WordPressDatabase wordpress;
    MysqlSession emlog;
    MysqlSession wordPress;
    std::unique_ptr<MigrationRun> run;
    std::vector<RunEvent> events;
    std::vector<int> progress; // the share done after each row

private:
    std::string m_emlogPrefix;
};

// A value as a quoted literal for the admin session, for building fixture rows.
inline std::string q(MysqlSession& connection, const std::string& value)
{
    return quotedLiteral(connection, value);
}

} // namespace kestrel::test
