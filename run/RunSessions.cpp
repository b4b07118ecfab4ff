#include "RunSessions.h"

#include "MysqlSession.h"
#include "PluginSession.h"
#include "PluginUploads.h"
#include "RunTexts.h"
#include "WordPressSession.h"

#include <thread>

namespace kestrel {

namespace {

ConnectionOptions optionsOf(const ConnectionFields& fields)
{
    return ConnectionOptions{fields.server, fields.user, fields.password,       fields.database,        0,
                             fields.caFile, false,       fields.tlsFingerprint, fields.allowUnencrypted};
}

std::unique_ptr<Session> openEmlogSession(ConnectionOptions options, const std::function<void()>& admitted)
{
    // For reads ahead, several to an exchange; any other statement still goes alone.
    options.multiStatements = true;
    auto session = std::make_unique<MysqlSession>(options, admitted);
    // Where the server did not take the login's character set: set while WordPress's session opens,
    // rather than at the first read.
    session->useUnicode();
    return session;
}

PluginAddress pluginAddressOf(const RunSettings& settings)
{
    const ConnectionFields& fields = settings.wordPress;
    return {settings.wordPressAddress, fields.user, fields.password, fields.caFile, fields.tlsFingerprint,
            fields.allowUnencrypted};
}

} // namespace

RunSessions::RunSessions() : m_emlog(std::make_unique<MysqlSession>()), m_wordPress(std::make_unique<MysqlSession>()) {}

RunSessions::~RunSessions() = default;

bool RunSessions::open(const RunSettings& settings, QString& failure, QString& detail)
{
    m_wordPressPrefix = settings.wordPressPrefix;
    struct Blog
    {
        std::unique_ptr<Session>& session;
        std::shared_ptr<SessionBreaker>& breaker;
        const ConnectionFields& fields;
        QString failure;
    };
    Blog blogs[] = {
        {m_emlog, m_emlogBreaker, settings.emlog, texts::connectionFailed(QStringLiteral("emlog"))},
        {m_wordPress, m_wordPressBreaker, settings.wordPress, texts::connectionFailed(QStringLiteral("WordPress"))},
    };
    // Where both go to MySQL, WordPress's session opens while emlog's sets itself up: over a long path
    // each opening waits on several round trips. Only once emlog's server has taken the login, so
    // that WordPress's is never contacted for a run that cannot start. (Joined before it is used,
    // and on every way out.)
    std::unique_ptr<Session> openedAlongside;
    std::jthread opener;
    const auto openWordPressAlongside = [&] {
        if (settings.wordPressAddress.empty())
            opener = std::jthread([&openedAlongside, options = optionsOf(settings.wordPress)] {
                openedAlongside = std::make_unique<MysqlSession>(openWordPressSession(options));
            });
    };
    for (Blog& blog : blogs) {
        if (&blog.session == &m_emlog && !settings.emlogBackup.empty())
            continue;
        {
            std::lock_guard lock(m_lock);
            if (m_broken)
                return false;
        }
        if (&blog.session == &m_wordPress && !settings.wordPressAddress.empty()) {
            // The modes WordPress itself runs with, as on a session of our own (each request carries them).
            PluginOpening opening = openPluginSession(pluginAddressOf(settings));
            if (opening.refusal == PluginRefusal::None && !isValidTablePrefix(opening.prefix)) {
                opening.refusal = PluginRefusal::Other;
                opening.detail = "table prefix " + opening.prefix;
                opening.session.reset();
            }
            if (opening.refusal != PluginRefusal::None) {
                failure = texts::pluginRefusal(opening.refusal, QString::fromStdString(settings.wordPressAddress),
                                               QString::fromStdString(opening.switchAddress));
                detail = QString::fromStdString(opening.detail);
                return false;
            }
            blog.session = std::move(opening.session);
            m_wordPressPrefix = opening.prefix;
            m_throughPlugin = true;
            m_settings = settings;
            m_uploadsUrl = opening.uploadsUrl;
            m_largestFile = opening.largestFile;
        } else if (&blog.session == &m_emlog) {
            blog.session = openEmlogSession(optionsOf(blog.fields), openWordPressAlongside);
        } else if (opener.joinable()) {
            opener.join();
            blog.session = std::move(openedAlongside);
        } else {
            blog.session = std::make_unique<MysqlSession>(openWordPressSession(optionsOf(blog.fields)));
        }
        if (!*blog.session) {
            failure = blog.failure;
            detail = texts::sessionFailure(*blog.session);
            return false;
        }
        // Broken off while it was being opened: it goes the same way at once.
        std::lock_guard lock(m_lock);
        blog.breaker = blog.session->breaker();
        if (m_broken)
            blog.breaker->breakOff();
    }
    return true;
}

std::unique_ptr<UploadsStore> RunSessions::pluginUploads() const
{
    if (!m_throughPlugin)
        return nullptr;
    return std::make_unique<PluginUploads>(pluginAddressOf(m_settings), m_uploadsUrl, m_largestFile);
}

void RunSessions::breakOff()
{
    std::lock_guard lock(m_lock);
    m_broken = true;
    if (m_emlogBreaker)
        m_emlogBreaker->breakOff();
    if (m_wordPressBreaker)
        m_wordPressBreaker->breakOff();
}

} // namespace kestrel
