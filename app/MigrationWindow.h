#pragma once

#include "RunSettings.h"

#include <QWidget>

#include <functional>

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
class VerifyRunner;
struct Verification;

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
    VerifyRunner* verifier() const { return m_verifier; }
    // How the report page of a verification is opened: the desktop's browser, or a test's record.
    void setPageOpener(std::function<void(const QString& path)> opener) { m_openPage = std::move(opener); }
    // The blog's files for the next run, as the files dialog last took them.
    const FileSettings& fileSettings() const { return m_files; }

public slots:
    void startRun();
    // Checks through WordPress and its site what a run with the window's fields copied: 核对.
    void startVerification();
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
    // The run's settings from the window's fields and dialogs.
    RunSettings settingsFromFields();
    void finishRun();
    void showVerification(const Verification& verification);

    // How long a closing window lets the statement in flight finish before breaking it off.
    static constexpr int breakOffAfterMs = 1000;

    MigrationRunner* m_runner = nullptr;
    VerifyRunner* m_verifier = nullptr;
    QPushButton* m_verify = nullptr;
    bool m_reported = false;    // the run that just ended completed, and may be verified
    bool m_verifyOnEnd = false; // 核对 was asked for before the run's thread had ended
    std::function<void(const QString&)> m_openPage;
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
