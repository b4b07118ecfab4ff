#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace kestrel::bench {

// A TCP relay on 127.0.0.1 that holds the bytes of each direction for a fixed delay, as a long
// network path would, without narrowing it: every chunk read is passed on at its arrival time
// plus the delay, however many are on their way. Each connection made to it gets a connection of
// its own to the target. It runs on a thread of its own until destroyed.
class LatencyRelay
{
public:
    LatencyRelay(const std::string& targetHost, unsigned targetPort, std::chrono::milliseconds delay,
                 unsigned listenPort = 0);
    ~LatencyRelay();
    LatencyRelay(const LatencyRelay&) = delete;
    LatencyRelay& operator=(const LatencyRelay&) = delete;

    unsigned port() const { return m_port; }
    // How many times a client has spoken after its server did (or first), over every connection so far:
    // the exchanges that each waited a whole round trip, unless the client sent on without waiting.
    std::uint64_t exchanges() const { return m_exchanges.load(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    void serve(std::stop_token stop);

    std::string m_targetHost;
    unsigned m_targetPort;
    std::chrono::milliseconds m_delay;
    int m_listener = -1;
    int m_wakeUp[2] = {-1, -1}; // written to on destruction, to end the thread's wait
    unsigned m_port = 0;
    std::atomic<std::uint64_t> m_exchanges{0};
    std::jthread m_thread;
};

} // namespace kestrel::bench
