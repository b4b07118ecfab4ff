#pragma once

#include "BlogCheck.h"

#include <QString>

namespace kestrel {

// What --check prints: both blogs' tables, emlog's version, WordPress's
// database version, the rows a run would find already there or whose ids are
// taken, rows too large to copy, and whether a run can go ahead.
QString checkText(const BlogCheckReport& report, const CheckSettings& settings);

} // namespace kestrel
