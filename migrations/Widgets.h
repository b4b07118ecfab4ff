#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrel {

// The number N of the owner's sidebar text emlog names custom_wg_N; nothing for any other name.
std::optional<std::int64_t> customWidgetNumber(std::string_view name);

} // namespace kestrel
