#include "SiteChooser.h"

#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

namespace kestrel {

namespace {

std::optional<QString>& nextAnswer()
{
    static std::optional<QString> answer;
    return answer;
}

const QStringList restingFields = {QStringLiteral("txt_数据库_Wp"), QStringLiteral("txt_前缀_Wp")};
const QString databaseTip = QStringLiteral("不连数据库，经网站上的 Kestrel Receiver 插件写入（数据库只许本机连接时）");

} // namespace

void SiteChooser::setNextAnswer(const QString& address)
{
    nextAnswer() = address;
}

SiteChooser::SiteChooser(QGroupBox* wordPressGroup)
    : QObject(wordPressGroup), m_group(wordPressGroup),
      m_server(wordPressGroup->findChild<QLineEdit*>(QStringLiteral("txt_服务器_Wp")))
{
    // In the title row, left of 文件…, where the fields' layout has room to spare.
    m_button = new QPushButton(QStringLiteral("网站…"), wordPressGroup);
    m_button->setObjectName(QStringLiteral("btnSite_Wp"));
    m_button->setGeometry(132, 0, 48, 16);
    m_button->setAutoDefault(false);
    m_button->setToolTip(databaseTip);
    connect(m_button, &QPushButton::clicked, this, &SiteChooser::toggle);
}

void SiteChooser::toggle()
{
    if (!m_address.isEmpty()) {
        choose({});
        return;
    }
    QString address;
    if (nextAnswer()) {
        address = *nextAnswer();
        nextAnswer().reset();
    } else {
        address = QInputDialog::getText(m_group->window(), QStringLiteral("WordPress 网站"),
                                        QStringLiteral("网站的地址（先在它的后台“工具 → Kestrel”打开接收）："),
                                        QLineEdit::Normal, QStringLiteral("https://"));
    }
    address = address.trimmed();
    if (!address.isEmpty() && address != QStringLiteral("https://"))
        choose(address);
}

void SiteChooser::choose(const QString& address)
{
    if (m_address.isEmpty())
        m_serverText = m_server->text();
    m_address = address;
    const bool site = !address.isEmpty();
    m_server->setText(site ? address : m_serverText);
    m_server->setToolTip(site ? QStringLiteral("经这个网站的 Kestrel Receiver 插件写入") : QString());
    m_server->setReadOnly(site);
    for (const QString& name : restingFields) {
        if (auto* edit = m_group->findChild<QLineEdit*>(name))
            edit->setEnabled(!site);
    }
    if (auto* user = m_group->findChild<QLineEdit*>(QStringLiteral("txt_用户名_Wp")))
        user->setToolTip(site ? QStringLiteral("网站管理员的用户名") : QString());
    if (auto* password = m_group->findChild<QLineEdit*>(QStringLiteral("txt_密码_Wp")))
        password->setToolTip(site ? QStringLiteral("管理员的应用程序密码（后台“用户 → 个人资料”里新建），不是登录密码")
                                  : QString());
    m_button->setToolTip(site ? QStringLiteral("改回连 WordPress 的数据库") : databaseTip);
}

} // namespace kestrel
