#include "VerifyTexts.h"

#include "RunTexts.h"
#include "Utf8Text.h"

namespace kestrel::texts {

namespace {

// The column of emlog's table that names a row of the kind: "gid" for articles.
QString idColumnOf(std::string_view kind)
{
    for (const KindInfo& info : kinds) {
        if (info.id == kind)
            return QString::fromLatin1(info.idColumn.data(), static_cast<qsizetype>(info.idColumn.size()));
    }
    return QStringLiteral("id");
}

} // namespace

QString verifiedLabel(std::string_view kind)
{
    return kind == addressesKind ? QStringLiteral("旧地址") : label(kind);
}

QString checkLabel(std::string_view check)
{
    static const std::pair<std::string_view, const char16_t*> labels[] = {
        {check::missing, u"不在 WordPress 中"},
        {check::status, u"状态"},
        {check::password, u"密码"},
        {check::title, u"标题"},
        {check::text, u"正文"},
        {check::address, u"地址打不开"},
        {check::shown, u"页面上没有显示"},
        {check::categories, u"分类"},
        {check::tags, u"标签"},
        {check::file, u"图片或文件打不开"},
        {check::bytes, u"文件内容与 emlog 的不同"},
        {check::link, u"博客内的链接"},
        {check::approved, u"审核状态"},
        {check::thread, u"回复关系"},
        {check::oldArticleAddress, u"文章的旧地址"},
        {check::oldCategoryAddress, u"分类的旧地址"},
        {check::plugin, u"跳转插件 Kestrel Redirects 没有启用，旧地址都打不开"},
        {check::setting, u"网站设置"},
    };
    for (const auto& [id, words] : labels) {
        if (id == check)
            return QString::fromUtf16(words);
    }
    return QString::fromLatin1(check.data(), static_cast<qsizetype>(check.size()));
}

QString verifyStatus(const VerifyProgress& progress)
{
    if (progress.total > 0)
        return QStringLiteral("正在核对%1：%2 / %3")
            .arg(verifiedLabel(progress.part))
            .arg(progress.done)
            .arg(progress.total);
    return QStringLiteral("正在核对%1：已核对 %2").arg(verifiedLabel(progress.part)).arg(progress.done);
}

QString findingRow(const Finding& finding)
{
    const QString kind = verifiedLabel(finding.kind);
    if (!finding.emlogId)
        return kind;
    const QString column = finding.kind != addressesKind                ? idColumnOf(finding.kind)
                           : finding.check == check::oldCategoryAddress ? QStringLiteral("sid")
                                                                        : QStringLiteral("gid");
    return QStringLiteral("%1 %2=%3").arg(kind, column).arg(*finding.emlogId);
}

QString findingLine(const Finding& finding)
{
    QString line = QStringLiteral("[%1] %2").arg(findingRow(finding), checkLabel(finding.check));
    if (finding.check != check::plugin && finding.check != check::missing) {
        line += QStringLiteral("：应为“%1”").arg(text(finding.expected));
        line +=
            finding.seen.empty() ? QStringLiteral("，没有看到") : QStringLiteral("，看到“%1”").arg(text(finding.seen));
    }
    if (!finding.address.empty())
        line += QStringLiteral("  ") + text(finding.address);
    return line;
}

QString verificationSummary(const Verification& verification)
{
    QStringList counts;
    for (const auto& [kind, count] : verification.verified)
        counts << QStringLiteral("%1 %2").arg(verifiedLabel(kind)).arg(count);
    QString summary =
        QStringLiteral("已核对：%1。").arg(counts.isEmpty() ? QStringLiteral("无") : counts.join(QStringLiteral("，")));
    if (verification.stopped)
        summary += QStringLiteral("\n核对没有做完就停止了。");
    summary += verification.findings.empty() ? QStringLiteral("\n没有发现不同：读者在新网站上看到的与 emlog 一样。")
                                             : QStringLiteral("\n发现 %1 处不同。").arg(verification.findings.size());
    return summary;
}

QString verificationText(const Verification& verification, std::size_t limit)
{
    QString report = verificationSummary(verification) + QLatin1Char('\n');
    std::size_t shown = 0;
    for (const Finding& finding : verification.findings) {
        if (shown++ == limit) {
            report += QStringLiteral("……还有 %1 处，见 --json 或 --html 的报告。\n")
                          .arg(verification.findings.size() - limit);
            break;
        }
        report += findingLine(finding) + QLatin1Char('\n');
    }
    return report;
}

QString verifyFailure(const VerifyFailure& failure)
{
    const QString why = failure.because ? reason(*failure.because) : text(failure.why);
    return QStringLiteral("核对没有完成：读不到 %1（%2）。").arg(text(failure.what), why);
}

} // namespace kestrel::texts
