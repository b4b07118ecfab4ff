#include "BackupChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

namespace kestrel {

namespace {

std::optional<QString>& nextChoice()
{
    static std::optional<QString> choice;
    return choice;
}

const QStringList otherFields = {QStringLiteral("txt_用户名_emlog"), QStringLiteral("txt_密码_emlog"),
                                 QStringLiteral("txt_数据库_emlog")};

} // namespace

void BackupChooser::setNextChoice(const QString& path)
{
    nextChoice() = path;
}

BackupChooser::BackupChooser(QGroupBox* emlogGroup)
    : QObject(emlogGroup), m_group(emlogGroup),
      m_server(emlogGroup->findChild<QLineEdit*>(QStringLiteral("txt_服务器_emlog")))
{
    // In the group's title row, where the fields' layout has room to spare.
    m_button = new QPushButton(QStringLiteral("备份…"), emlogGroup);
    m_button->setObjectName(QStringLiteral("btnBackup_emlog"));
    m_button->setGeometry(184, 0, 48, 16);
    m_button->setAutoDefault(false);
    m_button->setToolTip(QStringLiteral("不连数据库，从 emlog 的备份文件读（.sql、.zip、.gz）"));
    connect(m_button, &QPushButton::clicked, this, &BackupChooser::toggle);
}

void BackupChooser::toggle()
{
    if (!m_path.isEmpty()) {
        choose({});
        return;
    }
    QString path;
    if (nextChoice()) {
        path = *nextChoice();
        nextChoice().reset();
    } else {
        path = QFileDialog::getOpenFileName(m_group->window(), QStringLiteral("选择 emlog 的备份文件"), {},
                                            QStringLiteral("emlog 备份 (*.sql *.zip *.gz);;所有文件 (*)"));
    }
    if (!path.isEmpty())
        choose(path);
}

void BackupChooser::choose(const QString& path)
{
    if (m_path.isEmpty())
        m_serverText = m_server->text();
    m_path = path;
    const bool file = !path.isEmpty();
    m_server->setText(file ? QStringLiteral("备份：") + QFileInfo(path).fileName() : m_serverText);
    m_server->setToolTip(file ? path : QString());
    m_server->setReadOnly(file);
    for (const QString& name : otherFields) {
        if (auto* edit = m_group->findChild<QLineEdit*>(name))
            edit->setEnabled(!file);
    }
    m_button->setToolTip(file ? QStringLiteral("改回从 emlog 的数据库读")
                              : QStringLiteral("不连数据库，从 emlog 的备份文件读（.sql、.zip、.gz）"));
}

} // namespace kestrel
