#pragma once

#include "FileSource.h"

#include <QUrl>

namespace kestrel {

// The blog's files fetched from its web address: several at once, each with a timeout, tried
// again after a failure of the network, over verified HTTPS, and stopped past the size limit.
class HttpSource : public FileSource
{
public:
    HttpSource(const QUrl& blogAddress, const FileSettings& settings);
    void fetch(const std::vector<std::string>& blogPaths, const Arrived& arrived, std::stop_token stop) override;

    // The address of a file below the blog's root, each part of its path percent-encoded.
    QUrl urlOf(const std::string& blogPath) const;

private:
    QUrl m_base;
    FileSettings m_settings;
};

} // namespace kestrel
