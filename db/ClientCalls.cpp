#include "ClientCalls.h"

#include <atomic>
#include <mutex>

namespace kestrel {

namespace {

std::mutex refusedLock;
std::string refusedOption;
std::atomic<bool> escapingFails{false};

bool refusedForTesting(const char* name)
{
    std::lock_guard lock(refusedLock);
    return !refusedOption.empty() && refusedOption == name;
}

bool refuse(const char* name, std::string& error)
{
    error = std::string("the client library refused the option ") + name + "; the session was not opened without it";
    return false;
}

} // namespace

bool setClientOption(MYSQL* mysql, mysql_option option, const void* value, const char* name, std::string& error)
{
    if (refusedForTesting(name) || mysql_options(mysql, option, value) != 0)
        return refuse(name, error);
    return true;
}

bool setClientCaFile(MYSQL* mysql, const char* caFile, std::string& error)
{
    if (refusedForTesting("mysql_ssl_set") || mysql_ssl_set(mysql, nullptr, nullptr, caFile, nullptr, nullptr) != 0)
        return refuse("mysql_ssl_set", error);
    return true;
}

unsigned long escapeForSession(MYSQL* mysql, char* to, const char* from, unsigned long length)
{
    if (escapingFails)
        return static_cast<unsigned long>(-1);
    return mysql_real_escape_string(mysql, to, from, length);
}

void refuseClientOptionForTesting(const std::string& name)
{
    std::lock_guard lock(refusedLock);
    refusedOption = name;
}

void failEscapingForTesting(bool fail)
{
    escapingFails = fail;
}

} // namespace kestrel
