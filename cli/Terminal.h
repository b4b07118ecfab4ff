#pragma once

#include <optional>
#include <string>

// The few things the command line needs from a terminal. The platform's calls
// stay in Terminal.cpp: POSIX termios, or Windows' console.
namespace kestrel::terminal {

// Whether a person can be asked: standard input is a terminal.
bool inputIsTerminal();
// Whether progress can be redrawn in place: standard error is a terminal.
bool errorIsTerminal();

// Asks on the controlling terminal and reads one line, without its line end.
// With `echo` false the answer is not shown as it is typed. Nothing when the
// terminal cannot be opened or the question was interrupted (Ctrl-C).
std::optional<std::string> ask(const std::string& prompt, bool echo);

} // namespace kestrel::terminal
