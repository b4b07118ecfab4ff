#pragma once

#include <QDialog>

class QCheckBox;

namespace kestrel {

// The run's less common choices, out of the window's way: whether WordPress keeps its own
// time zone. The choice holds from one run to the next while the window is open.
class RunOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RunOptionsDialog(QWidget* parent = nullptr);

    bool keepWordPressTimeZone() const;

private:
    QCheckBox* m_keepZone = nullptr;
};

} // namespace kestrel
