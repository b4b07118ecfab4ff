#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace kestrel {

// A small button above emlog's fields that reads the blog from a backup file
// instead: while a file is chosen, the server field names it and the other
// connection fields rest. Pressing the button again goes back to the server.
class BackupChooser : public QObject
{
    Q_OBJECT

public:
    explicit BackupChooser(QGroupBox* emlogGroup);

    // The chosen file, or empty when emlog's server is read.
    QString path() const { return m_path; }
    void choose(const QString& path);

    // How a file is asked for: a file dialog, or in tests an answer given in advance.
    static void setNextChoice(const QString& path);

private:
    void toggle();

    QGroupBox* m_group;
    QPushButton* m_button;
    QLineEdit* m_server;
    QString m_path;
    QString m_serverText;
};

} // namespace kestrel
