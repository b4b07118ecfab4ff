#include "Passwords.h"

#include "Interrupt.h"
#include "Terminal.h"

#include <QFile>
#include <QtGlobal>

#include <cstdlib>

#ifdef _WIN32
#include <QDir>

// Qt's switch for reading NTFS permissions (Qt 6.4; later versions wrap it in QNtfsPermissionCheckGuard).
extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;
#endif

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
#ifdef _WIN32
    // Windows keeps who may read a file in its ACL, which Qt reads only when asked to: without that,
    // every file would look readable by all. Only "everyone" counts: the file's group there is often
    // the Administrators, who can read any file anyway.
    ++qt_ntfs_permission_lookup;
    const bool othersRead = file.permissions() & QFileDevice::ReadOther;
    --qt_ntfs_permission_lookup;
    if (othersRead)
        password.warning = QStringLiteral("警告：密码文件 %1 本机别的用户也能读。请在它的“属性 → 安全”里只留下你自己。")
                               .arg(QDir::toNativeSeparators(path));
#else
    if (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
        password.warning =
            QStringLiteral("警告：密码文件 %1 本机别的用户也能读。请用 chmod 600 %1 让它只有你能读。").arg(path);
#endif
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
