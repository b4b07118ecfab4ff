#pragma once

#include "PlainRows.h"

#include <QByteArray>
#include <QJsonObject>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// What the receiver plugin answers, read: Qt Core alone, apart from the network, so that it can be
// fuzzed as it is (fuzz/PluginAnswersTarget.cpp).

// What came of one operation the site carried out.
struct OperationOutcome
{
    bool ok = false;
    unsigned errorNumber = 0;
    std::string error;
    std::uint64_t insertId = 0;
    std::uint64_t affectedRows = 0;
    unsigned warningCount = 0;
    std::vector<Warning> warnings;
    std::optional<PlainRows> rows;
};

// The JSON object an answer's body holds; nothing when it holds none (cut off, or something in front of
// the site answered).
std::optional<QJsonObject> answerBody(const QByteArray& bytes);
// Each operation's outcome, in the order they were sent.
std::vector<OperationOutcome> operationOutcomes(const QJsonObject& body);
// A size or a count the site gave (JSON has only doubles): 0 for anything below 1 or not a number,
// and no more than 2^53, the most a double counts exactly (and far past any real one).
std::uint64_t answerCount(const QJsonValue& value);

} // namespace kestrel
