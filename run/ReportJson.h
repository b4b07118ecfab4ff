#pragma once

#include "Findings.h"

#include <QByteArray>

namespace kestrel {

// {"verified": {"posts": N, ...}, "findings": [{"kind", "emlogId", "check", "expected", "seen", "address"}]}
QByteArray verificationJson(const Verification& verification);

} // namespace kestrel
