#include "BackupTexts.h"

#include "Utf8Text.h"

namespace kestrel::texts {

QString truncatedBackupQuestion(const QString& path, const QString& cut)
{
    return QStringLiteral("emlog 备份文件 %1 不完整：%2，也许没有下载完。\n\n"
                          "要只读入已有的部分吗？缺少的行会在结果里列出。选“否”则什么都不写。")
        .arg(path, cut);
}

namespace {

QString where(const TextPosition& at)
{
    return QStringLiteral("第 %1 行第 %2 列").arg(at.line).arg(at.column);
}

// What went wrong, without where.
QString backupWhat(const BackupProblem& problem)
{
    using What = BackupProblem::What;
    const QString path = utf8Text(problem.path);
    const QString detail = utf8Text(problem.detail);
    const QString quoted = utf8Text(problem.text);
    const QString table = utf8Text(problem.table);
    switch (problem.what) {
    case What::None:
        return {};
    case What::CannotOpen:
        return QStringLiteral("打不开文件 %1").arg(path);
    case What::ZipUnreadable:
        return QStringLiteral("读不了 zip 文件 %1：%2").arg(path, detail);
    case What::ZipSqlCount:
        return QStringLiteral("zip 文件 %1 里应当正好有一个 .sql 文件，却有 %2 个").arg(path).arg(problem.count);
    case What::ZipSqlUnreadable:
        return QStringLiteral("读不了 zip 文件里的 .sql：%1").arg(detail);
    case What::ZipReadFailed:
        return QStringLiteral("zip 里的 .sql 读不下去：%1").arg(detail);
    case What::GzipCorrupt:
        return QStringLiteral("gzip 数据损坏：%1").arg(detail);
    case What::QuoteNotClosed:
        return QStringLiteral("引号 %1 没有闭合").arg(quoted);
    case What::QuoteNotClosedOnLine:
        return QStringLiteral("引号 %1 没有在这一行里闭合").arg(quoted);
    case What::NotHexDigit:
        return QStringLiteral("十六进制值里有不是十六进制数字的字符");
    case What::OddHexDigits:
        return QStringLiteral("X'' 里的十六进制数字应当成对");
    case What::LetterAfterNumber:
        return QStringLiteral("数字后面紧跟着字母");
    case What::Expected:
        // A symbol between quotation marks; words as they are.
        return quoted.size() == 1 ? QStringLiteral("这里应当是 “%1”").arg(quoted)
                                  : QStringLiteral("这里应当是 %1").arg(quoted);
    case What::ExpectedName:
        return QStringLiteral("这里应当是一个名字");
    case What::ExpectedDigitAfterSign:
        return QStringLiteral("符号后面应当是数字");
    case What::ExpectedValue:
        return QStringLiteral("这里应当是一个值：带引号的文字、数字或 NULL");
    case What::CreateTableWithoutColumns:
        return QStringLiteral("CREATE TABLE 里没有列");
    case What::RowValueCount:
        return QStringLiteral("这一行有 %1 个值，列却有 %2 个").arg(problem.count).arg(problem.expected);
    case What::TextAfterValues:
        return QStringLiteral("值的后面多出了文字");
    case What::DelimiterQuoted:
        return QStringLiteral("DELIMITER 后面应当是一个不带引号的分隔符");
    case What::UnknownStatement:
        return QStringLiteral("读不懂这条语句：%1").arg(quoted);
    case What::InsertWithoutColumns:
        return QStringLiteral("表 %1 的 INSERT 没有列出列名，文件里也没有它的 CREATE TABLE").arg(table);
    case What::TableValueCount:
        return QStringLiteral("表 %1 的第 %2 行有 %3 个值，表却有 %4 列")
            .arg(table)
            .arg(problem.row)
            .arg(problem.count)
            .arg(problem.expected);
    case What::NotUtf8: {
        const QString id = problem.idColumn.empty()
                               ? QString()
                               : QStringLiteral("（%1=%2）").arg(utf8Text(problem.idColumn), utf8Text(problem.idValue));
        return QStringLiteral("表 %1 的第 %2 行%3，列 %4 的第 %5 个字节起不是有效的 UTF-8 文字。请先把这个值改成 "
                              "UTF-8 再读。")
            .arg(table)
            .arg(problem.row)
            .arg(id, utf8Text(problem.column))
            .arg(problem.byte);
    }
    case What::NoTables: {
        QString message = QStringLiteral("%1 里没有表前缀为“%2”的 emlog 表").arg(path, utf8Text(problem.prefix));
        const std::string& other = problem.otherTable;
        if (!other.empty())
            message += QStringLiteral("；文件里有 %1，表前缀也许是“%2”")
                           .arg(utf8Text(other), utf8Text(other.substr(0, other.size() - 4)));
        return message;
    }
    case What::Stopped:
        return QStringLiteral("%1 没有读完：已停止").arg(path);
    case What::Truncated:
        return QStringLiteral("%1 不完整：%2，备份也许没有下载完。什么都没有写。要读入已有的部分，请用 kestrel-cli 的 "
                              "--accept-truncated-backup。")
            .arg(path, backupCut(problem.cut));
    case What::Moved:
        return QStringLiteral("%1 读不到原来的位置，文件变了吗？").arg(path);
    case What::RowCountChanged:
        return QStringLiteral("%1 的表 %2 第二次读到 %3 行，第一次却有 %4 行：文件变了吗？")
            .arg(path, table)
            .arg(problem.count)
            .arg(problem.expected);
    }
    return {};
}

} // namespace

QString backupProblem(const BackupProblem& problem)
{
    if (problem.placed)
        return QStringLiteral("%1 %2：%3").arg(utf8Text(problem.path), where(problem.at), backupWhat(problem));
    return backupWhat(problem);
}

QString backupCut(const BackupCut& cut)
{
    switch (cut.how) {
    case BackupCut::How::InAStatement:
        return where(cut.at) + QStringLiteral("的语句没有写完");
    case BackupCut::How::NoEndOfBackup:
        return QStringLiteral("文件末尾没有“#the end of backup”");
    case BackupCut::How::NoDumpCompleted:
        return QStringLiteral("文件末尾没有“-- Dump completed”");
    }
    return {};
}

QString backupUnreadable()
{
    return QStringLiteral("emlog备份文件读取失败.");
}

} // namespace kestrel::texts
