#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QUrl>

#include <atomic>
#include <memory>
#include <string>

class QNetworkAccessManager;
class QNetworkReply;

namespace kestrel {

// How the plugin's site is reached and who speaks to it. The password is an application password
// of an administrator; it goes in no message.
struct PluginAddress
{
    std::string url; // the site's address, as its visitors type it
    std::string user;
    std::string password;
    std::string caFile = {};         // the one CA the site's certificate must come from
    std::string tlsFingerprint = {}; // or the one certificate it must show
    bool allowUnencrypted = false;
};

// What one request to the plugin came to.
struct PluginReply
{
    enum class Failure {
        None,
        Network,     // no answer, cut off, timed out: it may or may not have been carried out
        Certificate, // the site's certificate did not verify
        Http,        // an answer other than 2xx (status and body say more)
        BrokenOff,
    };
    Failure failure = Failure::None;
    int status = 0;
    QJsonObject body;       // the JSON the site answered, when it answered JSON
    std::string error;      // the network's or TLS's own words
    std::string tlsVersion; // as agreed for this request; empty in clear text
    std::string tlsCipher;
};

// Requests to the plugin's REST routes, one at a time, each waited for on a local event loop: for the
// worker thread of a run, never the window's. The address of a route is found through ?rest_route=,
// which every WordPress answers whatever its permalinks.
class PluginExchange
{
public:
    explicit PluginExchange(PluginAddress address);
    ~PluginExchange();
    PluginExchange(const PluginExchange&) = delete;
    PluginExchange& operator=(const PluginExchange&) = delete;

    PluginReply get(const QString& route);
    PluginReply post(const QString& route, const QByteArray& json);

    // A post in two halves: started, it goes its way (Qt's HTTP works in a thread of its own) while
    // the caller works; finish() waits for its answer. The request started must be finished.
    struct Pending
    {
        Pending() = default;
        Pending(const Pending&) = delete;
        Pending& operator=(const Pending&) = delete;
        ~Pending(); // one never finished (the run ended meanwhile) is given up

        QNetworkReply* reply = nullptr;
        bool certificateRefused = false;
    };
    std::unique_ptr<Pending> start(const QString& route, const QByteArray* json);
    PluginReply finish(std::unique_ptr<Pending> pending);

    // From any thread: the request in flight fails at once, and so does every later one.
    void breakOff() { m_broken = true; }
    bool broken() const { return m_broken; }

    const QUrl& site() const { return m_site; }
    // Whether the address is https (or plain http allowed to a server on this machine).
    bool encrypted() const { return m_site.scheme() == QLatin1String("https"); }

private:
    PluginAddress m_address;
    QUrl m_site;
    QByteArray m_authorization;
    std::unique_ptr<QNetworkAccessManager> m_network; // made in the thread that sends
    std::atomic<bool> m_broken = false;
};

} // namespace kestrel
