#pragma once

#include "PluginExchange.h"
#include "Session.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrel {

// Why a session through the plugin could not be opened, for run/ to word.
enum class PluginRefusal {
    None,
    Unencrypted,   // http:// to a server off this machine, not allowed
    Unreachable,   // no answer at that address
    Certificate,   // the site's certificate did not verify
    PluginMissing, // WordPress answers, its REST API has no Kestrel routes
    PluginTooOld,  // the plugin speaks an older protocol than this Kestrel
    WrongLogin,    // no such user, wrong application password, or none given
    NotAdministrator,
    ReceivingOff, // switched off, or switched on more than an hour ago
    Other,        // anything else the site answered: the detail says what
};

struct PluginOpening
{
    std::unique_ptr<Session> session; // null when refused
    PluginRefusal refusal = PluginRefusal::None;
    std::string detail;           // the site's or the network's own words
    std::string prefix;           // the site's table prefix
    std::string switchAddress;    // where receiving is switched on, as the site says
    std::string uploadsUrl;       // the address of the site's uploads folder
    std::int64_t largestFile = 0; // the largest file the site takes in one request
};

// The protocol this Kestrel speaks; a plugin that answers with an older one is too old.
constexpr int pluginProtocol = 3;

// Asks the site who it is before anything is sent: a session only when the plugin is there and
// receiving, for an administrator's application password, over a verified certificate. The site's
// database session of each request takes WordPress's own modes there.
PluginOpening openPluginSession(const PluginAddress& address);

} // namespace kestrel
