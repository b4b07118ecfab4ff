#include "LatencyRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <list>
#include <map>
#include <stdexcept>
#include <vector>

namespace kestrel::bench {

namespace {

using Clock = std::chrono::steady_clock;

// More than this many bytes held in one direction and the relay stops reading it for a while,
// so that a slow reader makes the sender wait, as TCP itself would.
constexpr std::size_t heldBytesLimit = 64 << 20;

struct Chunk
{
    Clock::time_point due;
    std::string bytes; // empty: the sender closed its side
    std::size_t sent = 0;
};

// One direction of a relayed connection: bytes read from `from`, delivered to `to` when due.
struct Direction
{
    Direction(int from, int to) : from(from), to(to) {}

    int from;
    int to;
    std::deque<Chunk> held;
    std::size_t heldBytes = 0;
    bool readEnded = false;
    bool writeEnded = false;

    bool wantsToRead() const { return !readEnded && heldBytes < heldBytesLimit; }
    bool due(Clock::time_point now) const { return !held.empty() && held.front().due <= now; }
    bool done() const { return readEnded && held.empty() && writeEnded; }
};

struct Link
{
    Link(int client, int server) : up(client, server), down(server, client) {}
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;
    ~Link()
    {
        close(up.from);
        close(up.to);
    }
    Direction up;   // client to server
    Direction down; // server to client
    bool broken = false;
    bool clientSpokeLast = false;
};

void setNoDelay(int fd)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int connectTo(const std::string& host, unsigned port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

// Sends what is due; false when the receiving side is gone.
bool deliver(Direction& direction, Clock::time_point now)
{
    while (direction.due(now) && !direction.writeEnded) {
        Chunk& chunk = direction.held.front();
        if (chunk.bytes.empty()) {
            shutdown(direction.to, SHUT_WR);
            direction.writeEnded = true;
        } else {
            const ssize_t n =
                send(direction.to, chunk.bytes.data() + chunk.sent, chunk.bytes.size() - chunk.sent, MSG_NOSIGNAL);
            if (n < 0)
                return errno == EAGAIN || errno == EWOULDBLOCK;
            chunk.sent += static_cast<std::size_t>(n);
            if (chunk.sent < chunk.bytes.size())
                return true;
            direction.heldBytes -= chunk.bytes.size();
        }
        direction.held.pop_front();
    }
    return true;
}

// Reads what has arrived and holds it until its time; false on a broken connection.
bool receive(Direction& direction, Clock::time_point due)
{
    char buffer[65536];
    const ssize_t n = recv(direction.from, buffer, sizeof buffer, 0);
    if (n < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK;
    if (n == 0)
        direction.readEnded = true;
    direction.held.push_back({due, std::string(buffer, static_cast<std::size_t>(n))});
    direction.heldBytes += static_cast<std::size_t>(n);
    return true;
}

} // namespace

LatencyRelay::LatencyRelay(const std::string& targetHost, unsigned targetPort, std::chrono::milliseconds delay,
                           unsigned listenPort)
    : m_targetHost(targetHost), m_targetPort(targetPort), m_delay(delay)
{
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(listenPort));
    socklen_t length = sizeof address;
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(m_listener, 64) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 || pipe(m_wakeUp) != 0)
        throw std::runtime_error("the relay cannot listen on 127.0.0.1:" + std::to_string(listenPort));
    m_port = ntohs(address.sin_port);
    m_thread = std::jthread([this](std::stop_token stop) { serve(stop); });
}

LatencyRelay::~LatencyRelay()
{
    m_thread.request_stop();
    const char byte = 0;
    (void)!write(m_wakeUp[1], &byte, 1);
    m_thread.join();
    close(m_listener);
    close(m_wakeUp[0]);
    close(m_wakeUp[1]);
}

void LatencyRelay::serve(std::stop_token stop)
{
    std::list<Link> links;
    while (!stop.stop_requested()) {
        auto now = Clock::now();
        std::vector<pollfd> watched = {{m_wakeUp[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        std::map<int, std::size_t> slot; // fd to its entry in `watched`
        auto watch = [&](int fd, short events) {
            const auto [at, added] = slot.emplace(fd, watched.size());
            if (added)
                watched.push_back({fd, 0, 0});
            watched[at->second].events |= events;
        };
        for (Link& link : links) {
            for (Direction* direction : {&link.up, &link.down})
                link.broken = link.broken || !deliver(*direction, now);
        }
        links.remove_if([](const Link& link) { return link.broken || (link.up.done() && link.down.done()); });
        Clock::time_point next = Clock::time_point::max();
        for (Link& link : links) {
            for (Direction* direction : {&link.up, &link.down}) {
                if (direction->wantsToRead())
                    watch(direction->from, POLLIN);
                if (direction->due(now) && !direction->writeEnded)
                    watch(direction->to, POLLOUT);
                else if (!direction->held.empty())
                    next = std::min(next, direction->held.front().due);
            }
        }

        int timeout = -1;
        if (next != Clock::time_point::max())
            timeout = static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(std::max(next - now, Clock::duration::zero())).count());
        if (poll(watched.data(), watched.size(), timeout) < 0 && errno != EINTR)
            return;
        if (watched[0].revents)
            return;
        now = Clock::now();
        if (watched[1].revents & POLLIN) {
            const int client = accept(m_listener, nullptr, nullptr);
            const int server = client >= 0 ? connectTo(m_targetHost, m_targetPort) : -1;
            if (server < 0 && client >= 0)
                close(client);
            if (server >= 0) {
                setNoDelay(client);
                setNoDelay(server);
                links.emplace_back(client, server);
            }
        }
        for (Link& link : links) {
            for (Direction* direction : {&link.up, &link.down}) {
                const auto at = slot.find(direction->from);
                if (at != slot.end() && direction->wantsToRead() &&
                    (watched[at->second].revents & (POLLIN | POLLHUP | POLLERR))) {
                    const std::size_t heldBefore = direction->held.size();
                    link.broken = link.broken || !receive(*direction, now + m_delay);
                    // Bytes that came: a client speaking after its server begins an exchange.
                    if (direction->held.size() > heldBefore && !direction->held.back().bytes.empty()) {
                        const bool up = direction == &link.up;
                        if (up && !link.clientSpokeLast)
                            ++m_exchanges;
                        link.clientSpokeLast = up;
                    }
                }
            }
        }
    }
}

} // namespace kestrel::bench
