#include "MigrationRun.h"
#include "TestServer.h"
#include "Transactions.h"
#include "WordPressSession.h"
#include "WordPressState.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

TEST(PercentDone, TruncatesTheDoubleQuotient)
{
    EXPECT_EQ(percentDone(29, 100), 28); // 0.29 * 100.0 is 28.999999999999996
    EXPECT_EQ(percentDone(57, 100), 56);
    EXPECT_EQ(percentDone(58, 100), 57);
    EXPECT_EQ(percentDone(1, 3), 33);
    EXPECT_EQ(percentDone(2, 3), 66);
    EXPECT_EQ(percentDone(3, 3), 100);
    EXPECT_EQ(percentDone(1, 2), 50);
    for (std::int64_t n : {1, 7, 100, 999, 50000})
        EXPECT_EQ(percentDone(n, n), 100) << n;
}

// Whether WordPress's tables can undo a row is asked until a session answers; a lost session is
// never taken for "no", which would have the whole run written without transactions.
TEST(WordPressTransactions, AskedAgainAfterASessionLostAtTheQuestion)
{
    WordPressDatabase wordpress("engine_wp");
    const ConnectionOptions options{testServer().address(), "root", testServer().password, wordpress.name()};
    BlogConnection emlog;
    BlogConnection wordPress = openWordPressSession(options);
    MigrationRun run(emlog, wordPress);
    run.wordPressPrefix = wordpress.prefix();
    run.sleep = [](milliseconds, std::stop_token) {};

    closeConnection(wordPress); // lost, and not to be had again in time
    EXPECT_EQ(run.state.transactions(run), Transactions::unknown);

    wordPress = openWordPressSession(options);
    EXPECT_EQ(run.state.transactions(run), Transactions::yes);
    execute(wordpress.admin(), "ALTER TABLE " + wordpress.table("links") + " ENGINE=MyISAM");
    EXPECT_EQ(run.state.transactions(run), Transactions::yes); // an answer stands for the run
    MigrationRun next(emlog, wordPress);
    next.wordPressPrefix = wordpress.prefix();
    EXPECT_EQ(next.state.transactions(next), Transactions::no);
}
