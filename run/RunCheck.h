#pragma once

#include "BlogCheck.h"
#include "RunSettings.h"

#include <QString>

#include <optional>

namespace kestrel {

class BackupFile;

// Opens both sessions as a run would and asks what the run would meet, writing nothing. Nothing,
// with the window's message and the server's words, when a session cannot be opened. With emlog's
// rows in a backup file, that file is read into `backup` instead of opening emlog's session.
std::optional<BlogCheckReport> checkBeforeRun(const RunSettings& settings, QString& failure,
                                              BackupFile* backup = nullptr);
// The settings the check asks with: emlog's prefix is the backup's when there is one.
CheckSettings checkSettingsOf(const RunSettings& settings, const BackupFile* backup);

} // namespace kestrel
