#include "MigrationWindow.h"

#include "BackupChooser.h"
#include "ConnectionSecurityDialog.h"
#include "FilesDialog.h"
#include "MessageBox.h"
#include "MigrationRunner.h"
#include "RunOptionsDialog.h"
#include "RunTexts.h"
#include "SiteChooser.h"
#include "VerifyRunner.h"
#include "VerifyTexts.h"
#include "Version.h"
#include "WrappingCheckBox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <thread>
#include <utility>

namespace kestrel {

const QString MigrationWindow::authorAddress = QStringLiteral("https://kestrel.example.org");

namespace {

// The layout is drawn for a client area of this size: eight pixels of margin
// around the three group boxes.
constexpr QSize clientSize(505, 280);
const QString messageCaption = QStringLiteral("信息：");

QGroupBox* addGroup(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry)
{
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    group->setGeometry(geometry);
    return group;
}

QPushButton* addButton(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry,
                       bool enabled = true)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setEnabled(enabled);
    button->setAutoDefault(false);
    return button;
}

std::string utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

// Every character typed into a password box shows as "*", as the layout has it: narrow enough that a
// password as long as the sample server's shows whole in its box.
class StarredPasswords : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

MigrationWindow::MigrationWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_runner(new MigrationRunner(this)), m_verifier(new VerifyRunner(this)),
      m_openPage([](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); })
{
    setObjectName(QStringLiteral("MigrationWindow"));
    setWindowTitle(QStringLiteral("Kestrel" KESTREL_VERSION " |作者博客: ") + authorAddress);
    setFixedSize(clientSize);

    const RunSettings initial = RunSettings::initial();
    auto initialTexts = [](const ConnectionFields& fields, const std::string& prefix) {
        return QStringList{QString::fromStdString(fields.server), QString::fromStdString(fields.user),
                           QString::fromStdString(fields.password), QString::fromStdString(fields.database),
                           QString::fromStdString(prefix)};
    };
    auto* emlogGroup = addGroup(this, QStringLiteral("分组框1"), QStringLiteral("emlog博客信息"), {8, 8, 240, 176});
    buildBlogGroup(emlogGroup, QStringLiteral("emlog"),
                   {QStringLiteral("标签1"), QStringLiteral("标签2"), QStringLiteral("标签3"), QStringLiteral("标签4"),
                    QStringLiteral("标签5")},
                   initialTexts(initial.emlog, initial.emlogPrefix));
    m_backup = new BackupChooser(emlogGroup);
    auto* wordPressGroup =
        addGroup(this, QStringLiteral("分组框2"), QStringLiteral("WordPress博客信息"), {256, 8, 240, 176});
    buildBlogGroup(wordPressGroup, QStringLiteral("Wp"),
                   {QStringLiteral("标签10"), QStringLiteral("标签9"), QStringLiteral("标签8"), QStringLiteral("标签7"),
                    QStringLiteral("标签6")},
                   initialTexts(initial.wordPress, initial.wordPressPrefix));
    m_site = new SiteChooser(wordPressGroup);

    auto* runGroup = addGroup(this, QStringLiteral("分组框3"), QStringLiteral("操作"), {8, 189, 489, 83});
    // Its caption on two lines, as the layout drew it for a 12-pixel font whose ideographs are 11 pixels
    // of ink (SimSun's): 11 pixels here, whose ink fits two lines in the 24-pixel box.
    m_emptyFirst = new WrappingCheckBox(QStringLiteral("先清空wp数据库"), runGroup);
    m_emptyFirst->setObjectName(QStringLiteral("选择框_清空"));
    m_emptyFirst->setGeometry(16, 19, 72, 24);
    QFont layoutFont = m_emptyFirst->font();
    layoutFont.setPixelSize(11);
    m_emptyFirst->setFont(layoutFont);
    m_emptyFirst->setToolTip(
        QStringLiteral("先删除 WordPress 里的文章、页面、附件、评论、分类、标签和链接（删除前全部备份）"));
    m_go = addButton(runGroup, QStringLiteral("btnGo"), QStringLiteral("开始转换"), {91, 18, 88, 24});
    // Pause and finish are shown but a run offers neither: they stay disabled.
    addButton(runGroup, QStringLiteral("btnPause"), QStringLiteral("暂停转换"), {183, 18, 96, 24}, false);
    addButton(runGroup, QStringLiteral("btFinish"), QStringLiteral("结束转换"), {283, 18, 96, 24}, false);
    auto* about = addButton(runGroup, QStringLiteral("btnAbout"), QStringLiteral("作者博客"), {383, 18, 96, 24});
    // In the corner the status line leaves free, so that nothing else moves.
    auto* options = addButton(runGroup, QStringLiteral("btnOptions"), QStringLiteral("选项…"), {436, 63, 44, 17});
    m_options = new RunOptionsDialog(this);

    m_progress = new QProgressBar(runGroup);
    m_progress->setObjectName(QStringLiteral("进度条"));
    m_progress->setGeometry(8, 49, 471, 13);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);

    m_status = new QLabel(QStringLiteral("欢迎使用《Kestrel" KESTREL_VERSION "》。"), runGroup);
    m_status->setObjectName(QStringLiteral("标签_状态"));
    m_status->setGeometry(40, 63, 350, 16);
    // Beside 选项…, in the status line's right end: nothing else moves.
    m_verify = addButton(runGroup, QStringLiteral("btnVerify"), QStringLiteral("核对"), {392, 63, 42, 17});
    m_verify->setToolTip(QStringLiteral("核对：检查转换到 WordPress 的文章、评论、文件和旧地址是否都在，什么都不写"));
    connect(m_verify, &QPushButton::clicked, this, &MigrationWindow::startVerification);
    // In the status line's spare right end: the layout stays as it was drawn.
    auto* security = addButton(runGroup, QStringLiteral("btnSecurity"), QStringLiteral("安全"), {8, 63, 30, 17});
    security->setToolTip(QStringLiteral("连接安全：是否允许不加密的连接"));

    // The blog's files are asked for in a dialog of their own, from a small button beside the status line.
    m_filesButton = addButton(wordPressGroup, QStringLiteral("btnFiles"), QStringLiteral("文件…"), {184, 0, 48, 16});
    m_filesButton->setToolTip(QStringLiteral("复制博客的文件：未设置，只复制数据库的行"));
    connect(m_filesButton, &QPushButton::clicked, this, &MigrationWindow::editFileSettings);

    connect(m_go, &QPushButton::clicked, this, &MigrationWindow::startRun);
    connect(about, &QPushButton::clicked, this, &MigrationWindow::openAuthorPage);
    connect(options, &QPushButton::clicked, m_options, &QDialog::open);
    // The choice holds for the runs that follow, as the runner keeps it.
    connect(m_options, &QDialog::accepted, this,
            [this] { m_runner->setPacing(m_options->noPacing() ? Pacing::none() : Pacing{}); });
    connect(security, &QPushButton::clicked, this, &MigrationWindow::chooseConnectionSecurity);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connect(m_runner, &MigrationRunner::statusText, this, &MigrationWindow::setStatusText);
    connect(m_runner, &MigrationRunner::progress, this, &MigrationWindow::setProgress);
    connect(m_runner, &MigrationRunner::connectionFailed, this, [](const QString& message, const QString& detail) {
        MessageBox::show(nullptr, MessageBox::Icon::None, messageCaption, message, detail);
    });
    // The report of a run names where the moved blog is read: the message offers to open it, and to
    // verify a run that completed.
    connect(m_runner, &MigrationRunner::reported, this, [this](const RunReport& report) {
        m_reported = !report.stopped;
        m_siteAddress = QString::fromStdString(report.siteAddress);
    });
    connect(m_runner, &MigrationRunner::finished, this, [this](const QString& message, const QString& detail) {
        const QString site = std::exchange(m_siteAddress, QString());
        const bool verifiable = std::exchange(m_reported, false) && !m_closing;
        const MessageBox::Answer answer = MessageBox::showWithAction(
            nullptr, MessageBox::Icon::Information, QStringLiteral("提示"), message, detail,
            verifiable ? QStringLiteral("核对") : QString(), site.isEmpty() ? QString() : QStringLiteral("打开新网站"));
        // The run's thread may still be ending when its message is answered: 核对 then starts once it has.
        if (answer == MessageBox::Answer::Action && m_runner->isRunning())
            m_verifyOnEnd = true;
        else if (answer == MessageBox::Answer::Action)
            QTimer::singleShot(0, this, &MigrationWindow::startVerification);
        else if (answer == MessageBox::Answer::SecondAction)
            QDesktopServices::openUrl(QUrl(site));
    });
    connect(m_verifier, &VerifyRunner::statusText, this, &MigrationWindow::setStatusText);
    connect(m_verifier, &VerifyRunner::failed, this, [](const QString& message, const QString& detail) {
        MessageBox::show(nullptr, MessageBox::Icon::Warning, messageCaption, message, detail);
    });
    connect(m_verifier, &VerifyRunner::verified, this, &MigrationWindow::showVerification);
    connect(m_verifier, &VerifyRunner::ended, this, &MigrationWindow::finishRun);
    connect(m_runner, &MigrationRunner::ended, this, [this] {
        const bool verify = std::exchange(m_verifyOnEnd, false) && !m_closing;
        finishRun();
        if (verify)
            startVerification();
    });
    m_breakOff = new QTimer(this);
    m_breakOff->setSingleShot(true);
    connect(m_breakOff, &QTimer::timeout, m_runner, &MigrationRunner::breakOff);
    connect(m_runner, &MigrationRunner::emptyingQuestion, this, [this](const QString& question) {
        m_runner->answer(MessageBox::question(nullptr, messageCaption, m_plannedSessions + "\n\n" + question) ==
                         MessageBox::Answer::Yes);
    });
    connect(m_runner, &MigrationRunner::truncatedBackupQuestion, this, [this](const QString& question) {
        m_runner->answer(MessageBox::question(nullptr, messageCaption, question) == MessageBox::Answer::Yes);
    });

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

