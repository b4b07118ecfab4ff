#include "ReasonTexts.h"

#include "Kinds.h"
#include "Utf8Text.h"

namespace kestrel::texts {

namespace {

using Code = Why::Code;

// The row an entry is about, as the sentence names it: "这条评论".
QString rowOf(std::string_view migration)
{
    static const std::pair<std::string_view, const char16_t*> rows[] = {
        {"posts", u"这篇文章"},         {"comments", u"这条评论"},    {"ownerReplies", u"这条博主回复"},
        {"trackbacks", u"这条引用"},    {"attachments", u"这个附件"}, {"tags", u"这个标签"},
        {"categories", u"这个分类"},    {"links", u"这个链接"},       {"users", u"这个用户"},
        {"twitter", u"这条微语"},       {"replies", u"这条微语回复"}, {"navigation", u"这个菜单项"},
        {"widgets", u"这个侧边栏组件"}, {"files", u"这个文件"}};
    for (const auto& [id, row] : rows) {
        if (id == migration)
            return QString::fromUtf16(row);
    }
    return QStringLiteral("这一行");
}

// What a row hangs under in its own kind: "它回复的评论".
QString parentOf(std::string_view migration)
{
    if (migration == "comments" || migration == "ownerReplies")
        return QStringLiteral("它回复的评论");
    if (migration == "posts")
        return QStringLiteral("它的上级页面");
    if (migration == "attachments")
        return QStringLiteral("它的原图");
    if (migration == "categories")
        return QStringLiteral("它的上级分类");
    if (migration == "navigation")
        return QStringLiteral("它的上级菜单项");
    return QStringLiteral("它的上一级");
}

// A reason with the words of a server or a library after it, when there are some.
QString withWords(const QString& reason, const std::string& words)
{
    return words.empty() ? reason : reason + QStringLiteral("：") + text(words);
}

QString cutBackup(const std::string& where)
{
    return QStringLiteral("备份文件不完整（%1），按要求读入了已有的部分").arg(text(where));
}

QString missingArticle(const FailureLog::Entry& entry, bool inEmlog)
{
    const QString gid = text(entry.why.subject);
    const std::string_view migration = entry.migration;
    if (migration == "navigation")
        return QStringLiteral("这个菜单项指向的页面（gid=%1）不在 WordPress 里").arg(gid);
    if (migration == "tags")
        return inEmlog ? QStringLiteral("这个标签列出的文章（gid=%1）没有转换过来：标签已写入，只少了这一篇").arg(gid)
                       : QStringLiteral("这个标签列出的文章（gid=%1）在 emlog 里已经不存在：标签已写入，只少了这一篇")
                             .arg(gid);
    if (inEmlog)
        return QStringLiteral("%1所属的文章（gid=%2）没有转换过来，见那篇文章的失败原因").arg(rowOf(migration), gid);
    return QStringLiteral("%1所属的文章（gid=%2）在 emlog 里已经不存在").arg(rowOf(migration), gid);
}

} // namespace

QString reason(const Why& why)
{
    return reason(FailureLog::Entry{{}, {}, {}, why});
}

QString reason(const FailureLog::Entry& entry)
{
    const Why& why = entry.why;
    const QString subject = text(why.subject);
    const QString detail = text(why.detail);
    switch (why.code) {
    case Code::serverRefused:
        return withWords(QStringLiteral("数据库服务器拒绝了这条语句"), why.detail);
    case Code::arrivalUnknown:
        return withWords(QStringLiteral("连接断了，不知道是否已经写入（不先清空再运行一次即可查明并补上）"),
                         why.detail);
    case Code::writtenWithChanges:
        return withWords(QStringLiteral("已写入，但服务器改动了其中的值"), why.detail);
    case Code::emlogUnreadable:
        return withWords(QStringLiteral("读不到 emlog 的数据"), why.detail);
    case Code::wordPressUnreadable:
        return withWords(QStringLiteral("读不到 WordPress 里已有的内容，为免写重，这一类什么都没有写入"), why.detail);
    case Code::articleNotInEmlog:
        return missingArticle(entry, false);
    case Code::articleNotCopied:
        return missingArticle(entry, true);
    case Code::categoryNotCopied:
        if (entry.migration == "navigation")
            return QStringLiteral("这个菜单项指向的分类（sid=%1）不在 WordPress 里").arg(subject);
        return QStringLiteral("这篇文章的分类（sid=%1）不在 WordPress 里（在 emlog 里也许已经删除）："
                              "文章已写入，只是没有归入这个分类")
            .arg(subject);
    case Code::tagNotCopied:
        return QStringLiteral("这篇文章的标签（tid=%1）不在 WordPress 里：文章已写入，只是没有这个标签").arg(subject);
    case Code::parentNotCopied:
        return QStringLiteral("%1（%2）没有转换过来").arg(parentOf(entry.migration), subject);
    case Code::twitterNotCopied:
        return QStringLiteral("这条回复所属的微语（id=%1）不在 WordPress 里").arg(subject);
    case Code::postFormatMissing:
        return QStringLiteral("WordPress 里没有“状态”文章格式：这条微语已写入，但没有标为状态");
    case Code::menuNotMade:
        return QStringLiteral("博客的导航菜单没能建立");
    case Code::reservedField:
        return QStringLiteral("自定义字段 %1 的名字是 Kestrel 自己用的，这个字段没有转换").arg(subject);
    case Code::notScheduled:
        return QStringLiteral(
                   "WordPress 的选项 %1 不是 Kestrel 能添加的 PHP 序列化数据，保持原样：这篇文章没有排入定时发布")
            .arg(subject);
    case Code::notSticky:
        return QStringLiteral("WordPress 的选项 %1 不是 Kestrel 能添加的 PHP 序列化数据，保持原样：这篇文章没有置顶")
            .arg(subject);
    case Code::tagsUnreadable:
        return withWords(QStringLiteral("读不到文章的标签，文章转换时没有标签"), why.detail);
    case Code::fieldsUnreadable:
        return withWords(QStringLiteral("读不到文章的自定义字段，文章转换时没有它们"), why.detail);
    case Code::articleGone:
        return QStringLiteral("再读正文时这篇文章在 emlog 里已经不存在，它指向博客自己的链接没有改写");
    case Code::linksNotRewritten:
        return withWords(QStringLiteral("读不到正文，指向博客自己的链接没有改写"), why.detail);
    case Code::sidebarsUnparsable:
        return QStringLiteral("WordPress 的侧边栏设置不是 PHP 序列化数组：自定义组件只成为可重用区块，没有放进侧边栏");
    case Code::widgetsUnparsable:
        return QStringLiteral("emlog 的自定义组件（custom_widget）不是 PHP 序列化数组，没有转换");
    case Code::backupTableMissing:
        return QStringLiteral("备份文件里没有这张表");
    case Code::backupCutStatement:
        return cutBackup(why.detail) + QStringLiteral("：这条没写完的语句里的行没有读到");
    case Code::backupCutTable:
        return cutBackup(why.detail) + QStringLiteral("：备份里没有这张表");
    case Code::backupCutAfter:
        return cutBackup(why.detail) + QStringLiteral("：截断处之后也许还有行");
    case Code::sameFileNotCopied:
        return QStringLiteral("显示同一个文件的附件没有转换过去");
    case Code::backupPassedOver:
        return QStringLiteral("备份文件里的语句太大（%1），按要求跳过了：这条语句里的行没有读到").arg(text(why.detail));
    case Code::notABlogFile:
        return QStringLiteral("“%1”不是这个博客的文件，没有复制").arg(subject);
    case Code::nameEmpty:
        return QStringLiteral("文件名是空的");
    case Code::nameHasNul:
        return QStringLiteral("文件名“%1”里有 NUL 字符").arg(subject);
    case Code::nameHasBackslash:
        return QStringLiteral("文件名“%1”里有反斜杠或冒号").arg(subject);
    case Code::nameAbsolute:
        return QStringLiteral("“%1”是绝对路径").arg(subject);
    case Code::nameLeavesFolder:
        return QStringLiteral("“%1”会跳出它所在的文件夹").arg(subject);
    case Code::nameIsFolder:
        return QStringLiteral("“%1”是文件夹，不是文件").arg(subject);
    case Code::nameRunnable:
        return QStringLiteral("“%1”是网站服务器可能当作程序运行的文件名，为安全没有复制").arg(subject);
    case Code::noUploadsFolder:
        return QStringLiteral("没有给出 WordPress 的上传文件夹，没有复制文件");
    case Code::noBlogAddress:
        return QStringLiteral("emlog 没有博客地址（blogurl），无从下载它的文件，没有复制文件");
    case Code::noSiteAddress:
        return QStringLiteral("WordPress 的设置里没有网站地址（siteurl），没有复制文件");
    case Code::filesUnreadable:
        return withWords(QStringLiteral("读不到博客的文章和附件，不知道要复制哪些文件，没有复制文件"), why.detail);
    case Code::noHost:
        return QStringLiteral("地址 %1 里没有主机名，没有复制文件").arg(subject);
    case Code::notHttp:
        return QStringLiteral("只能从 http 或 https 地址下载文件，%1 不是，没有复制文件").arg(subject);
    case Code::noSuchFolder:
        return QStringLiteral("没有这个文件夹：%1，没有复制文件").arg(subject);
    case Code::onlyUploadFolder:
        return QStringLiteral("只给出了 emlog 的 content/uploadfile 文件夹，%1 不在其中").arg(subject);
    case Code::noSuchFile:
        return QStringLiteral("没有这个文件：%1").arg(subject);
    case Code::outsideBlogFolder:
        return QStringLiteral("%1 不是博客文件夹里的文件（也许是指向外面的符号链接）").arg(subject);
    case Code::tooLarge:
        return QStringLiteral("文件超过 %1 字节的上限").arg(subject);
    case Code::largerThanWordPress:
        return QStringLiteral("文件有 %1 字节，超过 WordPress 能接收的 %2 字节").arg(subject, detail);
    case Code::cannotRead:
        return withWords(QStringLiteral("读不了 %1").arg(subject), why.detail);
    case Code::cannotMakeFolder:
        return QStringLiteral("建不了文件夹 %1").arg(subject);
    case Code::throughLink:
        return QStringLiteral("“%1”经过符号链接，为安全没有写入").arg(subject);
    case Code::nameTaken:
        return QStringLiteral("“%1”已被别的文件占用").arg(subject);
    case Code::unsafeName:
        return QStringLiteral("文件名“%1”不安全").arg(subject);
    case Code::noFreeName:
        return QStringLiteral("给 %1 找不到空闲的文件名").arg(subject);
    case Code::cannotWrite:
        return withWords(QStringLiteral("写不了 %1").arg(subject), why.detail);
    case Code::httpStatus:
        return QStringLiteral("下载 %1 时服务器回答 HTTP %2").arg(detail, subject);
    case Code::fetchFailed:
        return withWords(QStringLiteral("下载 %1 失败").arg(subject), why.detail);
    case Code::pluginRefused:
        return withWords(QStringLiteral("经网站的插件处理 %1 时失败").arg(subject), why.detail);
    }
    return withWords(text(codeName(why.code)), why.detail);
}

} // namespace kestrel::texts
