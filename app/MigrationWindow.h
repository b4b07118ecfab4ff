#pragma once

#include "RunSettings.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kestrel {

class BackupChooser;
class SiteChooser;
class MigrationRunner;
class RunOptionsDialog;

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
    // The blog's files for the next run, as the files dialog last took them.
    const FileSettings& fileSettings() const { return m_files; }

public slots:
    void startRun();
    void openAuthorPage();
    void chooseConnectionSecurity();
    void setStatusText(const QString& text);
    void setProgress(int percent);
    void editFileSettings();

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

    // How long a closing window lets the statement in flight finish before breaking it off.
    static constexpr int breakOffAfterMs = 1000;

    MigrationRunner* m_runner = nullptr;
    BackupChooser* m_backup = nullptr;
    SiteChooser* m_site = nullptr;
    bool m_closing = false;
    QTimer* m_breakOff = nullptr;
    QString m_plannedSessions; // how the sessions of the run being started will travel
    QString m_siteAddress;     // where the blog the last run moved is read, until its message is shown
    QCheckBox* m_emptyFirst = nullptr;
    RunOptionsDialog* m_options = nullptr;
    bool m_allowUnencrypted = false;
    QPushButton* m_go = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_filesButton = nullptr;
    FileSettings m_files;
};

} // namespace kestrel
