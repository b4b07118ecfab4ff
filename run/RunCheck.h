#pragma once

#include "BlogCheck.h"
#include "RunSettings.h"

#include <QString>

#include <optional>

namespace kestrel {

// Opens both sessions as a run would and asks what the run would meet, writing nothing. Nothing,
// with the window's message and the server's words, when a session cannot be opened.
std::optional<BlogCheckReport> checkBeforeRun(const RunSettings& settings, QString& failure);

} // namespace kestrel
