#include "VerifyTexts.h"

namespace kestrel::texts {

namespace {

QString escaped(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toHtmlEscaped();
}

// A link to an address of the site or the old blog; only http(s) ones are links.
QString linkTo(const std::string& address)
{
    if (address.rfind("http://", 0) != 0 && address.rfind("https://", 0) != 0)
        return escaped(address);
    return QStringLiteral("<a href=\"%1\">%1</a>").arg(escaped(address));
}

const char* const style = R"(
body { font-family: "Noto Sans CJK SC", "Microsoft YaHei", sans-serif; margin: 2em; color: #222; }
h1 { font-size: 1.4em; }
.summary { background: #f4f6f8; border-radius: 6px; padding: 1em 1.2em; white-space: pre-line; }
.clean { color: #1a7f37; font-weight: bold; }
.found { color: #b42318; font-weight: bold; }
table { border-collapse: collapse; margin-top: 1.5em; width: 100%; font-size: 0.9em; }
th, td { border-bottom: 1px solid #ddd; padding: 0.4em 0.6em; text-align: left; vertical-align: top; }
th { background: #fafafa; }
td.value { font-family: monospace; word-break: break-all; max-width: 22em; }
td a { word-break: break-all; }
)";

} // namespace

QByteArray verificationPage(const Verification& verification)
{
    const QString site = QString::fromStdString(verification.site);
    QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
                                  "<title>Kestrel 核对报告</title><style>%1</style></head><body>\n")
                       .arg(QString::fromUtf8(style));
    page += site.isEmpty() ? QStringLiteral("<h1>Kestrel 核对报告</h1>\n")
                           : QStringLiteral("<h1>Kestrel 核对报告：%1</h1>\n").arg(site.toHtmlEscaped());
    page += QStringLiteral("<div class=\"summary\">%1</div>\n").arg(verificationSummary(verification).toHtmlEscaped());
    page += verification.findings.empty()
                ? QStringLiteral("<p class=\"clean\">每一行都在，读者看到的与 emlog 一样。</p>\n")
                : QStringLiteral("<p class=\"found\">%1 处不同：</p>\n").arg(verification.findings.size());
    if (!verification.findings.empty()) {
        page += QStringLiteral("<table><tr><th>行</th><th>核对</th><th>应为</th><th>看到</th><th>旧地址</th>"
                               "<th>新地址</th></tr>\n");
        for (const Finding& finding : verification.findings) {
            page += QStringLiteral("<tr><td>%1</td><td>%2</td><td class=\"value\">%3</td><td class=\"value\">%4</td>"
                                   "<td>%5</td><td>%6</td></tr>\n")
                        .arg(findingRow(finding).toHtmlEscaped(), checkLabel(finding.check).toHtmlEscaped(),
                             escaped(finding.expected), escaped(finding.seen), linkTo(finding.oldAddress),
                             linkTo(finding.address));
        }
        page += QStringLiteral("</table>\n");
    }
    page += QStringLiteral("</body></html>\n");
    return page.toUtf8();
}

} // namespace kestrel::texts
