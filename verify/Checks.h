#pragma once

#include <string>

namespace kestrel {

struct VerifyContext;

// The checks of a verification, in the order it makes them: each reports what differs through the
// context, and is false when it could not read what it needs (the context says what).
// The comments' rows; what each article's page must show of them.
bool checkComments(VerifyContext& verify);
// Each article and page: its row, its categories and tags, its links, its page and pictures.
bool checkArticles(VerifyContext& verify);
// Users, categories, tags, attachments and their files, links, the menu, 微语 and their replies,
// the sidebar's texts and the site's settings: each where the run put it.
bool checkOtherRows(VerifyContext& verify);
// emlog's addresses of the articles and categories, under the site's address.
bool checkOldAddresses(VerifyContext& verify);
// Whether WordPress's option active_plugins names the redirect plugin.
bool redirectPluginActive(const std::string& activePlugins);

} // namespace kestrel
