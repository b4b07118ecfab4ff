#include "Passwords.h"

#include "Interrupt.h"
#include "Terminal.h"

#include <QFile>
#include <QtGlobal>

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
    // Where permissions are not POSIX ones (Windows' ACLs), Qt reports what it can; a warning there is rare.
    if (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
        password.warning =
            QStringLiteral("警告：密码文件 %1 本机别的用户也能读。请用 chmod 600 %1 让它只有你能读。").arg(path);
    return password;
}

} // namespace

Password findPassword(const PasswordSource& source)
{
    if (!source.file.isEmpty())
        return readPasswordFile(source.file);
    if (const char* value = std::getenv(source.environmentVariable)) {
        Password password{Password::Outcome::Found, value, {}, {}};
        qunsetenv(source.environmentVariable);
        return password;
    }
    if (!source.mayAsk)
        return {};
    const auto typed = terminal::ask(source.prompt.toStdString(), false);
    if (!typed) // interrupted, or no terminal to ask on after all
        return {interrupt::requested() ? Password::Outcome::Interrupted : Password::Outcome::Found, {}, {}, {}};
    return {Password::Outcome::Found, *typed, {}, {}};
}

} // namespace kestrel
