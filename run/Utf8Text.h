#pragma once

#include <QString>

#include <string_view>

namespace kestrel {

// Byte text of the core (UTF-8, as both blogs store it) as Qt's text, for whatever shows or writes it.
QString text(std::string_view utf8);

} // namespace kestrel
