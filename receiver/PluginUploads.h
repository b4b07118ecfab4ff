#pragma once

#include "PluginExchange.h"
#include "UploadsStore.h"

#include <cstdint>
#include <string>

namespace kestrel {

// WordPress's uploads folder reached through the receiver plugin's file route (kestrel/v1/file): the
// same UploadsFolder as a local one, its files sent over HTTPS. Every request is safe to send again,
// and a lost one is: the plugin writes a file only where nothing is or the same bytes already are, so
// nothing is ever written twice or over another file. Any thread may ask.
class PluginUploads : public UploadsStore
{
public:
    // `uploadsUrl` as the site's hello says it; `largestFile`: the most the site takes in one request.
    PluginUploads(PluginAddress address, std::string uploadsUrl, std::int64_t largestFile);
    PluginUploads(const PluginUploads&) = delete;
    PluginUploads& operator=(const PluginUploads&) = delete;

    bool open(Why& why) override;
    std::string where() const override { return m_uploadsUrl; }
    bool look(const std::string& name, Entry& entry, Why& why) override;
    QByteArray read(const std::string& name) override;
    bool write(const std::string& name, const QByteArray& bytes, Why& why) override;
    bool replace(const std::string& name, const QByteArray& bytes, Why& why) override;
    std::int64_t largestFile() const override { return m_largestFile; }

    // The most a file may be through a site whose PHP takes `postBytes` in a request and whose
    // plugin takes `uploadBytes` in a file (0: not said): base64 and JSON around it.
    static std::int64_t largestFileFor(std::uint64_t uploadBytes, std::uint64_t postBytes);

private:
    // One request to the file route, asked again (at most twice) when no answer came: false, with the
    // site's or the network's words, when it did not go through.
    bool call(const QString& action, const std::string& name, const QByteArray* bytes, PluginReply& reply, Why& why);

    PluginExchange m_exchange;
    std::string m_uploadsUrl;
    std::int64_t m_largestFile = 0;
};

} // namespace kestrel
