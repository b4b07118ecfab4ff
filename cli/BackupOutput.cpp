#include "BackupOutput.h"

#include "BackupFile.h"
#include "RunTexts.h"

namespace kestrel {

QString backupText(const BackupFile& backup)
{
    QString lines = QStringLiteral("emlog 备份文件：%1（%2，表前缀 “%3”）\n")
                        .arg(QString::fromStdString(backup.path()),
                             backup.headerVersion().empty()
                                 ? QStringLiteral("没有 emlog 的文件头")
                                 : QStringLiteral("文件头 ") + QString::fromStdString(backup.headerVersion()),
                             QString::fromStdString(backup.prefix()));
    if (backup.cut().cut)
        lines +=
            QStringLiteral("备份文件不完整（%1），按要求只读入了已有的部分。\n").arg(texts::backupCut(backup.cut()));
    for (const PassedOver& statement : backup.passedOver())
        lines += QStringLiteral("表 %1：%2，按要求跳过了，其中的行不会转换。\n")
                     .arg(QString::fromStdString(statement.table), texts::passedOverStatement(statement));
    return lines;
}

} // namespace kestrel
