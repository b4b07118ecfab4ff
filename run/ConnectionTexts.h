#pragma once

#include "Encryption.h"
#include "PluginSession.h"
#include "RunSettings.h"
#include "SessionSecurity.h"

#include <QString>

namespace kestrel {
class Session;
}

namespace kestrel::texts {

// What the user reads of the way to each blog: said before a run (where each side is, and whether the
// way there is encrypted), why a session could not be opened, and how it travelled.

// Said before connecting, in a blogger's words: where the blog's database is, and whether what crosses
// the network on the way there is encrypted and the server proven to be the one typed.
QString plannedSessionText(const QString& blog, const ConnectionFields& fields);
// The same for WordPress reached through its plugin at settings.wordPressAddress.
QString plannedPluginText(const RunSettings& settings);
// Both sides, one line each, as the window and kestrel-cli say them before connecting.
QString plannedRoute(const RunSettings& settings);
// Said after the run: whether it was, with what, and whether the certificate was checked.
QString sessionText(const QString& blog, const SessionSecurity& security);

// "emlog博客数据库连接失败.": a session could not be opened; its detail follows.
QString connectionFailed(const QString& blog);
// A server's TLS refused (or its lack of it): what did not match and how to connect all the same, with
// kestrel-cli's options and the window's 安全 button, then the library's own words.
QString tlsRefusal(const TlsRefusal& refusal);
// The detail of a session that could not be opened: the TLS refusal worded, or the session's error.
QString sessionFailure(const Session& session);
// Why WordPress could not be reached through its plugin at `site`: what to do about it, with where
// receiving is switched on when that is the reason (`switchAddress`, as the site gave it).
QString pluginRefusal(PluginRefusal refusal, const QString& site, const QString& switchAddress);
// --wp-uploads with --wp-url: the files go into the site's uploads through the plugin.
QString uploadsNotThroughPlugin();

// An emlog 2.x database, refused before anything is written: emlog's own upgrade script makes it 3.0's.
QString emlogTwoRefusal();
// A table prefix that is not only letters, digits, '_' and '$', refused before anything is opened.
QString unsafePrefix(const QString& blog, const QString& prefix);

} // namespace kestrel::texts
