#pragma once

#include "MessageBox.h"
#include "MigrationRunner.h"
#include "MigrationWindow.h"
#include "TestServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace kestrel::test {

// Processes events until the condition holds or the time is up.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(5);
    }
    return true;
}

// Types into a field of the window as a user would, replacing what was there.
inline void typeInto(MigrationWindow& window, const QString& field, const QString& text)
{
    auto* edit = window.findChild<QLineEdit*>(field);
    ASSERT_NE(edit, nullptr) << field.toStdString();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, c.toLatin1());
        } else { // no key for it on the test keyboard: the character arrives as typed text
            QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    ASSERT_EQ(edit->text(), text);
}

// The server sessions of the window's runs, as each run opened them.
class RunSessionIds
{
public:
    explicit RunSessionIds(MigrationWindow& window)
    {
        QObject::connect(window.runner(), &MigrationRunner::sessionsOpened, window.runner(),
                         [this](quint64 emlog, quint64 wordPress) {
                             emlogId = emlog;
                             wordPressId = wordPress;
                         });
    }
    // Whether the server no longer holds the last run's sessions.
    bool closed() const { return !serverHasSession(emlogId, true) && !serverHasSession(wordPressId, true); }

    unsigned long emlogId = 0;
    unsigned long wordPressId = 0;
};

// Closes the window as a user would and waits until it is gone: the milliseconds it took, or -1.
inline qint64 closeAndWait(MigrationWindow& window, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    window.close();
    return waitUntil([&] { return !window.isVisible() && !window.runner()->isRunning(); }, timeoutMs) ? timer.elapsed()
                                                                                                      : -1;
}

inline int boxesWithText(const QString& text)
{
    int count = 0;
    for (const auto& box : MessageBox::shown())
        count += box.text.contains(text) ? 1 : 0;
    return count;
}

} // namespace kestrel::test
