#pragma once

#include "Findings.h"
#include "VerifyContext.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace kestrel {

struct MigrationRun;

// Checks through WordPress's rows and its served site that what a run copied from emlog is where the run
// put it, as a reader would meet it (Checks.h). Reads only, on the run's sessions and emlog's source.
// Nothing, and what it found in `result`, when it could make every check; else why it could not.
std::optional<VerifyFailure> verifyCopy(MigrationRun& run, const VerifySettings& settings, Verification& result,
                                        const std::function<void(const VerifyProgress&)>& tell = {});

} // namespace kestrel
