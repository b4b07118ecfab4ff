#include "ConnectionOptions.h"

#include <algorithm>
#include <string_view>

namespace kestrel {

namespace {

bool isPortText(std::string_view text)
{
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const unsigned long port = std::stoul(std::string(text));
    return port > 0 && port <= 65535;
}

} // namespace

ServerAddress parseServerAddress(const std::string& server)
{
    if (!server.empty() && server.front() == '[') {
        const auto close = server.find(']');
        if (close != std::string::npos) {
            const std::string_view rest = std::string_view(server).substr(close + 1);
            if (rest.empty())
                return {server.substr(1, close - 1), 0};
            if (rest.front() == ':' && isPortText(rest.substr(1)))
                return {server.substr(1, close - 1), static_cast<unsigned>(std::stoul(std::string(rest.substr(1))))};
        }
        return {server, 0};
    }
    const auto colon = server.find(':');
    if (colon != std::string::npos && server.find(':', colon + 1) == std::string::npos &&
        isPortText(std::string_view(server).substr(colon + 1)))
        return {server.substr(0, colon), static_cast<unsigned>(std::stoul(server.substr(colon + 1)))};
    return {server, 0};
}

} // namespace kestrel
