#include "RunOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrel {

RunOptionsDialog::RunOptionsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("选项"));
    setWindowTitle(QStringLiteral("选项"));
    auto* layout = new QVBoxLayout(this);
    m_keepZone = new QCheckBox(QStringLiteral("保留WordPress的时区"), this);
    m_keepZone->setObjectName(QStringLiteral("选择框_保留时区"));
    layout->addWidget(m_keepZone);
    auto* note =
        new QLabel(QStringLiteral("不选时，WordPress改用emlog的时区，文章和评论的时间与emlog显示的一样。"), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    m_keepSettings = new QCheckBox(QStringLiteral("保留WordPress的设置"), this);
    m_keepSettings->setObjectName(QStringLiteral("选择框_保留设置"));
    layout->addWidget(m_keepSettings);
    auto* settingsNote =
        new QLabel(QStringLiteral("不选时，WordPress改用emlog的站点名称、副标题、每页文章数、评论和订阅的设置，"
                                  "以及模板的网站图标和标志。"),
                   this);
    settingsNote->setWordWrap(true);
    layout->addWidget(settingsNote);
    m_pacing = new QComboBox(this);
    m_pacing->setObjectName(QStringLiteral("下拉框_节奏"));
    m_pacing->addItem(QStringLiteral("默认：每行之后稍停，不压垮小型共享服务器"));
    m_pacing->addItem(QStringLiteral("无：全速转换"));
    auto* pacing = new QFormLayout;
    pacing->addRow(QStringLiteral("节奏："), m_pacing);
    layout->addLayout(pacing);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

bool RunOptionsDialog::keepWordPressTimeZone() const
{
    return m_keepZone->isChecked();
}

bool RunOptionsDialog::keepWordPressSettings() const
{
    return m_keepSettings->isChecked();
}

bool RunOptionsDialog::noPacing() const
{
    return m_pacing->currentIndex() == 1;
}

} // namespace kestrel
