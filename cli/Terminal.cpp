#include "Terminal.h"

#include "Interrupt.h"

#ifdef _WIN32

#include <windows.h>

#include <io.h>

#include <cstdio>

namespace kestrel::terminal {

namespace {

// The console's own input and output, as /dev/tty is elsewhere: standard input may be a pipe.
class Console
{
public:
    Console()
        : m_in(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr)),
          m_out(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr))
    {
    }
    ~Console()
    {
        if (m_in != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_in);
        if (m_out != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_out);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    bool isOpen() const { return m_in != INVALID_HANDLE_VALUE && m_out != INVALID_HANDLE_VALUE; }
    HANDLE input() const { return m_in; }

    // In UTF-16, so that the console shows Chinese whatever its code page.
    void write(const std::string& text) const
    {
        const std::wstring wide = widened(text);
        DWORD written = 0;
        ::WriteConsoleW(m_out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }

    // One line as typed, without its line end, in UTF-8. Nothing when Ctrl-C cut it short.
    std::optional<std::string> readLine() const
    {
        std::wstring line;
        for (;;) {
            wchar_t c = 0;
            DWORD got = 0;
            if (!::ReadConsoleW(m_in, &c, 1, &got, nullptr) || got == 0) {
                if (interrupt::requested())
                    return std::nullopt;
                break;
            }
            if (c == L'\n')
                break;
            line += c;
        }
        if (interrupt::requested())
            return std::nullopt;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        return narrowed(line);
    }

private:
    static std::wstring widened(const std::string& text)
    {
        const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
        return wide;
    }
    static std::string narrowed(const std::wstring& text)
    {
        const int length =
            ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        std::string narrow(static_cast<std::size_t>(length), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                              nullptr);
        return narrow;
    }

    HANDLE m_in;
    HANDLE m_out;
};

// Turns echo off for as long as it lives; the console's mode comes back however the question ends.
class EchoOff
{
public:
    explicit EchoOff(HANDLE input) : m_input(input), m_saved(0), m_changed(::GetConsoleMode(input, &m_saved) != 0)
    {
        if (m_changed)
            m_changed = ::SetConsoleMode(input, m_saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
    }
    ~EchoOff()
    {
        if (m_changed)
            ::SetConsoleMode(m_input, m_saved);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    HANDLE m_input;
    DWORD m_saved;
    bool m_changed;
};

} // namespace

bool inputIsTerminal()
{
    return ::_isatty(::_fileno(stdin)) != 0;
}

bool errorIsTerminal()
{
    return ::_isatty(::_fileno(stderr)) != 0;
}

std::optional<std::string> ask(const std::string& prompt, bool echo)
{
    const Console console;
    if (!console.isOpen())
        return std::nullopt;
    if (echo) {
        console.write(prompt);
        return console.readLine();
    }
    // Echo goes off before the question shows, so nothing typed in answer is ever echoed.
    const EchoOff quiet(console.input());
    console.write(prompt);
    std::optional<std::string> answer = console.readLine();
    console.write("\n"); // the Enter that was not echoed
    return answer;
}

} // namespace kestrel::terminal

#else

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace kestrel::terminal {

namespace {

class TerminalFile
{
public:
    TerminalFile() : m_fd(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~TerminalFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TerminalFile(const TerminalFile&) = delete;
    TerminalFile& operator=(const TerminalFile&) = delete;

    int fd() const { return m_fd; }

    void write(const std::string& text) const
    {
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }

private:
    int m_fd;
};

// Turns echo off for as long as it lives; the terminal's settings come back however the question ends.
class EchoOff
{
public:
    explicit EchoOff(int fd) : m_fd(fd), m_saved(), m_changed(::tcgetattr(fd, &m_saved) == 0)
    {
        if (!m_changed)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHOE | ECHOK | ECHONL));
        m_changed = ::tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (m_changed)
            ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int m_fd;
    termios m_saved;
    bool m_changed;
};

std::optional<std::string> readLine(int fd)
{
    std::string line;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) {
            if (interrupt::requested())
                return std::nullopt;
            continue;
        }
        if (n <= 0 || c == '\n')
            break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

bool inputIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

bool errorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

std::optional<std::string> ask(const std::string& prompt, bool echo)
{
    TerminalFile terminal;
    if (terminal.fd() < 0)
        return std::nullopt;
    std::optional<std::string> answer;
    if (echo) {
        terminal.write(prompt);
        answer = readLine(terminal.fd());
    } else {
        // Echo goes off before the question shows, so nothing typed in answer is ever echoed.
        const EchoOff quiet(terminal.fd());
        terminal.write(prompt);
        answer = readLine(terminal.fd());
        terminal.write("\n"); // the Enter that was not echoed
    }
    return answer;
}

} // namespace kestrel::terminal

#endif
