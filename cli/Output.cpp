#include "Output.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#endif

namespace kestrel::output {

namespace {

void writeAsIs(std::FILE* stream, const QString& text)
{
#ifdef _WIN32
    // A console shows UTF-16 whatever its code page; a pipe or a file gets UTF-8 as elsewhere.
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
        // The progress line redraws itself with an escape sequence.
        ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        std::fflush(stream);
        DWORD written = 0;
        ::WriteConsoleW(handle, reinterpret_cast<const wchar_t*>(text.utf16()), static_cast<DWORD>(text.size()),
                        &written, nullptr);
        return;
    }
#endif
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

QString printable(const QString& text)
{
    // Table names, titles and error messages come from the servers: an escape sequence among them could
    // rewrite the screen or make the terminal answer as if typed. Line ends and tabs keep the layout.
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        const bool control = (code < 0x20 && code != u'\n' && code != u'\t') || (code >= 0x7f && code <= 0x9f);
        if (!control)
            kept += c;
    }
    return kept;
}

void toStdout(const QString& text)
{
    writeAsIs(stdout, printable(text));
}

void toStderr(const QString& text)
{
    writeAsIs(stderr, printable(text));
}

void redrawOnStderr(const QString& text)
{
    writeAsIs(stderr, QStringLiteral("\r") + printable(text) + QStringLiteral("\x1b[K"));
}

} // namespace kestrel::output
