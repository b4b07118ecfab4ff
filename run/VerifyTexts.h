#pragma once

#include "Findings.h"
#include "Verifier.h"

#include <QString>

namespace kestrel::texts {

// "旧地址" for the old addresses, else the kind's label (texts::label).
QString verifiedLabel(std::string_view kind);
// What a check looked at: "正文" for "text", "状态" for "status".
QString checkLabel(std::string_view check);
// The status line while a verification goes: "正在核对文章：已核对 120 篇".
QString verifyStatus(const VerifyProgress& progress);
// "文章 gid=12" for a finding's row; "旧地址" alone when it names none.
QString findingRow(const Finding& finding);
// One line of a finding: its row, what was checked, what was expected and what was seen, and where.
QString findingLine(const Finding& finding);
// How many of each kind were checked, and how many findings: the first lines of every report.
QString verificationSummary(const Verification& verification);
// The summary, then a line per finding (the first `limit`).
QString verificationText(const Verification& verification, std::size_t limit = 200);
// Why a verification could not be made.
QString verifyFailure(const VerifyFailure& failure);

// The report as one page a person opens in a browser, offline: the summary on top, then a row per finding
// with links to the old and the new address. No password goes in.
QByteArray verificationPage(const Verification& verification);

} // namespace kestrel::texts
