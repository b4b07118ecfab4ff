#include "RunTexts.h"
#include "Utf8.h"

#include "BlogConnection.h"

#include <QStringList>

#include <algorithm>

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

QString emptyingRefusal(const EmptyingPlan& plan)
{
    const QString table = text(plan.refusedTable);
    const QString because = text(plan.refusedBecause);
    switch (plan.refusal) {
    case EmptyingPlan::Refusal::None:
        break;
    case EmptyingPlan::Refusal::EmlogTableUnreadable:
        return QStringLiteral("emlog 的表 %1 读不到（%2）：请检查 emlog 的数据库和表前缀。").arg(table, because);
    case EmptyingPlan::Refusal::WordPressTableUnreadable:
        return QStringLiteral("WordPress 的表 %1 读不到（%2）：请检查 WordPress 的数据库和表前缀。")
            .arg(table, because);
    case EmptyingPlan::Refusal::NotCounted:
        return QStringLiteral("数不出要删除的行：%1").arg(because);
    case EmptyingPlan::Refusal::EnginesUnknown:
        return QStringLiteral("问不到 WordPress 的表用的存储引擎：%1").arg(because);
    }
    return {};
}

QString emptyingEngineWarning(const EmptyingPlan& plan)
{
    QStringList tables;
    for (const EmptyingPlan::Table& table : plan.tablesThatCannotRollBack())
        tables << QStringLiteral("%1（%2）")
                      .arg(text(table.name), table.engine.empty() ? QStringLiteral("引擎不明") : text(table.engine));
    if (tables.isEmpty())
        return {};
    return QStringLiteral("注意：WordPress 的表 %1 的存储引擎不支持事务。清空中途失败时，这些表里已经删除的行"
                          "不能撤销，只能用备份放回。")
        .arg(tables.join(QStringLiteral("、")));
}

QString emptyingFailure(const EmptyingFailure& failure, const QString& backupFile)
{
    const QString where = text(failure.where);
    const QString error = text(failure.error);
    QString why;
    switch (failure.reason) {
    case EmptyingFailure::Reason::NotMarked:
        why = QStringLiteral("标记要删除的行时出错：%1").arg(error);
        break;
    case EmptyingFailure::Reason::BackupNotWritten:
        why = QStringLiteral("备份写不了：%1").arg(error);
        break;
    case EmptyingFailure::Reason::StatementFailed:
        why = QStringLiteral("%1 出错：%2").arg(where, error);
        break;
    case EmptyingFailure::Reason::SessionLost:
        why = QStringLiteral("连接中断");
        break;
    }
    if (failure.deleted.empty())
        return QStringLiteral("先清空 WordPress 没有成功（%1）：什么都没有删除，也没有开始转换。").arg(why);
    QStringList deleted;
    for (const EmptyingFailure::Deleted& table : failure.deleted)
        deleted << (table.rows < 0 ? QStringLiteral("%1 部分行（行数不明）").arg(text(table.table))
                                   : QStringLiteral("%1 %2 行").arg(text(table.table)).arg(table.rows));
    return QStringLiteral("先清空 WordPress 没有成功（%1），也没有开始转换。这些表的存储引擎不支持事务，"
                          "已经删除的行没有撤销：%2。删除的行都在备份里，用 mariadb 客户端在 WordPress 的数据库上"
                          "执行它即可放回（还在的行不动）：\n%3")
        .arg(why, deleted.join(QStringLiteral("、")), backupFile);
}

