#pragma once

#include <QDialog>

class QCheckBox;

namespace kestrel {

// The window's one choice about how sessions travel, behind its 安全 button: whether a server that is not
// this machine may be reached in clear text when it offers no TLS (kestrel-cli's --allow-unencrypted).
class ConnectionSecurityDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConnectionSecurityDialog(bool allowUnencrypted, QWidget* parent = nullptr);

    bool allowUnencrypted() const;

private:
    QCheckBox* m_allowUnencrypted = nullptr;
};

} // namespace kestrel
