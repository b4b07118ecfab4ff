#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrel {

// The article ids of a tag's list. emlog 5 writes ",12,15,", emlog 6 "12,15",
// and lists edited by both can hold empty pieces: every piece that is a whole
// number counts, empty and other pieces are dropped, and an article listed
// twice counts once.
std::vector<std::int64_t> splitPostIds(std::string_view list);

} // namespace kestrel
