#pragma once

#include "Exchange.h"
#include "PluginAnswers.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <string>
#include <vector>

namespace kestrel {

// The route the site carries out operations at.
QString operationsRoute();
// An operation as a request carries it.
std::string encodedOperation(const Operation& operation);
// A request's body: the operations in order; in a transaction, committed at the end or (when not
// `commit`) undone; under a strict mode when `strict`.
QByteArray requestBody(const std::vector<std::string>& settings, const std::vector<std::string>& operations,
                       bool transaction, bool commit, bool strict);
// The outcome of each operation of such a request, in order, and one more where its commit failed.
std::vector<OperationOutcome> operationsOutcomes(const QJsonObject& body, bool transaction, bool strict);

} // namespace kestrel
