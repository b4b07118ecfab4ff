#include "CommandLine.h"
#include "Version.h"

#include "HelpText.h"
#include "Output.h"
#include "SessionSecurity.h"

#include <QCommandLineParser>

namespace kestrel {

namespace {

const QString description =
    QStringLiteral("把 emlog 博客的数据库转换进 WordPress 数据库：与 Kestrel 窗口做同样的转换，给终端和脚本用。\n"
                   "\n"
                   "密码不从命令行读（本机每个用户都能在 ps 里看到参数），依次来自：\n"
                   "  --emlog-password-file / --wp-password-file 所指文件的第一行，\n"
                   "  环境变量 KESTREL_EMLOG_PASSWORD / KESTREL_WP_PASSWORD，\n"
                   "  在终端上时的提示（输入不显示）；都没有时为空密码。\n"
                   "\n"
                   "退出状态：0 每一行都已到达或本来就在；1 有行失败（报告列出，--verify 时为有不同）；\n"
                   "2 用法错误或连不上服务器；130 被 Ctrl-C 中断。");

struct BlogOptions
{
    QCommandLineOption server, user, database, prefix, passwordFile, ca, fingerprint;
};

BlogOptions blogOptions(const QString& name, const QString& blog, const ConnectionFields& fields,
                        const std::string& prefix)
{
    auto option = [&](const QString& what, const QString& text, const QString& valueName, const std::string& value) {
        QString description = text.arg(blog);
        if (!value.empty())
            description += QStringLiteral("默认：%1").arg(QString::fromStdString(value));
        return QCommandLineOption(name + QLatin1Char('-') + what, description, valueName,
                                  QString::fromStdString(value));
    };
    return {
        option(QStringLiteral("server"), QStringLiteral("%1 的数据库服务器，可带端口。"), QStringLiteral("HOST[:PORT]"),
               fields.server),
        option(QStringLiteral("user"), QStringLiteral("%1 数据库的用户名。"), QStringLiteral("USER"), fields.user),
        option(QStringLiteral("database"), QStringLiteral("%1 的数据库名。"), QStringLiteral("NAME"), fields.database),
        option(QStringLiteral("prefix"), QStringLiteral("%1 的表前缀。"), QStringLiteral("PREFIX"), prefix),
        QCommandLineOption(name + QStringLiteral("-password-file"),
                           QStringLiteral("从这个文件的第一行读 %1 数据库的密码。").arg(blog), QStringLiteral("FILE")),
        QCommandLineOption(name + QStringLiteral("-ca"),
                           QStringLiteral("用这个 CA 证书文件验证 %1 数据库服务器的证书和主机名，验证不过就不连接。"
                                          "不给时，不在本机的服务器要出示本机信任的 CA 签发的证书。")
                               .arg(blog),
                           QStringLiteral("FILE")),
        QCommandLineOption(name + QStringLiteral("-tls-fingerprint"),
                           QStringLiteral("只接受 SHA-256 指纹是这个的 %1 数据库服务器证书（如自签名证书），"
                                          "即 openssl x509 -noout -fingerprint -sha256 所示。")
                               .arg(blog),
                           QStringLiteral("SHA256")),
    };
}

QList<QCommandLineOption> listOf(const BlogOptions& options)
{
    return {options.server,       options.user, options.database,   options.prefix,
            options.passwordFile, options.ca,   options.fingerprint};
}

// Fills one blog's fields; false when its prefix could not be used in a statement.
bool readBlogOptions(const QCommandLineParser& parser, const BlogOptions& options, ConnectionFields& fields,
                     std::string& prefix, QString& passwordFile, QString& error)
{
    fields.server = parser.value(options.server).toStdString();
    fields.user = parser.value(options.user).toStdString();
    fields.database = parser.value(options.database).toStdString();
    fields.caFile = parser.value(options.ca).toStdString();
    fields.tlsFingerprint = parser.value(options.fingerprint).toStdString();
    if (!fields.tlsFingerprint.empty() && !isFingerprint(fields.tlsFingerprint)) {
        error = QStringLiteral("--%1 要的是 SHA-256 指纹（64 个十六进制数字，可用冒号分隔）：%2")
                    .arg(options.fingerprint.names().first(), parser.value(options.fingerprint));
        return false;
    }
    const QString prefixText = parser.value(options.prefix);
    prefix = prefixText.toStdString();
    passwordFile = parser.value(options.passwordFile);
    if (!isValidTablePrefix(prefixText)) {
        error =
            QStringLiteral("--%1 只能由字母、数字、“_”和“$”组成：%2").arg(options.prefix.names().first(), prefixText);
        return false;
    }
    return true;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const BlogOptions emlog =
        blogOptions(QStringLiteral("emlog"), QStringLiteral("emlog"), line.settings.emlog, line.settings.emlogPrefix);
    const BlogOptions wordPress = blogOptions(QStringLiteral("wp"), QStringLiteral("WordPress"),
                                              line.settings.wordPress, line.settings.wordPressPrefix);
    const QCommandLineOption emptyFirst(
        QStringLiteral("empty-first"),
        QStringLiteral("先清空 WordPress 的文章、评论、分类、标签和链接（同窗口的“先清空wp数据库”）。"));
    const QCommandLineOption keepZone(
        QStringLiteral("keep-wordpress-timezone"),
        QStringLiteral("保留 WordPress 的时区，时间按它写入（默认：WordPress 改用 emlog 的时区）。"));
    const QCommandLineOption keepSettings(
        QStringLiteral("keep-wordpress-settings"),
        QStringLiteral("保留 WordPress 的站点名称、副标题、阅读和讨论设置、网站图标和标志（默认：改用 emlog 的，"
                       "报告列出每一项改动和原来的值）。"));
    const QCommandLineOption pacing(
        QStringLiteral("pacing"),
        QStringLiteral("default：与窗口一样每行稍作停顿，不压垮小服务器；none：不停顿。默认：default"),
        QStringLiteral("default|none"), QStringLiteral("default"));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("只连接两边、什么都不写，列出一次转换会遇到的情况。"));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("不在终端上时，确认 --empty-first。"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("把报告另外以 JSON 写进这个文件。"),
                                  QStringLiteral("FILE"));
    const QCommandLineOption allowUnencrypted(
        QStringLiteral("allow-unencrypted"),
        QStringLiteral("不在本机的服务器不支持 TLS 时也连接，以明文传送（密码仍不以明文发送）。默认拒绝。"));
    const QCommandLineOption backupDir(
        QStringLiteral("backup-dir"),
        QStringLiteral("--empty-first 删除前把要删除的行备份到这个文件夹（默认：用户的数据文件夹）。"),
        QStringLiteral("DIR"));

