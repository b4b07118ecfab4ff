// What frames the old blog's articles comes across too: its navigation bar as a WordPress menu,
// shown where the theme shows menus; its ICP number and footer text in every page's footer; its
// sidebar texts as reusable blocks, shown in a classic theme's sidebar. With a block theme and with
// a classic one, from emlog pro and from 5.x. WordPress's own API (scripts/wordpress/menu.php:
// wp_get_nav_menu_items, the theme's locations, the sidebars) and its served home page say what a
// reader gets.
#include "BlogRun.h"
#include "GuiTesting.h"
#include "TestServer.h"
#include "WordPressSite.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Theme
{
    const char* name;
    EmlogVersion version;
    const char* shownAt; // where the report says the menu went
    bool sidebar;        // whether the theme shows the sidebar texts itself
};
const Theme themes[] = {
    {"twentytwentythree", EmlogVersion::Pro, "显示在块主题 twentytwentythree 的页头", false},
    {"twentytwentyone", EmlogVersion::Five, "显示在主题 twentytwentyone 的菜单位置 primary", true},
};

// The sample's navigation as a reader of emlog saw it, in its order (scripts/sample/emlog-sample.sql):
// navi id, the item it is under, the label as emlog printed it, and where it leads ({home},
// {category:sid} and {page:gid} stand for WordPress's addresses), and whether in a new window.
struct Item
{
    const char* navi;
    const char* parent;
    const char* title;
    const char* url;
    bool newTab = false;
};
const Item sampleMenu[] = {
    {"1", "", "首页", "{home}/"},
    {"2", "", "微语", "{home}/?post_format=status"},
    {"4", "", "生活随笔", "{category:1}"},
    {"5", "", "关于", "{page:15}"},
    {"6", "", "技术 &amp; 笔记", "{home}/?cat={term:2}"},
    {"8", "6", "本站历史", "{home}/?page_id={id:39}"},
    {"7", "6", "GitHub", "https://github.com/laoli", true},
    {"10", "", "&lt;b&gt;书&lt;/b&gt;", "http://books.example.org/"},
    {"3", "", "登录", "{login}"},
};

// The sample's sidebar texts (custom_widget), in widgets1's order: title, then a piece of the HTML.
const std::pair<const char*, const char*> sampleSidebar[] = {
    {"公告", "<p>本站已搬家，<a href=\"{home}/?page_id={id:15}\">关于</a>本站。</p>"},
    {"友情赞助 & 鸣谢", "<ul><li><b>老王</b>的服务器</li></ul>"},
};

QJsonObject json(const std::string& text)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

class NavigationTest : public ::testing::TestWithParam<Theme>
{
protected:
    void SetUp() override
    {
        MessageBox::clearShown();
        loadSampleBlog(emlog.name(), "emlog_", GetParam().version);
        script({"theme", GetParam().name});
    }

    std::string script(const std::vector<std::string>& arguments)
    {
        return runWordPressScript(sourceDir() + "/scripts/wordpress/menu.php", wordpress.name(), "wp_", arguments);
    }
    QJsonObject view() { return json(script({"view"})); }
    MessageBox::Shown migrate(bool emptyFirst)
    {
        return migrateThroughWindow({emlog.name(), "emlog_", wordpress.name(), "wp_"}, emptyFirst);
    }

    // The address an item of the sample's menu should have, in this WordPress.
    static std::string expectedUrl(const QJsonObject& view, const std::string& pattern, const QJsonObject& permalinks)
    {
        std::string url = pattern;
        const auto fill = [&](const std::string& name, const std::string& value) {
            for (std::size_t at; (at = url.find(name)) != std::string::npos;)
                url.replace(at, name.size(), value);
        };
        fill("{home}", view["home"].toString().toStdString());
        fill("{login}", view["login"].toString().toStdString());
        for (const QString& sid : view["categories"].toObject().keys()) {
            const std::string id = std::to_string(view["categories"][sid].toInteger());
            fill("{term:" + sid.toStdString() + "}", id);
            fill("{category:" + sid.toStdString() + "}",
                 permalinks[QString::fromStdString("term:" + id)].toString().toStdString());
        }
        for (const QString& gid : view["pages"].toObject().keys()) {
            const std::string id = std::to_string(view["pages"][gid].toInteger());
            fill("{id:" + gid.toStdString() + "}", id);
            fill("{page:" + gid.toStdString() + "}",
                 permalinks[QString::fromStdString("post:" + id)].toString().toStdString());
        }
        return url;
    }

