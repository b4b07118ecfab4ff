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
        // A classic theme that shows a logo, and the redirect plugin that shows the blog's faces and home page.
        runWordPressScript(sourceDir() + "/scripts/wordpress/menu.php", wordpress.name(), wordpress.prefix(),
                           {"theme", "twentytwentyone"});
        site.runScript(sourceDir() + "/scripts/wordpress/site.php", {QStringLiteral("plain"), QStringLiteral("on")});
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

    static const FailureLog::Tally* filesTally(const RunReport& report, std::string_view migration = "files")
    {
        for (const FailureLog::Tally& tally : report.log.tallies())
            if (tally.migration == migration)
                return &tally;
        return nullptr;
    }

    // The bytes WordPress serves at an address of its uploads.
    QByteArray served(const QString& url) { return site.fetch(url.toUtf8()).bytes; }

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
    const FailureLog::Tally* tally = filesTally(report, "files");
    ASSERT_NE(tally, nullptr);
    // The attachments' files, the articles', a 微语's image, the faces (two photos, an avatar, the logo
    // and the favicon) and a link's icon.
    EXPECT_EQ(tally->written, 23) << texts::summary(report.log).toStdString();
    // Each failure listed under the files is counted there: the missing file and the two hostile names.
    EXPECT_EQ(tally->failed, 3);
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

    // The faces: six rows, comments 3 and 5 sharing one avatar's attachment.
    const FailureLog::Tally* faces = filesTally(report, "faces");
    ASSERT_NE(faces, nullptr);
    EXPECT_EQ(faces->written, 6) << texts::summary(report.log).toStdString();
    // The template's icon and logo, and members' and a guest's avatars, with emlog's very bytes.
    const QJsonObject shown = view[QStringLiteral("site")].toObject();
    const auto bytesOf = [&](const char* path) { return files.at(std::string("content/uploadfile/") + path); };
    EXPECT_EQ(served(shown[QStringLiteral("icon")].toString()), bytesOf("202401/favicon.png"));
    EXPECT_EQ(served(shown[QStringLiteral("logo")].toString()), bytesOf("202401/5b6c1704067200.png"));
    const QJsonObject users = shown[QStringLiteral("users")].toObject();
    EXPECT_EQ(served(users[QStringLiteral("1")].toString()), bytesOf("avatar/laoli.jpg"));
    EXPECT_EQ(served(users[QStringLiteral("3")].toString()), bytesOf("202301/thum52-e5f61672531200.png"));
    const QJsonObject comments = shown[QStringLiteral("comments")].toObject();
    for (const char* cid : {"3", "5"})
        EXPECT_EQ(served(comments[QLatin1String(cid)].toString()), bytesOf("avatar/oreilly.png")) << cid;
    EXPECT_EQ(served(comments[QStringLiteral("4")].toString()), bytesOf("avatar/laoli.jpg")); // by member 1
    EXPECT_EQ(comments[QStringLiteral("1")].toString(), QStringLiteral("gravatar"));          // a guest's, as before

    // The home page as emlog's: its own title, description and keywords, and the tagline; every setting emlog's.
    const auto [status, home] = site.get(QStringLiteral("/"));
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(home.contains(QStringLiteral("<title>老李的博客 - 生活与技术</title>")))
        << home.left(2000).toStdString();
    EXPECT_TRUE(home.contains(
        QStringLiteral("<meta name=\"description\" content=\"老李从 2008 年写到现在：生活 &amp; 技术\">")));
    EXPECT_TRUE(home.contains(QStringLiteral("<meta name=\"keywords\" content=\"emlog,博客,生活\">")));
    EXPECT_TRUE(home.contains(QStringLiteral("记录生活 &amp; 技术")));
    checkSettings(wordPressView());

    // pro's download links, in article 41 and as the old addresses themselves (through the redirect
    // plugin), end on the copied file with emlog's bytes.
    const std::pair<const char*, int> downloads[] = {
        {"?resource_alias=Tz3kQ9vL2mX8pR4a", 6},
        {"?resource_alias=Report_2013_abcd&resource_filename=291f1394000000", 15},
    };
    for (const QJsonValue& post : view[QStringLiteral("posts")].toArray()) {
        if (post[QStringLiteral("origin")].toInt() == 41) {
            const QString content = post[QStringLiteral("content")].toString();
            EXPECT_FALSE(content.contains(QStringLiteral("resource_alias"))) << content.toStdString();
            for (const auto& [old, aid] : downloads)
                EXPECT_TRUE(content.contains("href=\"" + byAid.at(aid)[QStringLiteral("url")].toString() + "\""))
                    << aid;
        }
    }
    for (const auto& [old, aid] : downloads) {
        SCOPED_TRACE(old);
        const WordPressSite::Response redirect = site.fetch(site.home().toUtf8() + "/" + old);
        ASSERT_EQ(redirect.status, 301) << redirect.body.left(300).toStdString();
        EXPECT_EQ(QString::fromUtf8(redirect.location), byAid.at(aid)[QStringLiteral("url")].toString());
        const QString file = byAid.at(aid)[QStringLiteral("url")].toString().mid(baseUrl.size() + 7);
        EXPECT_EQ(site.fetch(redirect.location).bytes, files.at("content/uploadfile/" + file.toStdString()));
    }
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
        EXPECT_EQ(tally->alreadyThere, 23);
        // Nor the faces, nor any setting; after emptying, the faces' attachments are made anew from the same files.
        const FailureLog::Tally* faces = filesTally(again, "faces");
        ASSERT_NE(faces, nullptr);
        EXPECT_EQ(faces->written, emptyFirst ? 6 : 0);
        EXPECT_EQ(faces->alreadyThere, emptyFirst ? 0 : 6);
        for (const FailureLog::Note& note : again.log.notes()) {
            if (!emptyFirst) {
                EXPECT_NE(note.what, FailureLog::Note::What::SettingChanged) << note.first;
            }
        }
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
