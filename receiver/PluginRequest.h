#pragma once

#include "Exchange.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

namespace kestrel {

// The route the site carries out operations at.
QString operationsRoute();
// An operation as a request carries it: a read or a change by its name and parameters (texts in base64,
// numbers in digits, names as they are), or rows by table and columns. Never SQL: the site makes its own.
std::string encodedOperation(const Operation& operation);
// A request's body: the operations in order; in a transaction, committed at the end or (when not
// `commit`) undone; under a strict mode when `strict`. The site answers each operation's outcome, in
// order, and one more where its commit failed.
QByteArray requestBody(const std::vector<std::string>& operations, bool transaction, bool commit, bool strict);

} // namespace kestrel