    // The blog's menu, which must be there once.
    // The titles of the reusable blocks made of the sidebar texts, and of the others.
    static std::pair<QStringList, QStringList> reusableBlocks(const QJsonObject& view)
    {
        std::pair<QStringList, QStringList> blocks;
        for (const QJsonValue& block : view["blocks"].toArray())
            (block["widget"].toString().isEmpty() ? blocks.second : blocks.first) << block["title"].toString();
        return blocks;
    }
    static QStringList sampleSidebarTitles()
    {
        QStringList titles;
        for (const auto& text : sampleSidebar)
            titles << QString::fromUtf8(text.first);
        return titles;
    }

    static QJsonObject blogMenu(const QJsonObject& view)
    {
        QJsonObject found;
        int menus = 0;
        for (const QJsonValue& menu : view["menus"].toArray()) {
            if (menu["emlog"].toBool()) {
                found = menu.toObject();
                ++menus;
            }
        }
        EXPECT_EQ(menus, 1);
        return found;
    }

    void checkMenu(const QJsonObject& view)
    {
        const QJsonArray items = blogMenu(view)["items"].toArray();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(std::size(sampleMenu)));
        // The links WordPress makes for the copied terms and pages, under its plain permalinks.
        QStringList objects;
        for (const QString& id : view["categories"].toObject().keys())
            objects << QStringLiteral("term:%1").arg(view["categories"][id].toInteger());
        for (const QString& id : view["pages"].toObject().keys())
            objects << QStringLiteral("post:%1").arg(view["pages"][id].toInteger());
        std::vector<std::string> arguments = {"plain", "off"};
        for (const QString& object : objects)
            arguments.push_back(object.toStdString());
        const QJsonObject permalinks =
            json(runWordPressScript(sourceDir() + "/scripts/wordpress/site.php", wordpress.name(), "wp_", arguments));
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item& expected = sampleMenu[i];
            const QJsonValue item = items[i];
            SCOPED_TRACE(std::string("navi id=") + expected.navi);
            EXPECT_EQ(item["navi"].toString().toStdString(), expected.navi);
            EXPECT_EQ(item["parent"].toString().toStdString(), expected.parent);
            EXPECT_EQ(item["title"].toString().toStdString(), expected.title);
            EXPECT_EQ(item["url"].toString().toStdString(), expectedUrl(view, expected.url, permalinks));
            EXPECT_EQ(item["target"].toString().toStdString(), expected.newTab ? "_blank" : "");
        }
    }

    // The served home page shows every visible label, and none of the hidden ones; with the
    // plugin on, its footer holds the ICP number linked as emlog linked it, and the owner's footer HTML.
    void checkHomePage(const char* ownLabel = nullptr)
    {
        WordPressSite site(wordpress.name(), "wp_");
        site.runScript(sourceDir() + "/scripts/wordpress/site.php", {QStringLiteral("plain"), QStringLiteral("on")});
        const auto [status, page] = site.get(QStringLiteral("/"));
        ASSERT_EQ(status, 200);
        const qsizetype footer = page.indexOf(QStringLiteral("class=\"kestrel-footer\""));
        ASSERT_GE(footer, 0);
        EXPECT_TRUE(page.indexOf(QStringLiteral("<a href=\"https://beian.miit.gov.cn/\" target=\"_blank\" "
                                                "rel=\"noopener\">京ICP备12345678号-1</a> "
                                                "<a href=\"http://stats.example.com/\">访问统计</a> & 感谢"),
                                 footer) > footer)
            << page.mid(footer, 400).toStdString();
        for (const Item& item : sampleMenu)
            EXPECT_TRUE(page.contains(QString::fromUtf8(item.title))) << item.title;
        EXPECT_FALSE(page.contains(QStringLiteral("旧相册")));
        EXPECT_FALSE(page.contains(QStringLiteral("相册里")));
        if (ownLabel) {
            EXPECT_TRUE(page.contains(QString::fromUtf8(ownLabel)));
        }
        if (GetParam().sidebar) {
            qsizetype at = 0;
            for (const auto& [title, html] : sampleSidebar) {
                at = page.indexOf(QStringLiteral("<h2>%1</h2>").arg(QString::fromUtf8(title)), at);
                EXPECT_GE(at, 0) << title;
                const QString shown = QString::fromStdString(expectedUrl(view(), html, {}));
                EXPECT_GT(page.indexOf(shown, at), at) << shown.toStdString();
            }
        }
        EXPECT_TRUE(site.debugLog().isEmpty()) << site.debugLog().toStdString();
    }

    TestDatabase emlog{"navi_emlog"};
    WordPressDatabase wordpress{"navi_wp"};
};

