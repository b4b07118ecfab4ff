#pragma once

#include "BlogAddresses.h"

#include <vector>

namespace kestrel {

struct EmlogRead;
struct MigrationRun;

// How the old blog wrote its addresses: its settings (isurlrewrite, isalias, is_sample_url), the
// aliases of its articles and categories, and pro's download aliases. Read once a run; a column this
// emlog lacks gives no names. Nothing when emlog cannot be read (its source's lastError() says why).
const BlogAddressing* blogAddressing(MigrationRun& run);
// What blogAddressing() asks emlog, to read it ahead: none once it is known.
std::vector<EmlogRead> blogAddressingReads(MigrationRun& run);

} // namespace kestrel
