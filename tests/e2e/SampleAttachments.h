#pragma once

#include <QJsonObject>
#include <QString>

#include <map>
#include <string>

namespace kestrel::test {

class SampleRun;

// What the sample lacks, added to its emlog rows: an emoticon, root-relative and https references, and
// hostile names (attachments 17 and 18).
void addWhatTheSampleLacks(SampleRun& sample);

// The sample blog's file the sample's folder lacks.
inline const std::string missingFile = "content/uploadfile/200902/emlog-backup.zip";

// What WordPress shows of the sample's attachments once its files arrived under `baseUrl` (the uploads
// folder's address), as scripts/wordpress/media.php gives it: checked, and given by emlog's aid.
std::map<int, QJsonObject> checkSampleAttachments(const QJsonObject& media, const QString& baseUrl);

} // namespace kestrel::test