QString tlsRefusal(const TlsRefusal& refusal)
{
    const std::string& host = refusal.host;
    std::string trusted;
    if (refusal.protection == Protection::CaFile)
        trusted = "the CA file " + refusal.caFile;
    else if (refusal.protection == Protection::Fingerprint)
        trusted = "the fingerprint given";
    else
        trusted = "the CAs this system trusts";
    const std::string trustHint = "; to trust a server of your own, give its CA file or its certificate's SHA-256 "
                                  "fingerprint (kestrel-cli --emlog-ca/--wp-ca, "
                                  "--emlog-tls-fingerprint/--wp-tls-fingerprint)";
    std::string reason;
    switch (refusal.reason) {
    case TlsRefusal::Reason::NotOfferedOffThisMachine:
        reason = "the server offers no TLS, and a session with " + host +
                 ", which is not this machine, must be encrypted: anyone on the way could read the blog and pose "
                 "as the server. To connect in clear text all the same, allow unencrypted sessions (kestrel-cli "
                 "--allow-unencrypted, or \"允许不加密的连接\" behind the window's 安全 button)";
        break;
    case TlsRefusal::Reason::NotOffered:
        reason = "the server offers no TLS, so it cannot show a certificate to check against " + trusted;
        break;
    case TlsRefusal::Reason::OtherHostName:
        reason = "the server's certificate is not made out to the host name " + host + " (" + trusted + ")";
        break;
    case TlsRefusal::Reason::NotSigned:
        reason = "the server's certificate is not signed by " +
                 (refusal.protection == Protection::CaFile ? "the CA in " + refusal.caFile : trusted + trustHint);
        break;
    case TlsRefusal::Reason::OtherCertificate:
        reason = "the server showed another certificate than the one whose fingerprint was given";
        break;
    case TlsRefusal::Reason::CertificateRefused:
        reason = "the server's certificate was not accepted (" + trusted + ")";
        break;
    case TlsRefusal::Reason::NoAgreement:
        reason = "no encrypted connection could be agreed with the server, and a session whose TLS fails is never "
                 "opened in clear text instead";
        break;
    }
    return text("refused the server: " + reason + " [" + refusal.libraryError + "]");
}

QString sessionFailure(const BlogConnection& session)
{
    if (session.tlsRefusal())
        return tlsRefusal(*session.tlsRefusal());
    return text(session.lastError());
}

QString pluginRefusal(PluginRefusal refusal, const QString& site, const QString& switchAddress)
{
    const QString nothing = QStringLiteral("什么都没有写入。");
    switch (refusal) {
    case PluginRefusal::None:
        break;
    case PluginRefusal::Unencrypted:
        return QStringLiteral("%1 不是 https 地址：应用程序密码会以明文经过网络。请用 https://，"
                              "或确知网络可信时加 --allow-unencrypted。")
                   .arg(site) +
               nothing;
    case PluginRefusal::Unreachable:
        return QStringLiteral("连不上 %1：请检查地址和网络。").arg(site) + nothing;
    case PluginRefusal::Certificate:
        return QStringLiteral("%1 的证书验证不通过，没有发送密码。证书是自签名的，请用 --wp-ca 给出签发它的 CA 证书，"
                              "或用 --wp-tls-fingerprint 给出它的 SHA-256 指纹。")
                   .arg(site) +
               nothing;
    case PluginRefusal::PluginMissing:
        return QStringLiteral("%1 上没有 Kestrel Receiver 插件（或 WordPress 的 REST API 被关闭了）：请在 WordPress "
                              "后台“插件”里上传并启用 Kestrel 附带的 kestrel-receiver 插件。")
                   .arg(site) +
               nothing;
    case PluginRefusal::PluginTooOld:
        return QStringLiteral("%1 上的 Kestrel Receiver 插件太旧：请换上这一版 Kestrel 附带的插件。").arg(site) +
               nothing;
    case PluginRefusal::WrongLogin:
        return QStringLiteral("%1 不认这个用户名和应用程序密码：请在 WordPress 后台“用户 → 个人资料 → 应用程序密码”"
                              "里新建一个，用 KESTREL_WP_PASSWORD 或 --wp-password-file 给出（不是登录密码）。")
                   .arg(site) +
               nothing;
    case PluginRefusal::NotAdministrator:
        return QStringLiteral("%1 上的这个用户不是管理员：请用管理员的用户名和应用程序密码。").arg(site) + nothing;
    case PluginRefusal::ReceivingOff:
        return QStringLiteral("%1 的 Kestrel Receiver 插件没有在接收：请以管理员身份打开 %2，按“打开接收一小时”，"
                              "再运行一次。")
                   .arg(site, switchAddress.isEmpty() ? site + QStringLiteral("wp-admin/tools.php?page=kestrel")
                                                      : switchAddress) +
               nothing;
    case PluginRefusal::Other:
        break;
    }
    return QStringLiteral("%1 的 Kestrel Receiver 插件拒绝了连接。").arg(site) + nothing;
}

