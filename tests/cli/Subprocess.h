#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel::test {

using namespace std::chrono_literals;

struct SubprocessOptions
{
    // Set in its environment; every other KESTREL_*_PASSWORD is taken out.
    std::vector<std::pair<std::string, std::string>> environment;
    // On a pseudo-terminal (its controlling terminal, and standard input, output and error);
    // otherwise standard input is /dev/null and the outputs are pipes.
    bool terminal = false;
};

// A program a test runs, as a user or a script would: its output read as it
// comes, with the moment each line of standard error arrived.
class Subprocess
{
public:
    using Options = SubprocessOptions;

    explicit Subprocess(const std::vector<std::string>& arguments, const Options& options = {});
    ~Subprocess(); // a program still running is killed
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    pid_t pid() const { return m_pid; }
    // Types on the terminal.
    void type(std::string_view text);
    // Reads until standard output (or the terminal) holds `text`; false at the timeout.
    bool waitForOutput(std::string_view text, std::chrono::milliseconds timeout = 30s);
    // Reads until the program ends: its exit status, 128 + the signal that ended it, or -1 at the timeout.
    int wait(std::chrono::milliseconds timeout = 300s);

    // After wait(): the most memory the program held at once (its peak resident set), in KiB.
    long peakKib() const { return m_peakKib; }

    const std::string& out() const { return m_out; }
    const std::string& err() const { return m_err; }
    // Seconds from the start to the arrival of each line of standard error.
    const std::vector<double>& errorLineTimes() const { return m_errorLineTimes; }

private:
    void readAvailable(int timeoutMs);
    double secondsSinceStart() const;

    pid_t m_pid = -1;
    int m_outFd = -1; // the terminal's master side when on a terminal
    int m_errFd = -1;
    int m_status = -1;
    long m_peakKib = 0;
    std::chrono::steady_clock::time_point m_start;
    std::string m_out;
    std::string m_err;
    std::vector<double> m_errorLineTimes;
};

} // namespace kestrel::test
