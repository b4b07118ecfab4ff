// A whole sample blog goes through the real window, and WordPress itself says what arrived.
#include "BackupForms.h"
#include "BlogRun.h"
#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "Posts.h"
#include "SampleRun.h"
#include "TestServer.h"
#include "WordPressSite.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Prefixes
{
    std::string emlog;
    std::string wordPress;
};

void PrintTo(const Prefixes& prefixes, std::ostream* out)
{
    *out << "emlog \"" << prefixes.emlog << "\", WordPress \"" << prefixes.wordPress << "\"";
}

class EndToEndTest : public ::testing::TestWithParam<Prefixes>, public SampleRun
{
protected:
    EndToEndTest() : SampleRun(GetParam().emlog, GetParam().wordPress) {}

    // Empties WordPress first: the rows that name an owner the blog lacks are the only failures, each listed
    // once, in Chinese, under the kind that counts it.
    void migrate()
    {
        const MessageBox::Shown done = SampleRun::migrate(true);
        EXPECT_EQ(failedRows(done.detail.toStdString()), sampleRowsWithoutOwners()) << done.text.toStdString() << "\n"
                                                                                    << done.detail.toStdString();
        expectFailuresCountedWhereListed(done.text.toStdString(), done.detail.toStdString());
        EXPECT_TRUE(done.detail.contains(QStringLiteral("cid=28: 这条评论所属的文章（gid=14）在 emlog 里已经不存在\n")))
            << done.detail.toStdString();
    }
};

// The first plain word of a text (two Han characters, or five letters), outside any HTML tag:
// what a page shows of it however WordPress dresses quotes and paragraphs.
QString plainWord(const std::string& html)
{
    QString plain = QString::fromStdString(html);
    plain.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    const auto match = QRegularExpression(QStringLiteral("\\p{Han}{2,}|[A-Za-z]{5,}")).match(plain);
    return match.hasMatch() ? match.captured(0) : QString();
}

} // namespace

TEST_P(EndToEndTest, WordPressShowsTheWholeBlog)
{
    migrate();
    checkWholeBlog(wordPressView());
}

TEST_P(EndToEndTest, WordPressShowsTheWholeBlogReadFromItsBackup)
{
    const std::string path =
        writeBackupFile("e2e_backup.zip",
                        backupOf(emlog.admin(), emlog.name(), GetParam().emlog, BackupForm::ProColumns), Packing::Zip);
    const MessageBox::Shown done =
        migrateThroughWindow({"kt_no_such_database", GetParam().emlog, wordpress.name(), GetParam().wordPress, path});
    EXPECT_EQ(failedRows(done.detail.toStdString()), sampleRowsWithoutOwners()) << done.text.toStdString() << "\n"
                                                                                << done.detail.toStdString();
    EXPECT_TRUE(done.text.contains(QStringLiteral("emlog：备份文件 ") + QString::fromStdString(path)))
        << done.text.toStdString();
    checkWholeBlog(wordPressView());
    std::remove(path.c_str());
}

TEST_P(EndToEndTest, APostPageShowsItsArticleCategoryAndOnlyApprovedComments)
{
    // A published, unprotected article in a category, with a shown and a hidden comment.
    const auto picked = emlogRows(
        "SELECT b.gid, b.title, b.content, s.sortname,"
        " (SELECT comment FROM {p}comment c WHERE c.gid=b.gid AND c.hide='n' ORDER BY c.cid LIMIT 1) AS shown,"
        " (SELECT comment FROM {p}comment c WHERE c.gid=b.gid AND c.hide='y' ORDER BY c.cid LIMIT 1) AS hidden"
        " FROM {p}blog b JOIN {p}sort s ON s.sid=b.sortid WHERE " +
        published("b") +
        " AND b.password='' AND"
        " b.type='blog' HAVING shown IS NOT NULL AND hidden IS NOT NULL ORDER BY b.gid LIMIT 1");
    ASSERT_EQ(picked.size(), 1u);
    const Row& article = picked[0];
    migrate();

    WordPressSite site(wordpress.name(), GetParam().wordPress);
    const auto [status, page] = site.get(QStringLiteral("/?p=%1").arg(QString::fromStdString(text(article[0]))));
    ASSERT_EQ(status, 200) << page.left(2000).toStdString();
    for (const std::size_t column : {1, 2, 3, 4}) {
        const QString word = plainWord(text(article[column]));
        ASSERT_FALSE(word.isEmpty()) << column;
        EXPECT_TRUE(page.contains(word)) << "column " << column << ": " << word.toStdString();
    }
    const QString hidden = plainWord(text(article[5]));
    ASSERT_FALSE(hidden.isEmpty());
    EXPECT_FALSE(page.contains(hidden)) << hidden.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Prefixes, EndToEndTest,
                         ::testing::Values(Prefixes{"emlog_", "wp_"}, Prefixes{"blog_", "wp2_"}),
                         [](const ::testing::TestParamInfo<Prefixes>& info) {
                             return info.param.emlog == "emlog_" ? std::string("DefaultPrefixes")
                                                                 : std::string("OtherPrefixes");
                         });