MigrationWindow::~MigrationWindow()
{
    // As closing does: the run is asked to stop, and what is still in flight a moment later is broken
    // off; joined at once, a run waiting on a server that no longer answers would hold the program up to
    // the read timeout.
    if (m_runner->isRunning()) {
        m_runner->requestStop();
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(breakOffAfterMs);
        while (m_runner->isRunning() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (m_runner->isRunning())
            m_runner->breakOff();
    }
    m_runner->stop();
}

void MigrationWindow::buildBlogGroup(QWidget* group, const QString& suffix, const QStringList& labelNames,
                                     const QStringList& initialTexts)
{
    struct Row
    {
        QString field, caption;
        int labelTop;
        QSize labelSize;
        int editTop;
    };
    const Row rows[] = {
        {QStringLiteral("服务器"), QStringLiteral("服务器："), 19, {48, 16}, 16},
        {QStringLiteral("用户名"), QStringLiteral("用户名："), 49, {53, 16}, 48},
        {QStringLiteral("密码"), QStringLiteral("密码："), 81, {53, 16}, 80},
        {QStringLiteral("数据库"), QStringLiteral("数据库："), 113, {55, 16}, 112},
        {QStringLiteral("前缀"), QStringLiteral("前缀："), 145, {56, 20}, 144},
    };
    for (int i = 0; i < 5; ++i) {
        QLineEdit* edit =
            addField(group, labelNames[i], rows[i].caption, rows[i].labelTop, rows[i].labelSize,
                     QStringLiteral("txt_%1_%2").arg(rows[i].field, suffix), initialTexts[i], rows[i].editTop);
        if (rows[i].field == QStringLiteral("密码")) {
            edit->setEchoMode(QLineEdit::Password);
            auto* starred = new StarredPasswords;
            starred->setParent(edit);
            edit->setStyle(starred);
        }
        // A text longer than its box shows from its start, its first character whole.
        edit->setCursorPosition(0);
    }
}

QLineEdit* MigrationWindow::addField(QWidget* group, const QString& labelName, const QString& caption, int labelTop,
                                     QSize labelSize, const QString& editName, const QString& text, int editTop)
{
    auto* label = new QLabel(caption, group);
    label->setObjectName(labelName);
    label->setGeometry(QRect(QPoint(8, labelTop), labelSize));
    auto* edit = new QLineEdit(text, group);
    edit->setObjectName(editName);
    edit->setGeometry(64, editTop, 168, 20);
    edit->setMaxLength(32767);
    return edit;
}

QString MigrationWindow::fieldText(const QString& name) const
{
    const auto* edit = findChild<QLineEdit*>(name);
    return edit ? edit->text() : QString();
}

bool MigrationWindow::checkPrefixes()
{
    const std::pair<QString, QString> prefixes[] = {
        {QStringLiteral("txt_前缀_emlog"), QStringLiteral("emlog博客信息")},
        {QStringLiteral("txt_前缀_Wp"), QStringLiteral("WordPress博客信息")},
    };
    for (const auto& [field, group] : prefixes) {
        if (!isValidTablePrefix(fieldText(field))) {
            MessageBox::show(
                nullptr, MessageBox::Icon::Warning, messageCaption,
                QStringLiteral("%1中的“前缀：”只能由字母、数字、“_”和“$”组成。请改正后再开始转换。").arg(group));
            return false;
        }
    }
    return true;
}

RunSettings MigrationWindow::settingsFromFields()
{
    // The fields of one blog, by the suffix of their names, as typed.
    auto field = [this](const char* name, const char* blog) {
        return utf8(fieldText(QStringLiteral("txt_%1_%2").arg(QString::fromUtf8(name), QString::fromUtf8(blog))));
    };
    auto connectionFields = [this, &field](const char* blog) {
        // No CA file nor fingerprint: the window has no field for them, so a server off this machine must show
        // a certificate the system trusts.
        ConnectionFields fields{
            field("服务器", blog), field("用户名", blog), field("密码", blog), field("数据库", blog), {}};
        fields.allowUnencrypted = m_allowUnencrypted;
        return fields;
    };
    RunSettings settings;
    settings.emlog = connectionFields("emlog");
    settings.wordPress = connectionFields("Wp");
    settings.emlogPrefix = field("前缀", "emlog");
    settings.wordPressPrefix = field("前缀", "Wp");
    settings.emptyWordPressFirst = m_emptyFirst->isChecked();
    settings.emlogBackup = utf8(m_backup->path());
    settings.wordPressAddress = utf8(m_site->address());
    settings.files = m_files;
    settings.keepWordPressTimeZone = m_options->keepWordPressTimeZone();
    settings.keepWordPressSettings = m_options->keepWordPressSettings();
    return settings;
}

void MigrationWindow::startVerification()
{
    if (m_runner->isRunning() || m_verifier->isRunning() || !checkPrefixes())
        return;
    RunSettings settings = settingsFromFields();
    VerifySettings verify;
    verify.emlogFiles = settings.files.source;
    verify.keepWordPressTimeZone = settings.keepWordPressTimeZone;
    verify.keepWordPressSettings = settings.keepWordPressSettings;
    if (!settings.wordPressAddress.empty())
        verify.site = settings.wordPressAddress;
    m_go->setEnabled(false);
    m_verify->setEnabled(false);
    setStatusText(QStringLiteral("正在核对……"));
    m_verifier->start(std::move(settings), std::move(verify));
}

void MigrationWindow::showVerification(const Verification& verification)
{
    // The page goes beside the backups emptying makes, in the user's data folder.
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kestrel");
    QDir().mkpath(folder);
    const QString path = QDir(folder).absoluteFilePath(
        QStringLiteral("verification-%1Z.html")
            .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    QFile page(path);
    const bool written =
        page.open(QIODevice::WriteOnly) && page.write(texts::verificationPage(verification)) >= 0 && page.flush();
    page.close();
    setStatusText(verification.findings.empty()
                      ? QStringLiteral("核对完成：没有发现不同。")
                      : QStringLiteral("核对完成：发现 %1 处不同。").arg(verification.findings.size()));
    const QString where = written ? QStringLiteral("\n\n报告：%1").arg(QDir::toNativeSeparators(path))
                                  : QStringLiteral("\n\n报告写不进 %1。").arg(QDir::toNativeSeparators(path));
    MessageBox::show(nullptr, verification.findings.empty() ? MessageBox::Icon::Information : MessageBox::Icon::Warning,
                     QStringLiteral("核对"), texts::verificationSummary(verification) + where,
                     texts::verificationText(verification, 50));
    if (written)
        m_openPage(path);
}

void MigrationWindow::startRun()
{
    if (m_runner->isRunning() || m_verifier->isRunning() || !checkPrefixes())
        return;
    RunSettings settings = settingsFromFields();

    // The person learns where each blog is and whether what they type will cross the network readable.
    // Emptying first is asked about by the run, once it knows what would go; that one question says it then.
    m_plannedSessions = texts::plannedRoute(settings);
    if (!settings.emptyWordPressFirst &&
        MessageBox::question(nullptr, messageCaption, m_plannedSessions + "\n\n" + texts::runConfirmationQuestion()) !=
            MessageBox::Answer::Yes)
        return;

    // One run at a time: Go comes back when this one has ended.
    m_go->setEnabled(false);
    m_verify->setEnabled(false);
    m_runner->start(std::move(settings));
}

void MigrationWindow::chooseConnectionSecurity()
{
    ConnectionSecurityDialog dialog(m_allowUnencrypted, this);
    if (dialog.exec() == QDialog::Accepted)
        m_allowUnencrypted = dialog.allowUnencrypted();
}

void MigrationWindow::editFileSettings()
{
    auto* dialog = new FilesDialog(m_files, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_files = dialog->settings();
        m_filesButton->setToolTip(m_files.wanted() ? QStringLiteral("复制博客的文件：从 %1 到 %2")
                                                         .arg(QString::fromStdString(m_files.source),
                                                              QString::fromStdString(m_files.uploadsFolder))
                                                   : QStringLiteral("复制博客的文件：未设置，只复制数据库的行"));
    });
    dialog->open();
}

void MigrationWindow::finishRun()
{
    m_go->setEnabled(!m_runner->isRunning() && !m_verifier->isRunning());
    m_verify->setEnabled(m_go->isEnabled());
    // Only the run the close asked to stop is ever broken off, never one started after it.
    m_breakOff->stop();
    if (!m_closing)
        return;
    // The run a close asked to stop has ended: the window goes, ready to be shown again.
    m_closing = false;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(true);
    close();
}

void MigrationWindow::openAuthorPage()
{
    QDesktopServices::openUrl(QUrl(authorAddress));
}

void MigrationWindow::setStatusText(const QString& text)
{
    m_status->setText(text);
}

void MigrationWindow::setProgress(int percent)
{
    m_progress->setValue(percent);
}

void MigrationWindow::closeEvent(QCloseEvent* event)
{
    if (!m_runner->isRunning()) {
        event->accept();
        return;
    }
    // The window never waits on a server: the run is asked to stop, and the window closes when it
    // has ended. A server that no longer answers would hold it up to the read timeout, so what is
    // still in flight a moment later is broken off, and undone by the server with its transaction.
    event->ignore();
    if (m_closing)
        return;
    m_closing = true;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(false);
    m_runner->requestStop();
    m_breakOff->start(breakOffAfterMs);
}

} // namespace kestrel
