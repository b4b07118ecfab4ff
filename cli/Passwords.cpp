#include "Passwords.h"

#include "Interrupt.h"
#include "Terminal.h"

#include <QFile>

#include <cstdlib>

namespace kestrel {

namespace {

Password readPasswordFile(const QString& path)
{
    Password password;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        password.outcome = Password::Outcome::Unreadable;
        password.error = QStringLiteral("读不了密码文件 %1：%2").arg(path, file.errorString());
        return password;
    }
    // The first line, without its line end: editors and `echo` add one.
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    password.text = line.toStdString();
    return password;
}

} // namespace

Password findPassword(const PasswordSource& source)
{
    if (!source.file.isEmpty())
        return readPasswordFile(source.file);
    if (const char* value = std::getenv(source.environmentVariable))
        return {Password::Outcome::Found, value, {}};
    if (!source.mayAsk)
        return {};
    const auto typed = terminal::ask(source.prompt.toStdString(), false);
    if (!typed) // interrupted, or no terminal to ask on after all
        return {interrupt::requested() ? Password::Outcome::Interrupted : Password::Outcome::Found, {}, {}};
    return {Password::Outcome::Found, *typed, {}};
}

} // namespace kestrel
