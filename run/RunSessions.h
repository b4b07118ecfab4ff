#pragma once

#include "RunSettings.h"

#include <QString>

#include <memory>
#include <mutex>
#include <string>

namespace kestrel {

class Session;
class SessionBreaker;
class UploadsStore;

// The two sessions of one run, one per blog: opened by the run and closed when it ends, emlog's
// first, never shared with another run. Another thread may break them off (see breakOff()).
class RunSessions
{
public:
    RunSessions();
    ~RunSessions();
    RunSessions(const RunSessions&) = delete;
    RunSessions& operator=(const RunSessions&) = delete;

    // Opens emlog's session, then WordPress's; false, with the window's message and the server's
    // words, when one cannot be opened. Refused once broken off. With emlog's rows read from a
    // backup file, emlog's session stays closed.
    bool open(const RunSettings& settings, QString& failure, QString& detail);

    Session& emlog() { return *m_emlog; }
    Session& wordPress() { return *m_wordPress; }
    // WordPress's table prefix: the settings', or the site's own when reached through its plugin.
    const std::string& wordPressPrefix() const { return m_wordPressPrefix; }

    // WordPress's uploads folder reached through its plugin, when the session goes through it; else nothing.
    std::unique_ptr<UploadsStore> pluginUploads() const;

    // From any thread: the statement in flight on either session fails at once, and neither is
    // opened again. For closing the program while a server no longer answers.
    void breakOff();

private:
    std::unique_ptr<Session> m_emlog;
    std::unique_ptr<Session> m_wordPress;
    std::mutex m_lock; // guards the breakers against a break during open()
    std::shared_ptr<SessionBreaker> m_emlogBreaker;
    std::shared_ptr<SessionBreaker> m_wordPressBreaker;
    bool m_broken = false;
    std::string m_wordPressPrefix;
    // Through the plugin: where, and what its hello said of its uploads.
    bool m_throughPlugin = false;
    RunSettings m_settings;
    std::string m_uploadsUrl;
    std::int64_t m_largestFile = 0;
};

} // namespace kestrel
