#pragma once

#include "FileSource.h"

#include <QString>

namespace kestrel {

// The blog's files in a folder of this machine. Given emlog's content/uploadfile only, the
// blog's other files (emoticons, template images) cannot be had from it.
class LocalSource : public FileSource
{
public:
    LocalSource(const QString& folder, const FileSettings& settings);
    void fetch(const std::vector<std::string>& blogPaths, const Arrived& arrived, std::stop_token stop) override;

private:
    QByteArray read(const std::string& blogPath, std::optional<Why>& why) const;

    QString m_root;             // the blog's root, or its uploads folder
    bool m_uploadsOnly = false; // m_root is content/uploadfile
    std::int64_t m_sizeLimit;
};

} // namespace kestrel
