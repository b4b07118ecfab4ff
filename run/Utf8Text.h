#pragma once

#include <QString>

#include <string_view>

namespace kestrel {

// The core's byte text (UTF-8) as Qt's text.
QString utf8Text(std::string_view utf8);

} // namespace kestrel
