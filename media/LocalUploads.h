#pragma once

#include "UploadsStore.h"

#include <QString>

namespace kestrel {

// WordPress's uploads folder as a local path.
class LocalUploads : public UploadsStore
{
public:
    explicit LocalUploads(const QString& root);

    bool open(Why& why) override;
    std::string where() const override { return m_root.toStdString(); }
    bool look(const std::string& name, Entry& entry, Why& why) override;
    QByteArray read(const std::string& name) override;
    bool write(const std::string& name, const QByteArray& bytes, Why& why) override;
    bool replace(const std::string& name, const QByteArray& bytes, Why& why) override;

private:
    // The absolute path of a name below the folder, after its folders exist and none is a link; "" when refused.
    QString safePath(const std::string& name, Why& why, bool makeFolders) const;

    QString m_root;
};

} // namespace kestrel
