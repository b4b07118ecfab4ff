#include "MigrationWindow.h"

#include "BackupChooser.h"

#include "MessageBox.h"
#include "MigrationRunner.h"
#include "Sessions.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

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

} // namespace

MigrationWindow::MigrationWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_runner(new MigrationRunner(this))
{
    setObjectName(QStringLiteral("MigrationWindow"));
    setWindowTitle(QStringLiteral("Kestrel1.0 |作者博客: ") + authorAddress);
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

    auto* runGroup = addGroup(this, QStringLiteral("分组框3"), QStringLiteral("操作"), {8, 189, 489, 83});
    m_emptyFirst = new QCheckBox(QStringLiteral("先清空wp数据库"), runGroup);
    m_emptyFirst->setObjectName(QStringLiteral("选择框_清空"));
    m_emptyFirst->setGeometry(16, 19, 72, 24);
    m_emptyFirst->setToolTip(m_emptyFirst->text()); // the box is narrower than its caption
    m_go = addButton(runGroup, QStringLiteral("btnGo"), QStringLiteral("开始转换"), {91, 18, 88, 24});
    // Pause and finish are shown but a run offers neither: they stay disabled.
    addButton(runGroup, QStringLiteral("btnPause"), QStringLiteral("暂停转换"), {183, 18, 96, 24}, false);
    addButton(runGroup, QStringLiteral("btFinish"), QStringLiteral("结束转换"), {283, 18, 96, 24}, false);
    auto* about = addButton(runGroup, QStringLiteral("btnAbout"), QStringLiteral("作者博客"), {383, 18, 96, 24});

    m_progress = new QProgressBar(runGroup);
    m_progress->setObjectName(QStringLiteral("进度条"));
    m_progress->setGeometry(8, 49, 471, 13);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);

    m_status = new QLabel(QStringLiteral("欢迎使用《Kestrel1.0》。"), runGroup);
    m_status->setObjectName(QStringLiteral("标签_状态"));
    m_status->setGeometry(40, 63, 392, 16);

    connect(m_go, &QPushButton::clicked, this, &MigrationWindow::startRun);
    connect(about, &QPushButton::clicked, this, &MigrationWindow::openAuthorPage);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connect(m_runner, &MigrationRunner::statusText, this, &MigrationWindow::setStatusText);
    connect(m_runner, &MigrationRunner::progress, this, &MigrationWindow::setProgress);
    connect(m_runner, &MigrationRunner::connectionFailed, this, [](const QString& message, const QString& detail) {
        MessageBox::show(nullptr, MessageBox::Icon::None, messageCaption, message, detail);
    });
    connect(m_runner, &MigrationRunner::finished, this, [](const QString& message, const QString& detail) {
        MessageBox::show(nullptr, MessageBox::Icon::Information, QStringLiteral("提示"), message, detail);
    });
    connect(m_runner, &MigrationRunner::ended, this, &MigrationWindow::finishRun);

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

MigrationWindow::~MigrationWindow()
{
    m_runner->stop();
    closeSessions();
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
        if (rows[i].field == QStringLiteral("密码"))
            edit->setEchoMode(QLineEdit::Password);
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

void MigrationWindow::startRun()
{
    if (m_runner->isRunning() || !checkPrefixes())
        return;
    const auto answer = MessageBox::question(nullptr, messageCaption, runConfirmationQuestion());
    if (answer != MessageBox::Answer::Yes)
        return;

    // The fields of one blog, by the suffix of their names, as typed.
    auto field = [this](const char* name, const char* blog) {
        return utf8(fieldText(QStringLiteral("txt_%1_%2").arg(QString::fromUtf8(name), QString::fromUtf8(blog))));
    };
    auto connectionFields = [&field](const char* blog) {
        // No CA file: the window has no field for one, so TLS is used whenever the server offers it.
        return ConnectionFields{
            field("服务器", blog), field("用户名", blog), field("密码", blog), field("数据库", blog), {}};
    };
    RunSettings settings;
    settings.emlog = connectionFields("emlog");
    settings.wordPress = connectionFields("Wp");
    settings.emlogPrefix = field("前缀", "emlog");
    settings.wordPressPrefix = field("前缀", "Wp");
    settings.emptyWordPressFirst = m_emptyFirst->isChecked();
    settings.emlogBackup = utf8(m_backup->path());

    // One run at a time: Go comes back when this one has ended.
    m_go->setEnabled(false);
    m_runner->start(std::move(settings));
}

void MigrationWindow::finishRun()
{
    m_go->setEnabled(true);
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
    // A run in progress stops after the statement in flight; only then are its sessions closed.
    m_runner->stop();
    closeSessions();
    event->accept();
}

} // namespace kestrel
