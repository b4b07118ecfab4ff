#include "Findings.h"

namespace kestrel {

void Verification::count(std::string_view kind, std::int64_t rows)
{
    for (auto& [id, number] : verified) {
        if (id == kind) {
            number += rows;
            return;
        }
    }
    verified.emplace_back(std::string(kind), rows);
}

std::int64_t Verification::verifiedOf(std::string_view kind) const
{
    for (const auto& [id, number] : verified) {
        if (id == kind)
            return number;
    }
    return 0;
}

} // namespace kestrel
