#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace kestrel {

// Shows a run's progress on standard error: on a terminal one line redrawn in
// place, elsewhere (a log, a pipe) plain lines, at most one a second. A line
// holds the status text, the percentage, rows per second and the time left
// of the migration under way.
class ProgressPrinter : public QObject
{
    Q_OBJECT

public:
    explicit ProgressPrinter(bool terminal, QObject* parent = nullptr);

    void setStatusText(const QString& text);
    void setProgress(int percent);
    // The rows of a kind (by its id) through so far, of its total.
    void setRowProgress(const QString& kind, qint64 done, qint64 total);
    // Ends the redrawn line, so that what follows starts on a line of its own.
    void finish();

private:
    void update();
    void print();
    QString line() const;

    const bool m_terminal;
    const qint64 m_intervalMs;
    QElapsedTimer m_clock;
    QTimer m_pending; // prints the latest state once the interval since the last line has passed
    qint64 m_lastPrintedMs = -1;
    QString m_lastLine;
    bool m_lineOpen = false;

    QString m_status;
    bool m_rowsShown = false; // the latest news is a kind's rows, not a status text of its own
    int m_percent = 0;
    QString m_migration;
    qint64 m_rows = 0;
    qint64 m_migrationStartMs = 0;
    qint64 m_migrationStartRows = 0;
    int m_migrationStartPercent = 0;
};

} // namespace kestrel
