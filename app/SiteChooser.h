#pragma once

#include <QObject>
#include <QString>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace kestrel {

// A small button in WordPress's title row that reaches WordPress by its web address, through its
// Kestrel Receiver plugin, for a site whose database nobody outside may connect to: while an address
// is given, the server field names it, the user and password fields take an administrator's login
// and application password, and the database and prefix fields rest (they are the site's own).
// Pressing the button again goes back to the database.
class SiteChooser : public QObject
{
    Q_OBJECT

public:
    explicit SiteChooser(QGroupBox* wordPressGroup);

    // The site's address, or empty when WordPress's database is reached.
    QString address() const { return m_address; }
    void choose(const QString& address);

    // How the address is asked for: a small dialog, or in tests an answer given in advance.
    static void setNextAnswer(const QString& address);

private:
    void toggle();

    QGroupBox* m_group;
    QPushButton* m_button;
    QLineEdit* m_server;
    QString m_address;
    QString m_serverText;
};

} // namespace kestrel
