#pragma once
// UDP ports for tests: a socket bound to a free port, or the number of one that was free.

#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vornex::test {

// A UDP socket bound to a free port of `address` (INADDR_LOOPBACK, INADDR_ANY), its number
// in `port`; -1 when none could be had.
inline int bind_udp(std::uint32_t address, std::uint16_t& port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    socklen_t length = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

// A port that was free a moment ago, for a server the test has started elsewhere.
inline std::uint16_t free_udp_port() {
    std::uint16_t port = 0;
    const int fd = bind_udp(INADDR_ANY, port);
    if (fd >= 0)
        close(fd);
    return port;
}

} // namespace vornex::test
