#include "KindTexts.h"

namespace kestrel::texts {

namespace {

struct KindTexts
{
    Kind kind;
    const char16_t* label;
    const char16_t* opening;
    const char16_t* running;
};

constexpr KindTexts kindTexts[] = {
    {Kind::users, u"用户", u"初始化转换用户...", u"正在转换用户."},
    {Kind::categories, u"分类", u"初始化转换分类...", u"正在转换分类."},
    {Kind::tags, u"标签", u"初始化转换标签...", u"正在转换标签."},
    {Kind::posts, u"文章", u"初始化转换博客文章...", u"正在转换博客文章."},
    {Kind::comments, u"评论", u"初始化转换博客评论...", u"正在转换评论."},
    {Kind::ownerReplies, u"博主回复", u"初始化转换博主回复...", u"正在转换博主回复."},
    {Kind::trackbacks, u"引用", u"初始化转换引用...", u"正在转换引用."},
    {Kind::attachments, u"附件", u"初始化转换博客附件...", u"正在转换附件."},
    {Kind::links, u"友情链接", u"初始化转换友情链接...", u"正在转换友情链接."},
    {Kind::twitter, u"微语", u"初始化转换微语...", u"正在转换微语."},
    {Kind::replies, u"微语回复", u"初始化转换微语回复...", u"正在转换微语回复."},
    {Kind::navigation, u"导航", u"初始化转换导航...", u"正在转换导航."},
    {Kind::widgets, u"侧边栏", u"初始化转换侧边栏...", u"正在转换侧边栏."},
    {Kind::faces, u"头像与站标", u"初始化转换头像与站标...", u"正在转换头像与站标."},
};

const KindTexts& textsOf(Kind kind)
{
    return kindTexts[static_cast<int>(kind)];
}

} // namespace

QString label(std::string_view id)
{
    for (const KindInfo& kind : kinds) {
        if (kind.id == id)
            return QString::fromUtf16(textsOf(kind.kind).label);
    }
    if (id == step::emptying)
        return QStringLiteral("清空");
    if (id == step::files)
        return QStringLiteral("文件");
    if (id == step::backup)
        return QStringLiteral("备份文件");
    if (id == step::timeZone)
        return QStringLiteral("时区");
    if (id == step::footer)
        return QStringLiteral("页脚");
    if (id == step::settings)
        return QStringLiteral("设置");
    if (id == step::addresses)
        return QStringLiteral("地址");
    // WordPress's own kinds of row, as emptying it first counts them.
    static const std::pair<std::string_view, const char16_t*> wordPressKinds[] = {{"post", u"文章"},
                                                                                  {"page", u"页面"},
                                                                                  {"attachment", u"附件"},
                                                                                  {"revision", u"修订版本"},
                                                                                  {"comment", u"评论"},
                                                                                  {"category", u"分类"},
                                                                                  {"post_tag", u"标签"},
                                                                                  {"link_category", u"链接分类"},
                                                                                  {"post_format", u"文章格式"},
                                                                                  {"link", u"链接"},
                                                                                  {"nav_menu", u"导航菜单"},
                                                                                  {"nav_menu_item", u"菜单项"},
                                                                                  {"wp_navigation", u"网站导航"},
                                                                                  {"wp_block", u"可重用区块"}};
    for (const auto& [wordPressId, wordPressLabel] : wordPressKinds) {
        if (wordPressId == id)
            return QString::fromUtf16(wordPressLabel);
    }
    return QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
}

QString emptyingStatus()
{
    return QStringLiteral("正在先清空wp数据库。");
}

QString finishedStatus()
{
    return QStringLiteral("转换完成");
}

QString menuName()
{
    return QStringLiteral("博客导航");
}

QString homeLabel()
{
    return QStringLiteral("首页");
}

QString runningStem(Kind kind)
{
    return QString::fromUtf16(textsOf(kind).running);
}

QString runningStem(std::string_view kindId)
{
    for (const KindInfo& kind : kinds) {
        if (kind.id == kindId)
            return runningStem(kind.kind);
    }
    return label(kindId);
}

QString status(const RunEvent& event)
{
    switch (event.what) {
    case RunEvent::What::Reading:
        return QString::fromUtf16(textsOf(event.kind).opening);
    case RunEvent::What::Row:
        return runningStem(event.kind) + QString::number(percentDone(event.done, event.total)) + QLatin1Char('%');
    case RunEvent::What::Files:
        return QStringLiteral("正在复制文件.") + QString::number(percentDone(event.done, event.total)) +
               QLatin1Char('%');
    case RunEvent::What::ReadingBackup:
        if (event.total <= 0)
            return QStringLiteral("正在读取emlog备份文件...");
        return QStringLiteral("正在读取emlog备份文件.") + QString::number(percentDone(event.done, event.total)) +
               QLatin1Char('%');
    case RunEvent::What::Reconnecting:
        return QStringLiteral("正在重新连接%1博客数据库...(第%2次)")
            .arg(event.wordPress ? QStringLiteral("WordPress") : QStringLiteral("emlog"))
            .arg(event.attempt);
    }
    return {};
}

} // namespace kestrel::texts
