#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QUrl>

#include <atomic>
#include <memory>
#include <string>

namespace kestrel {

class NetworkThread;

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

// Requests to the plugin's REST routes, from any thread but the window's, each waited for by the
// thread that asks. They go from a network thread of the exchange's own, so that one started goes on
// its way while its caller works. The address of a route is found through ?rest_route=, which every
// WordPress answers whatever its permalinks.
class PluginExchange
{
public:
    explicit PluginExchange(PluginAddress address);
    ~PluginExchange();
    PluginExchange(const PluginExchange&) = delete;
    PluginExchange& operator=(const PluginExchange&) = delete;

    PluginReply get(const QString& route);
    PluginReply post(const QString& route, const QByteArray& json);

    // A post in two halves: started, it goes its way while the caller works; finish() waits for its
    // answer. A request started and never finished is given up when its Pending goes.
    struct Answer;
    struct Pending
    {
        Pending() = default;
        Pending(const Pending&) = delete;
        Pending& operator=(const Pending&) = delete;
        ~Pending();

        std::shared_ptr<NetworkThread> network;
        std::shared_ptr<Answer> answer;
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
    std::shared_ptr<NetworkThread> m_network;
    std::atomic<bool> m_broken = false;
};

} // namespace kestrel
