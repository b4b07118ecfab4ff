#pragma once

#include <QByteArray>

namespace kestrel {

// Whether an answer whose end only the closing of its connection marks (neither a length nor chunks)
// reads as whole already: a page with its closing </html>, JSON that parses. Behind a TLS terminator that
// waits for the client's close_notify before it closes, such an answer's end never comes by itself.
bool readsWhole(const QByteArray& contentType, const QByteArray& body);

} // namespace kestrel
