#pragma once

#include <QString>

namespace kestrel {

class BackupFile;

// What --check says of an emlog backup file before the tables it found: which file, its header, whether it was cut.
QString backupText(const BackupFile& backup);

} // namespace kestrel
