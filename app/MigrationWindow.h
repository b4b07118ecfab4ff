#pragma once

#include "RunSettings.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace kestrel {

class BackupChooser;
class MigrationRunner;

// The program's one window: the connection fields of both blogs, the option to
// empty WordPress first, the Go button, a progress bar and a status line.
class MigrationWindow : public QWidget
{
    Q_OBJECT

public:
    static const QString authorAddress;

    explicit MigrationWindow(QWidget* parent = nullptr);
    ~MigrationWindow() override;

    MigrationRunner* runner() const { return m_runner; }

public slots:
    void startRun();
    void openAuthorPage();
    void setStatusText(const QString& text);
    void setProgress(int percent);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* addField(QWidget* group, const QString& labelName, const QString& caption, int labelTop, QSize labelSize,
                        const QString& editName, const QString& text, int editTop);
    void buildBlogGroup(QWidget* group, const QString& suffix, const QStringList& labelNames,
                        const QStringList& initialTexts);
    QString fieldText(const QString& name) const;
    bool checkPrefixes();
    void finishRun();

    MigrationRunner* m_runner = nullptr;
    BackupChooser* m_backup = nullptr;
    QCheckBox* m_emptyFirst = nullptr;
    QPushButton* m_go = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace kestrel
