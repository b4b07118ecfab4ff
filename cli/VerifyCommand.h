#pragma once

namespace kestrel {

struct CommandLine;
class ReportFile;

// --verify: checks what a run copied through WordPress and its site, prints the summary and the
// findings, writes the JSON and HTML reports when asked; the exit status.
int verifyCommand(const CommandLine& line, ReportFile* json, ReportFile* html);

} // namespace kestrel
