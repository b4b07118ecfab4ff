// The blog's files follow it into WordPress's uploads folder, from a folder or over http, and
// WordPress itself (its API, and its pages served by php -S) shows them.
#include "BlogRun.h"
#include "FolderServer.h"
#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "RunTexts.h"
#include "SampleAttachments.h"
#include "SampleFiles.h"
#include "SampleRun.h"
#include "TestServer.h"
#include "WordPressSite.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

using namespace kestrel;
using namespace kestrel::test;

namespace {

enum class Source { Folder, Http };

void PrintTo(Source source, std::ostream* out)
{
    *out << (source == Source::Folder ? "from a folder" : "over http");
}

class FilesTest : public ::testing::TestWithParam<Source>, public SampleRun
{
protected:
    FilesTest()
        : site(wordpress.name(), wordpress.prefix()),
          uploadPath("wp-content/uploads/files-test-" + QUuid::createUuid().toString(QUuid::Id128).toStdString())
    {
        files = writeSampleBlogFiles(blog.path());
        addWhatTheSampleLacks(*this);
        // WordPress keeps its uploads in a folder of this test's own, below its root so that php -S serves it.
        execute(wordpress.admin(), "UPDATE " + wordpress.table("options") + " SET option_value='" +
                                       site.home().toStdString() + "' WHERE option_name IN ('siteurl','home')");
        execute(wordpress.admin(), "INSERT INTO " + wordpress.table("options") +
                                       " (option_name, option_value) VALUES ('upload_path', '" + uploadPath +
                                       "') ON DUPLICATE KEY UPDATE option_value=VALUES(option_value)");
        uploads =
            qEnvironmentVariable("KESTREL_WORDPRESS_ROOT") + QLatin1Char('/') + QString::fromStdString(uploadPath);
    }

    ~FilesTest() override { QDir(uploads).removeRecursively(); }

    // A whole run into an emptied WordPress (or not), with the files from `source`; gives the report.
    RunReport run(const std::string& source, bool emptyFirst = true)
    {
        RunSettings settings = testServerSettings(emlog.name(), wordpress.name(), wordpress.prefix());
        settings.emptyWordPressFirst = emptyFirst;
        settings.files.source = source;
        settings.files.uploadsFolder = uploads.toStdString();
        MigrationRunner runner;
        runner.setPacing(Pacing::none());
        return runToEnd(runner, settings).value_or(RunReport{});
    }

    static const FailureLog::Tally* filesTally(const RunReport& report)
    {
        for (const FailureLog::Tally& tally : report.log.tallies())
            if (tally.migration == "files")
                return &tally;
        return nullptr;
    }

    QJsonObject media()
    {
        const std::string json = site.runScript(sourceDir() + "/scripts/wordpress/media.php", {});
        return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    }

    QTemporaryDir blog;
    std::map<std::string, QByteArray> files;
    WordPressSite site;
    std::string uploadPath;
    QString uploads;
};

TEST_P(FilesTest, EveryFileArrivesAsWordPressShowsIt)
{
    std::optional<FolderServer> server;
    if (GetParam() == Source::Http)
        server.emplace(blog.path());
    const RunReport report = run(server ? server->address().toStdString() : blog.path().toStdString());
    if (server)
        server->stop();

    // The missing file and the hostile names are reported; the run went on with everything else.
    const FailureLog::Tally* tally = filesTally(report);
    ASSERT_NE(tally, nullptr);
    // The attachments' files, the articles' and a 微语's image.
    EXPECT_EQ(tally->written, 17) << texts::summary(report.log).toStdString();
    EXPECT_EQ(tally->failed, 1);
    std::set<std::string> reported;
    for (const FailureLog::Entry& entry : report.log.entries())
        if (entry.migration == "files")
            reported.insert(entry.sourceId);
    EXPECT_EQ(reported, (std::set<std::string>{missingFile, "aid=17", "aid=18"}))
        << texts::details(report.log).toStdString();
    EXPECT_EQ(QDir(uploads).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("emlog")});