    const QCommandLineOption emlogFiles(
        QStringLiteral("emlog-files"),
        QStringLiteral(
            "emlog 的文件：本机的博客根目录（或其 content/uploadfile），或一个 http(s) 地址。"
            "只给 --wp-uploads 时，从博客的地址（blogurl）下载。与 --wp-url 同用时，经插件放进网站的上传文件夹。"),
        QStringLiteral("PATH|URL"));
    const QCommandLineOption wpUploads(
        QStringLiteral("wp-uploads"),
        QStringLiteral("把文件复制进 WordPress 的上传文件夹（本机路径），放在其中的 emlog/ 下。不给时只复制数据库的行。"
                       "不与 --wp-url 同用。"),
        QStringLiteral("PATH"));
    const QCommandLineOption backup(
        QStringLiteral("emlog-backup"),
        QStringLiteral("不连 emlog 的数据库，从这个备份文件读博客：emlog 后台“数据备份”的 .sql 或 .zip、"
                       "phpMyAdmin 的导出或 mariadb-dump/mysqldump 的输出，也可以是 .gz。"
                       "表前缀取自文件头，没有时用 --emlog-prefix。"),
        QStringLiteral("FILE"));
    const QCommandLineOption acceptTruncated(
        QStringLiteral("accept-truncated-backup"),
        QStringLiteral("备份文件不完整（没下载完、被截断）时也读入已有的部分；报告列出缺了什么。"));
    const QCommandLineOption wpUrl(
        QStringLiteral("wp-url"),
        QStringLiteral("不连 WordPress 的数据库，经这个网址上的 Kestrel Receiver 插件写入（数据库只许本机连接时）。"
                       "--wp-user 是管理员，密码是他的应用程序密码；表前缀取自网站，不用 --wp-server、--wp-database、"
                       "--wp-prefix。"),
        QStringLiteral("https://..."));
    const QCommandLineOption verify(
        QStringLiteral("verify"),
        QStringLiteral("不转换，只核对：读 emlog、WordPress 和它的网站，逐篇检查转换过去的文章、评论、文件和旧地址"
                       "是否都在、读者看到的是否与 emlog 一样。什么都不写。有 --emlog-files 时也比对文件的内容。"
                       "退出状态：0 没有不同，1 有不同，2 用法错误或连不上。"));
    const QCommandLineOption wpSite(
        QStringLiteral("wp-site"),
        QStringLiteral("--verify 访问的 WordPress 网站地址（默认：WordPress 的 home 地址）。"), QStringLiteral("URL"));
    const QCommandLineOption html(QStringLiteral("html"),
                                  QStringLiteral("--verify 把核对报告另外写成一个可离线打开的网页。"),
                                  QStringLiteral("FILE"));
    const QList<QCommandLineOption> options =
        listOf(emlog) + listOf(wordPress) +
        QList<QCommandLineOption>{emptyFirst, keepZone, keepSettings,     pacing,    check,
                                  yes,        json,     allowUnencrypted, backupDir, emlogFiles,
                                  wpUploads,  backup,   acceptTruncated,  wpUrl,     verify,
                                  wpSite,     html};
    parser.addOptions(options);

