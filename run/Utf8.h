#pragma once

#include <QString>

#include <string>

namespace kestrel {

// Byte text of the core (UTF-8, as both blogs store it) as Qt's text, for whatever shows or writes it.
QString text(const std::string& utf8);

} // namespace kestrel
