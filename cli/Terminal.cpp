#include "Terminal.h"

#include "Interrupt.h"

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
