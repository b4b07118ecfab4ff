#pragma once

#include <QString>

#include <string>

namespace kestrel {

// Where a blog's password comes from, first found first: the file named on the
// command line (its first line), the environment variable, a question on the
// terminal that does not show what is typed. Without any of them it is empty,
// as the window's field starts.
struct PasswordSource
{
    QString file;
    const char* environmentVariable;
    QString prompt;
    bool mayAsk; // a person is at the terminal
};

struct Password
{
    enum class Outcome {
        Found,
        Unreadable, // the file could not be read: `error` says why
        Interrupted // Ctrl-C while asked
    };
    Outcome outcome = Outcome::Found;
    std::string text;
    QString error;
    QString warning; // found, but kept where others could read it
};

// A password taken from the environment is removed from it: nothing started later inherits it.
Password findPassword(const PasswordSource& source);

} // namespace kestrel
