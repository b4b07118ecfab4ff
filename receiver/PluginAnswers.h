#pragma once

#include "StatementCarrier.h"

#include <QByteArray>
#include <QJsonObject>

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrel {

// What the receiver plugin answers, read: Qt Core alone, apart from the network, so that it can be
// fuzzed as it is (fuzz/PluginAnswersTarget.cpp).

// The JSON object an answer's body holds; nothing when it holds none (cut off, or something in front
// of the site answered).
std::optional<QJsonObject> answerBody(const QByteArray& bytes);
// The statements route's answer: each statement's outcome, in the order they were sent.
std::vector<CarriedOutcome> statementOutcomes(const QJsonObject& body);
// A size or a count the site gave (JSON has only doubles): 0 for anything below 1 or not a number,
// and no more than 2^53, the most a double counts exactly (and far past any real one).
std::uint64_t answerCount(const QJsonValue& value);

} // namespace kestrel
