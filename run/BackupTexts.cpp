#include "BackupTexts.h"

#include "Utf8Text.h"

#include <QStringList>

// The words for what the backup reader found: where a file stops, why it cannot be read, and what a
// file read anyway left out.
namespace kestrel::texts {

namespace {

QString where(const TextPosition& at)
{
    return QStringLiteral("第 %1 行第 %2 列").arg(at.line).arg(at.column);
}

// "67108864 字节（64 MiB）"
QString bytesText(std::uint64_t bytes)
{
    const QString exact = QStringLiteral("%1 字节").arg(bytes);
    if (bytes < (1u << 20))
        return exact;
    return exact + QStringLiteral("（%1 MiB）")
                       .arg(static_cast<double>(bytes) / (1u << 20), 0, 'f', bytes % (1u << 20) ? 1 : 0);
}

// The largest statement a file's rows may come in, and why.
QString statementLimit(std::uint64_t largest)
{
    return QStringLiteral("一条语句的上限 %1（WordPress 服务器的 max_allowed_packet，更大的行写不进去；"
                          "没有 WordPress 服务器时为 256 MiB）")
        .arg(bytesText(largest));
}

// What went wrong, without where.
QString backupWhat(const BackupProblem& problem)
{
    using What = BackupProblem::What;
    const QString path = text(problem.path);
    const QString detail = text(problem.detail);
    const QString quoted = text(problem.text);
    const QString table = text(problem.table);
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
    case What::ExpandsTooFar: {
        const QString in = table.isEmpty() ? QString() : QStringLiteral("表 %1 的语句里，").arg(table);
        const QString expands = QStringLiteral("%1%2的压缩数据展开成了 %3，超过 SQL 文本能有的 200 倍，这不是备份文件"
                                               "（也许是“压缩炸弹”）。什么都没有写")
                                    .arg(in, bytesText(problem.expected), bytesText(problem.count));
        // A zip says what its entry expands to before it is read: that is not a place in the text.
        return problem.placed ? expands : path + QStringLiteral("：") + expands;
    }
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
    case What::DelimiterTooLong:
        return QStringLiteral("DELIMITER 后面的分隔符太长，最多 15 个字节");
    case What::StatementTooLarge:
        if (table.isEmpty())
            return QStringLiteral("这条语句超过了%1，读到这里就停下了，也看不出它是什么语句。什么都没有写")
                .arg(statementLimit(problem.count));
        return QStringLiteral("表 %1 的这条语句超过了%2，读到这里就停下了。什么都没有写。要跳过这条语句、"
                              "读入其余的部分，请用 kestrel-cli 的 --accept-truncated-backup")
            .arg(table, statementLimit(problem.count));
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
                               : QStringLiteral("（%1=%2）").arg(text(problem.idColumn), text(problem.idValue));
        return QStringLiteral("表 %1 的第 %2 行%3，列 %4 的第 %5 个字节起不是有效的 UTF-8 文字。请先把这个值改成 "
                              "UTF-8 再读。")
            .arg(table)
            .arg(problem.row)
            .arg(id, text(problem.column))
            .arg(problem.byte);
    }
    case What::NoTables: {
        QString message = QStringLiteral("%1 里没有表前缀为“%2”的 emlog 表").arg(path, text(problem.prefix));
        const std::string& other = problem.otherTable;
        if (!other.empty())
            message += QStringLiteral("；文件里有 %1，表前缀也许是“%2”")
                           .arg(text(other), text(other.substr(0, other.size() - 4)));
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
        return QStringLiteral("%1 %2：%3").arg(text(problem.path), where(problem.at), backupWhat(problem));
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

QString passedOverStatement(const PassedOver& statement)
{
    return QStringLiteral("%1起的语句有 %2，超过了%3")
        .arg(where(statement.at), bytesText(statement.bytes), statementLimit(statement.largest));
}

QString truncatedBackupQuestion(const QString& path, const BackupCut& cut, const std::vector<PassedOver>& passedOver)
{
    QStringList found;
    if (cut.cut)
        found << QStringLiteral("emlog 备份文件 %1 不完整：%2，也许没有下载完。").arg(path, backupCut(cut));
    if (!passedOver.empty()) {
        const PassedOver& first = passedOver.front();
        found << QStringLiteral("emlog 备份文件 %1 里有 %2 条语句太大，读不进来，其中的行会缺少：例如表 %3 %4。")
                     .arg(path)
                     .arg(passedOver.size())
                     .arg(text(first.table), passedOverStatement(first));
    }
    return found.join(QLatin1Char('\n')) +
           QStringLiteral("\n\n要只读入其余的部分吗？缺少的行会在结果里列出。选“否”则什么都不写。");
}

QString refusedValue(const RefusedValue& refused)
{
    const QString past = refused.problem == SerializedProblem::TooDeep
                             ? QStringLiteral("嵌套超过了 %1 层").arg(deepestSerialized)
                             : QStringLiteral("有超过 %1 个值").arg(mostSerializedValues);
    return QStringLiteral("emlog 的表 %1 里 option_name 为 %2 的值（PHP 序列化）%3，不像是 emlog 写的，读不下去。"
                          "什么都没有写。请先在 emlog 里改正或删掉这项设置。")
        .arg(text(refused.table), text(refused.name), past);
}

QString backupUnreadable()
{
    return QStringLiteral("emlog备份文件读取失败.");
}

} // namespace kestrel::texts
