#pragma once

#include "FileSettings.h"

#include <QDialog>

class QLineEdit;

namespace kestrel {

// The two inputs for the blog's files, behind a small button of the window: where emlog's files
// are (a folder or an http(s) address) and WordPress's uploads folder. Both empty: rows only.
class FilesDialog : public QDialog
{
    Q_OBJECT

public:
    FilesDialog(const FileSettings& settings, QWidget* parent);

    // The settings as typed, the others kept.
    FileSettings settings() const;

private:
    void browse(QLineEdit* edit, const QString& caption);

    FileSettings m_settings;
    QLineEdit* m_source = nullptr;
    QLineEdit* m_uploads = nullptr;
};

} // namespace kestrel
