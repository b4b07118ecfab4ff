#include "FilesDialog.h"
#include "Utf8Text.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrel {

FilesDialog::FilesDialog(const FileSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("FilesDialog"));
    setWindowTitle(QStringLiteral("博客的文件"));
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(
        QStringLiteral("把 emlog 的附件和文章里的图片复制进 WordPress 的媒体库。两项都空着时只复制数据库的行。\n"
                       "emlog 的文件：博客根目录（或其 content/uploadfile），或 http(s) 地址；"
                       "空着时从博客的地址下载。"),
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    auto* form = new QFormLayout;
    auto row = [this, form](const QString& name, const QString& caption, const std::string& text,
                            const QString& browseCaption) {
        auto* edit = new QLineEdit(kestrel::text(text), this);
        edit->setObjectName(name);
        edit->setMinimumWidth(320);
        auto* browseButton = new QPushButton(QStringLiteral("浏览…"), this);
        connect(browseButton, &QPushButton::clicked, this,
                [this, edit, browseCaption] { browse(edit, browseCaption); });
        auto* line = new QHBoxLayout;
        line->addWidget(edit);
        line->addWidget(browseButton);
        form->addRow(caption, line);
        return edit;
    };
    m_source = row(QStringLiteral("txt_文件_emlog"), QStringLiteral("emlog 的文件："), settings.source,
                   QStringLiteral("emlog 博客的根目录"));
    m_uploads = row(QStringLiteral("txt_上传_Wp"), QStringLiteral("WordPress 上传文件夹："), settings.uploadsFolder,
                    QStringLiteral("WordPress 的上传文件夹（wp-content/uploads）"));
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("按钮_文件"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void FilesDialog::browse(QLineEdit* edit, const QString& caption)
{
    const QString folder = QFileDialog::getExistingDirectory(this, caption, edit->text());
    if (!folder.isEmpty())
        edit->setText(folder);
}

FileSettings FilesDialog::settings() const
{
    FileSettings settings = m_settings;
    settings.source = m_source->text().trimmed().toStdString();
    settings.uploadsFolder = m_uploads->text().trimmed().toStdString();
    return settings;
}

} // namespace kestrel
