#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct MigrationRun;

// The article ids of a tag's list. emlog 5 writes ",12,15,", emlog 6 "12,15",
// and lists edited by both can hold empty pieces: every piece that is a whole
// number counts, empty and other pieces are dropped.
std::vector<std::int64_t> splitPostIds(std::string_view list);

// A tag's term, written under the next free ids of WordPress's tables.
struct TagTerm
{
    std::int64_t termId = 0;         // T
    std::int64_t termTaxonomyId = 0; // X
    bool termWritten = false;
    std::string taxonomyAssignments; // the tag's term_taxonomy row, for the caller to insert
};

// Chooses T and X (X at least `tid`, and above every id a category link
// already names), writes the tag's terms row and gives its term_taxonomy row.
TagTerm writeTagTerm(MigrationRun& run, std::int64_t tid, std::string_view name, std::int64_t articleCount);

} // namespace kestrel
