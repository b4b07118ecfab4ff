#pragma once

#include "StatementCarrier.h"

#include <QByteArray>
#include <QJsonObject>

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

} // namespace kestrel
