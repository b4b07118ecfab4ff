#include "RunOptionsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
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
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

bool RunOptionsDialog::keepWordPressTimeZone() const
{
    return m_keepZone->isChecked();
}

} // namespace kestrel
