#include "ConnectionSecurityDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrel {

ConnectionSecurityDialog::ConnectionSecurityDialog(bool allowUnencrypted, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("连接安全"));
    setWindowTitle(QStringLiteral("连接安全"));
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(
        QStringLiteral("不在本机的数据库服务器必须用 TLS 加密连接，并出示本机信任的 CA 签发的证书；\n"
                       "否则不连接，因为途中的任何人都能读到或冒充。本机的服务器（localhost、127.0.0.1、::1）\n"
                       "支持 TLS 就加密。无论哪种，密码都不会以明文发送。"),
        this);
    layout->addWidget(explanation);
    m_allowUnencrypted =
        new QCheckBox(QStringLiteral("允许不加密的连接（服务器不支持 TLS 时以明文传送文章和评论）"), this);
    m_allowUnencrypted->setObjectName(QStringLiteral("选择框_允许不加密"));
    m_allowUnencrypted->setChecked(allowUnencrypted);
    layout->addWidget(m_allowUnencrypted);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool ConnectionSecurityDialog::allowUnencrypted() const
{
    return m_allowUnencrypted->isChecked();
}

} // namespace kestrel
