#include "ProgressPrinter.h"

#include "Output.h"
#include "RunTexts.h"

namespace kestrel {

ProgressPrinter::ProgressPrinter(bool terminal, QObject* parent)
    : QObject(parent), m_terminal(terminal), m_intervalMs(terminal ? 100 : 1000)
{
    m_clock.start();
    m_pending.setSingleShot(true);
    connect(&m_pending, &QTimer::timeout, this, &ProgressPrinter::print);
}

void ProgressPrinter::setStatusText(const QString& text)
{
    m_status = text;
    m_rowsShown = false;
    update();
}

void ProgressPrinter::setProgress(int percent)
{
    m_percent = percent;
    update();
}

void ProgressPrinter::setRowProgress(const QString& kind, qint64 done, qint64 total)
{
    m_percent = percentDone(done, total);
    if (kind != m_migration) {
        m_migration = kind;
        m_migrationStartMs = m_clock.elapsed();
        m_migrationStartRows = done;
        m_migrationStartPercent = m_percent;
    }
    m_rows = done;
    m_rowsShown = true;
    update();
}

void ProgressPrinter::update()
{
    if (m_pending.isActive())
        return;
    const qint64 sinceLast = m_lastPrintedMs < 0 ? m_intervalMs : m_clock.elapsed() - m_lastPrintedMs;
    if (sinceLast >= m_intervalMs)
        print();
    else
        m_pending.start(static_cast<int>(m_intervalMs - sinceLast));
}

void ProgressPrinter::print()
{
    const QString text = line();
    if (text.isEmpty() || text == m_lastLine)
        return;
    m_lastLine = text;
    m_lastPrintedMs = m_clock.elapsed();
    if (m_terminal) {
        output::redrawOnStderr(text);
        m_lineOpen = true;
    } else {
        output::toStderr(text + QLatin1Char('\n'));
    }
}

QString ProgressPrinter::line() const
{
    if (!m_rowsShown)
        return m_status;
    QString text = QStringLiteral("%1 %2%").arg(texts::runningStem(m_migration.toStdString())).arg(m_percent);

    const qint64 elapsedMs = m_clock.elapsed() - m_migrationStartMs;
    if (m_migration.isEmpty() || elapsedMs < 500)
        return text;
    const double rowsPerSecond = static_cast<double>(m_rows - m_migrationStartRows) * 1000.0 / elapsedMs;
    text += QStringLiteral("  %1 行/秒").arg(qRound64(rowsPerSecond));
    const int done = m_percent - m_migrationStartPercent;
    if (done > 0 && m_percent < 100) {
        const qint64 leftSeconds = elapsedMs * (100 - m_percent) / done / 1000;
        text += QStringLiteral("  剩余 %1:%2").arg(leftSeconds / 60).arg(leftSeconds % 60, 2, 10, QLatin1Char('0'));
    }
    return text;
}

void ProgressPrinter::finish()
{
    m_pending.stop();
    // On a terminal the line shows where the run ended; elsewhere that would be a line too soon.
    if (m_terminal)
        print();
    if (m_lineOpen)
        output::toStderr(QStringLiteral("\n"));
    m_lineOpen = false;
}

} // namespace kestrel
