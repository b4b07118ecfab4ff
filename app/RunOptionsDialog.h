#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;

namespace kestrel {

// The run's less common choices, out of the window's way: whether WordPress keeps its own
// time zone and its own settings, and whether the run rests between rows (as the command line's --pacing). The choice
// holds from one run to the next while the window is open.
class RunOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RunOptionsDialog(QWidget* parent = nullptr);

    bool keepWordPressTimeZone() const;
    // WordPress keeps its own name, settings, icon and logo instead of taking emlog's.
    bool keepWordPressSettings() const;
    // The run goes at full speed, without the rests that spare a small shared server.
    bool noPacing() const;

private:
    QCheckBox* m_keepZone = nullptr;
    QCheckBox* m_keepSettings = nullptr;
    QComboBox* m_pacing = nullptr;
};

} // namespace kestrel