    const QJsonObject view = media();
    const QString baseUrl = site.home() + QLatin1Char('/') + QString::fromStdString(uploadPath);
    EXPECT_EQ(view[QStringLiteral("uploads")][QStringLiteral("baseurl")].toString(), baseUrl);

    const std::map<int, QJsonObject> byAid = checkSampleAttachments(view, baseUrl);
    // The hostile names and the missing file keep their rows, pointing where emlog had them.
    EXPECT_EQ(byAid.at(8)[QStringLiteral("url")].toString(),
              QStringLiteral("http://blog.example.com/emlog/") + QString::fromStdString(missingFile));
    EXPECT_EQ(byAid.at(17)[QStringLiteral("url")].toString(), QStringLiteral("../../wp-config.php"));

    // Served pages: every image of every post answers with emlog's very bytes; pro's cover is the featured image.
    int images = 0;
    const QRegularExpression source(QStringLiteral("<(?:img|a)\\b[^>]*\\b(?:src|href)=\"([^\"]+)\""));
    for (const QJsonValue& post : view[QStringLiteral("posts")].toArray()) {
        const QString content = post[QStringLiteral("content")].toString();
        if (post[QStringLiteral("origin")].toInt() == 37) {
            EXPECT_EQ(post[QStringLiteral("featured")], byAid.at(9)[QStringLiteral("id")]);
        }
        for (auto match = source.globalMatch(content); match.hasNext();) {
            const QString url = match.next().captured(1);
            EXPECT_FALSE(url.contains(QStringLiteral("/content/uploadfile/")) &&
                         !url.endsWith(QString::fromStdString(missingFile)))
                << url.toStdString();
            if (!url.startsWith(baseUrl + QStringLiteral("/emlog/")))
                continue;
            QString below = QUrl::fromPercentEncoding(url.mid(baseUrl.size() + 7).toUtf8());
            below = below.startsWith(QStringLiteral("site/")) ? below.mid(5)
                                                              : QStringLiteral("content/uploadfile/") + below;
            const WordPressSite::Response response = site.fetch(url.toUtf8());
            EXPECT_EQ(response.status, 200) << url.toStdString();
            EXPECT_EQ(response.bytes, files.at(below.toStdString())) << url.toStdString();
            ++images;
        }
        if (content.contains(QStringLiteral("emlog-backup.zip"))) {
            EXPECT_TRUE(content.contains(QStringLiteral("href=\"http://blog.example.com/emlog/") +
                                         QString::fromStdString(missingFile)));
        }
    }
    EXPECT_GE(images, 13);
    EXPECT_EQ(site.debugLog(), QString());
}

TEST_P(FilesTest, ARunAgainCopiesNothingAgain)
{
    std::optional<FolderServer> server;
    if (GetParam() == Source::Http)
        server.emplace(blog.path());
    const std::string source = server ? server->address().toStdString() : blog.path().toStdString();
    run(source);
    const QJsonObject before = media();
    for (const bool emptyFirst : {false, true}) {
        const RunReport again = run(source, emptyFirst);
        const FailureLog::Tally* tally = filesTally(again);
        ASSERT_NE(tally, nullptr);
        EXPECT_EQ(tally->written, 0) << texts::summary(again.log).toStdString();
        EXPECT_EQ(tally->alreadyThere, 17);
        EXPECT_EQ(QDir(uploads + QStringLiteral("/emlog/201205")).entryList(QDir::Files).size(), 3);
        if (emptyFirst) {
            // Emptying deletes rows, not files: the report names the folder left behind.
            std::vector<FailureLog::Note> left;
            for (const FailureLog::Note& note : again.log.notes())
                if (note.what == FailureLog::Note::What::FilesLeftAfterEmptying)
                    left.push_back(note);
            ASSERT_EQ(left.size(), 1u);
            EXPECT_EQ(left[0].first, uploads.toStdString() + "/emlog");
            EXPECT_EQ(media()[QStringLiteral("attachments")].toArray().size(),
                      before[QStringLiteral("attachments")].toArray().size());
        } else {
            EXPECT_EQ(media(), before);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, FilesTest, ::testing::Values(Source::Folder, Source::Http));

} // namespace