TEST_P(NavigationTest, TheMenuLeadsWhereEmlogsDidAndShowsOnTheHomePage)
{
    const MessageBox::Shown done = migrate(true);
    EXPECT_TRUE(done.text.contains(QString::fromUtf8(GetParam().shownAt)) ||
                done.detail.contains(QString::fromUtf8(GetParam().shownAt)))
        << done.text.toStdString() << done.detail.toStdString();
    const QJsonObject first = view();
    checkMenu(first);
    checkHomePage();

    // A second run finds every item there and adds nothing, nor a second navigation.
    migrate(false);
    const QJsonObject again = view();
    checkMenu(again);
    EXPECT_EQ(again["navigations"].toArray().size(), first["navigations"].toArray().size());
    EXPECT_EQ(again["locations"].toObject(), first["locations"].toObject());
    EXPECT_EQ(reusableBlocks(first).first, sampleSidebarTitles());
    EXPECT_EQ(again["blocks"].toArray(), first["blocks"].toArray());
    EXPECT_EQ(again["sidebar"].toObject(), first["sidebar"].toObject());
}

TEST_P(NavigationTest, TheSitesOwnMenuStaysWhereItIsThroughEmptyingFirst)
{
    script({"own"});
    const QJsonObject before = view();
    migrate(true);
    migrate(true);
    const QJsonObject after = view();
    checkMenu(after);
    // The site's menu keeps its place and its item; its navigation stays the one shown.
    EXPECT_EQ(after["locations"].toObject(), before["locations"].toObject());
    QStringList own;
    for (const QJsonValue& menu : after["menus"].toArray()) {
        if (!menu["emlog"].toBool())
            own << menu["name"].toString() + QLatin1Char('/') + menu["items"][0]["title"].toString();
    }
    EXPECT_EQ(own, QStringList{QStringLiteral("站点菜单/站点自己的")});
    // The site's reusable block and widget stay; the blog's texts are there once, in the sidebar after it.
    EXPECT_EQ(reusableBlocks(after).second, QStringList{QStringLiteral("站点的区块")});
    EXPECT_EQ(reusableBlocks(after).first, sampleSidebarTitles());
    const QJsonArray widgets = after["sidebar"]["widgets"].toArray();
    if (GetParam().sidebar) {
        ASSERT_EQ(widgets.size(), 3);
        EXPECT_EQ(widgets[0].toString(), QStringLiteral("block-90"));
    }
    const QJsonArray navigations = after["navigations"].toArray();
    ASSERT_EQ(navigations.size(), 1);
    EXPECT_FALSE(navigations[0]["emlog"].toBool());
    WordPressSite site(wordpress.name(), "wp_");
    const QString page = site.get(QStringLiteral("/")).second;
    EXPECT_TRUE(page.contains(QStringLiteral("站点自己的")));
    if (GetParam().sidebar) {
        EXPECT_TRUE(page.contains(QStringLiteral("站点自己的小工具")));
    }
}

INSTANTIATE_TEST_SUITE_P(Themes, NavigationTest, ::testing::ValuesIn(themes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
