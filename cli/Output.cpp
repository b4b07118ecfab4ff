#include "Output.h"

#include <cstdio>

namespace kestrel::output {

namespace {

void write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void toStdout(const QString& text)
{
    write(stdout, text);
}

void toStderr(const QString& text)
{
    write(stderr, text);
}

} // namespace kestrel::output
