#include "Subprocess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kestrel::test {

namespace {

std::vector<std::string> childEnvironment(const Subprocess::Options& options)
{
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        const std::string entry = *variable;
        const std::string name = entry.substr(0, entry.find('='));
        const bool replaced = std::any_of(options.environment.begin(), options.environment.end(),
                                          [&](const auto& pair) { return pair.first == name; });
        if (!replaced && name != "KESTREL_EMLOG_PASSWORD" && name != "KESTREL_WP_PASSWORD")
            variables.push_back(entry);
    }
    for (const auto& [name, value] : options.environment)
        variables.push_back(name + "=" + value);
    return variables;
}

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> result;
    for (std::string& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

} // namespace

Subprocess::Subprocess(const std::vector<std::string>& arguments, const Options& options)
    : m_start(std::chrono::steady_clock::now())
{
    // Everything the child needs is made before the fork: after it only exec-safe calls remain.
    std::vector<std::string> argumentTexts = arguments;
    std::vector<std::string> environmentTexts = childEnvironment(options);
    std::vector<char*> argv = pointers(argumentTexts);
    std::vector<char*> envp = pointers(environmentTexts);

    if (options.terminal) {
        m_pid = forkpty(&m_outFd, nullptr, nullptr, nullptr);
    } else {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        m_pid = fork();
        if (m_pid == 0) {
            const int nothing = open("/dev/null", O_RDONLY);
            dup2(nothing, STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
        } else {
            close(out[1]);
            close(err[1]);
            m_outFd = out[0];
            m_errFd = err[0];
        }
    }
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
}

Subprocess::~Subprocess()
{
    if (m_status < 0 && m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    for (const int fd : {m_outFd, m_errFd}) {
        if (fd >= 0)
            close(fd);
    }
}

double Subprocess::secondsSinceStart() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

void Subprocess::type(std::string_view text)
{
    if (::write(m_outFd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("could not type on the terminal");
}

void Subprocess::readAvailable(int timeoutMs)
{
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0)
        return;
    char buffer[4096];
    for (pollfd& entry : fds) {
        if (entry.fd < 0 || !(entry.revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t n = read(entry.fd, buffer, sizeof buffer);
        if (n <= 0) { // the end, or EIO on a terminal whose program has gone
            close(entry.fd);
            (entry.fd == m_outFd ? m_outFd : m_errFd) = -1;
            continue;
        }
        if (entry.fd == m_errFd) {
            const double now = secondsSinceStart();
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] == '\n')
                    m_errorLineTimes.push_back(now);
            }
            m_err.append(buffer, static_cast<std::size_t>(n));
        } else {
            m_out.append(buffer, static_cast<std::size_t>(n));
        }
    }
}

bool Subprocess::waitForOutput(std::string_view text, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_out.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline || (m_outFd < 0 && m_errFd < 0))
            return false;
        readAvailable(50);
    }
    return true;
}

int Subprocess::wait(std::chrono::milliseconds timeout)
{
    if (m_status >= 0)
        return m_status;
    // The outputs end when the program does (a terminal's with EIO): read them to their end first.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_outFd >= 0 || m_errFd >= 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        readAvailable(50);
    }
    int status = 0;
    rusage usage{};
    wait4(m_pid, &status, 0, &usage);
    m_peakKib = usage.ru_maxrss;
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m_status;
}

} // namespace kestrel::test
