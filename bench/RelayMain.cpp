// bench_relay HOST PORT DELAY_MS [LISTEN_PORT]: the benchmarks' latency relay, for trying a
// client against a distant-seeming server by hand. Prints the port it listens on; Ctrl+C ends it.
#include "LatencyRelay.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_relay HOST PORT DELAY_MS [LISTEN_PORT]\n");
        return 2;
    }
    const kestrel::bench::LatencyRelay relay(argv[1], static_cast<unsigned>(std::atoi(argv[2])),
                                             std::chrono::milliseconds(std::atoi(argv[3])),
                                             argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 0);
    std::printf("%u\n", relay.port());
    std::fflush(stdout);
    for (;;)
        pause();
}