    auto fail = [&line](const QString& error) {
        line.outcome = CommandLine::Outcome::UsageError;
        line.error = error;
        return line;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    // Qt's --help-all would add Qt's own options, which kestrel-cli does not take: the same help.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        const QList<QCommandLineOption> shown = {QCommandLineOption(help.names(), QStringLiteral("显示这份帮助。")),
                                                 QCommandLineOption(version.names(), QStringLiteral("显示版本。"))};
        output::toStdout(helpText(description, shown + options));
        line.outcome = CommandLine::Outcome::Answered;
        return line;
    }
    if (parser.isSet(version)) {
        output::toStdout(QStringLiteral("kestrel-cli %1\n").arg(QStringLiteral(KESTREL_VERSION)));
        line.outcome = CommandLine::Outcome::Answered;
        return line;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("多余的参数：%1").arg(parser.positionalArguments().join(QLatin1Char(' '))));

    QString error;
    if (!readBlogOptions(parser, emlog, line.settings.emlog, line.settings.emlogPrefix, line.emlogPasswordFile,
                         error) ||
        !readBlogOptions(parser, wordPress, line.settings.wordPress, line.settings.wordPressPrefix,
                         line.wordPressPasswordFile, error))
        return fail(error);
    if (parser.isSet(wpUrl)) {
        for (const QCommandLineOption* server : {&wordPress.server, &wordPress.database, &wordPress.prefix}) {
            if (parser.isSet(*server))
                return fail(QStringLiteral("--wp-url 经网站的插件写入，不能与 --%1 同用：数据库和表前缀是网站自己的。")
                                .arg(server->names().first()));
        }
        line.settings.wordPressAddress = parser.value(wpUrl).toStdString();
        if (line.settings.wordPressAddress.empty())
            return fail(QStringLiteral("--wp-url 要给出 WordPress 网站的地址，如 https://example.com/。"));
    }
    const QString pace = parser.value(pacing);
    if (pace != QStringLiteral("default") && pace != QStringLiteral("none"))
        return fail(QStringLiteral("--pacing 只能是 default 或 none：%1").arg(pace));
    line.noPacing = pace == QStringLiteral("none");
    line.settings.emptyWordPressFirst = parser.isSet(emptyFirst);
    line.settings.keepWordPressTimeZone = parser.isSet(keepZone);
    line.settings.keepWordPressSettings = parser.isSet(keepSettings);
    line.settings.emlog.allowUnencrypted = line.settings.wordPress.allowUnencrypted = parser.isSet(allowUnencrypted);
    line.check = parser.isSet(check);
    line.verify = parser.isSet(verify);
    line.site = parser.value(wpSite).toStdString();
    line.htmlFile = parser.value(html);
    if (!line.verify) {
        for (const QCommandLineOption* only : {&wpSite, &html}) {
            if (parser.isSet(*only))
                return fail(QStringLiteral("--%1 只用于 --verify。").arg(only->names().first()));
        }
    }
    if (line.verify && (line.check || parser.isSet(emptyFirst) || parser.isSet(wpUploads)))
        return fail(
            QStringLiteral("--verify 只核对、什么都不写，不能与 --check、--empty-first 或 --wp-uploads 同用。"));
    line.yes = parser.isSet(yes);
    line.jsonFile = parser.value(json);
    line.settings.emlogBackup = parser.value(backup).toStdString();
    line.settings.acceptTruncatedBackup = parser.isSet(acceptTruncated);
    if (parser.isSet(backupDir))
        line.settings.backupDir = parser.value(backupDir).toStdString();
    line.settings.files.source = parser.value(emlogFiles).toStdString();
    line.settings.files.uploadsFolder = parser.value(wpUploads).toStdString();
    // Through the plugin (--wp-url) the files go into the site's own uploads folder.
    if (parser.isSet(emlogFiles) && !parser.isSet(wpUploads) && !parser.isSet(wpUrl) && !line.verify)
        return fail(QStringLiteral(
            "--emlog-files 要与 --wp-uploads（或 --wp-url）同用：文件要复制到 WordPress 的上传文件夹。"));
    if (line.check && parser.isSet(json))
        return fail(QStringLiteral("--json 写的是转换的报告，不能与 --check 同用。"));
    return line;
}

} // namespace kestrel