QString uploadsNotThroughPlugin()
{
    return QStringLiteral(
        "经 WordPress 的插件写入（--wp-url，窗口里的“网站…”）时不用 --wp-uploads："
        "文件经插件放进网站自己的上传文件夹。去掉 --wp-uploads（窗口里清空“文件…”的“WordPress 上传文件夹”）"
        "再试，--emlog-files 照旧给出文件从哪里来：什么都没有连接，也没有开始转换。");
}

QString unsafePrefix(const QString& blog, const QString& prefix)
{
    return QStringLiteral("%1 的表前缀“%2”只能由字母、数字、“_”和“$”组成：什么都没有连接，也没有开始转换。")
        .arg(blog, prefix);
}

QString menuName()
{
    return QStringLiteral("博客导航");
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

QString note(const FailureLog::Note& note)
{
    const QString first = text(note.first);
    const QString second = text(note.second);
    switch (note.what) {
    case FailureLog::Note::What::TimeZoneKept:
        return QStringLiteral("时区：保留 WordPress 的时区 %1（emlog 的是 %2），时间按 WordPress 的时区写入")
            .arg(first, second);
    case FailureLog::Note::What::TimeZoneSet:
        return QStringLiteral("时区：WordPress 的时区由 %1 改为 emlog 的 %2").arg(first, second);
    case FailureLog::Note::What::FilesNotCopied:
        return QStringLiteral("文件：没有复制（没有给出 emlog 的文件和 WordPress 的上传文件夹），附件仍指向旧博客");
    case FailureLog::Note::What::FilesLeftAfterEmptying:
        return QStringLiteral("文件：先清空只删除了数据库中的行，复制过的文件仍在 %1，需要时请自行删除").arg(first);
    case FailureLog::Note::What::MenuAtLocation:
        return QStringLiteral("导航：成为菜单“%1”，显示在主题 %2 的菜单位置 %3").arg(menuName(), second, first);
    case FailureLog::Note::What::MenuInNavigation:
        return QStringLiteral("导航：成为菜单“%1”和网站的导航，显示在块主题 %2 的页头").arg(menuName(), first);
    case FailureLog::Note::What::MenuLocationTaken:
        return QStringLiteral("导航：成为菜单“%1”；主题 %2 的菜单位置 %3 已有菜单，没有替换，"
                              "需要时请在“外观 → 菜单”中选择")
            .arg(menuName(), second, first);
    case FailureLog::Note::What::MenuNavigationTaken:
        return QStringLiteral("导航：成为菜单“%1”；网站已有自己的导航，没有替换，需要时请在“外观 → 编辑器”中选择")
            .arg(menuName());
    case FailureLog::Note::What::FooterKept:
        return QStringLiteral("页脚：备案号%1和页脚信息由 Kestrel Redirects 插件显示在每个页面（启用插件；"
                              "可在“设置 → 页脚”中修改或隐藏）")
            .arg(first.isEmpty() ? QString() : QStringLiteral(" %1 ").arg(first));
    case FailureLog::Note::What::WidgetsInSidebar:
        return QStringLiteral("侧边栏：%1 个自定义组件成为可重用区块，并作为区块小工具显示在侧边栏 %2")
            .arg(first, second);
    case FailureLog::Note::What::WidgetsAsBlocks:
        return QStringLiteral("侧边栏：%1 个自定义组件成为可重用区块（主题 %2 没有已知的侧边栏），"
                              "可在编辑器中插入到模板里")
            .arg(first, second);
    case FailureLog::Note::What::SettingChanged:
        return QStringLiteral("设置：WordPress 的 %1 由“%2”改为 emlog 的“%3”").arg(first, second, text(note.third));
    case FailureLog::Note::What::SettingKept:
        return QStringLiteral("设置：保留 WordPress 的 %1“%2”（emlog 的是“%3”）").arg(first, second, text(note.third));
    case FailureLog::Note::What::HomeMetaKept:
        return QStringLiteral("首页：emlog 的首页标题、描述和关键词由 Kestrel Redirects 插件显示（启用插件）");
    case FailureLog::Note::What::LogoNotPlaced:
        return QStringLiteral("站标：模板的标志已在媒体库中；不知道主题 %1 在哪里显示标志，请在“外观 → 自定义”中选择")
            .arg(first);
    case FailureLog::Note::What::MenuNotPlaced:
        return QStringLiteral("导航：成为菜单“%1”；不知道主题 %2 在哪里显示菜单，请在“外观 → 菜单”中选择位置")
            .arg(menuName(), first);
    }
    return {};
}

QString summary(const FailureLog& log)
{
    QStringList lines;
    for (const FailureLog::Note& each : log.notes())
        lines << note(each);
    for (const FailureLog::Tally& tally : log.tallies()) {
        if (tally.wordPressUnreadable)
            lines << label(tally.migration) + QStringLiteral("：无法读取 WordPress 中已有的内容，什么都没有写入");
        else if (tally.unreadable)
            lines << label(tally.migration) + QStringLiteral("：无法读取 emlog 表");
        else
            lines << QStringLiteral("%1：读取 %2 行，写入 %3 行，已存在 %4 行，失败 %5 行")
                         .arg(label(tally.migration))
                         .arg(tally.read)
                         .arg(tally.written)
                         .arg(tally.alreadyThere)
                         .arg(tally.failed);
    }
    std::vector<std::string> untallied;
    for (const FailureLog::Entry& entry : log.entries()) {
        if (!log.tallied(entry) && std::find(untallied.begin(), untallied.end(), entry.migration) == untallied.end())
            untallied.push_back(entry.migration);
    }
    for (const std::string& step : untallied) {
        const auto failed = std::count_if(log.entries().begin(), log.entries().end(),
                                          [&](const FailureLog::Entry& entry) { return entry.migration == step; });
        lines << QStringLiteral("%1：失败 %2 条语句").arg(label(step)).arg(failed);
    }
    return lines.join(QLatin1Char('\n'));
}

QString reason(const FailureLog::Entry& entry)
{
    using Reason = FailureLog::Reason;
    const QString cut = QStringLiteral("备份文件不完整（%1），按要求读入了已有的部分").arg(text(entry.error));
    switch (entry.reason) {
    case Reason::stated:
        break;
    case Reason::notInBackup:
        return QStringLiteral("备份文件里没有这张表");
    case Reason::cutStatement:
        return cut + QStringLiteral("：这条没写完的语句里的行没有读到");
    case Reason::cutTable:
        return cut + QStringLiteral("：备份里没有这张表");
    case Reason::cutAfter:
        return cut + QStringLiteral("：截断处之后也许还有行");
    case Reason::passedOver:
        return QStringLiteral("备份文件里的语句太大（%1），按要求跳过了：这条语句里的行没有读到")
            .arg(text(entry.error));
    }
    return text(entry.error);
}

QString details(const FailureLog& log, std::size_t limit)
{
    QString shown = text(log.details(
        limit, [](std::string_view id) { return label(id).toStdString(); },
        [](const FailureLog::Entry& entry) { return reason(entry).toStdString(); }));
    if (log.entries().size() > limit)
        shown += QStringLiteral("…另有 %1 条失败记录\n").arg(log.entries().size() - limit);
    return shown;
}

} // namespace kestrel::texts
