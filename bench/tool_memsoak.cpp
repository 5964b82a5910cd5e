// Memory of the TCP data service under clients that send lines and never read
// their replies. Opens N connections to 127.0.0.1:PORT; each sends LINES
// request lines as fast as the server takes them and reads nothing. The
// clients hold on for HOLD seconds, then all close, and the tool watches for
// AFTER seconds more. Prints the server's resident memory (VmRSS of --pid):
// at idle before, its peak while the clients hold, and every second after
// they closed.
//
//   tool_memsoak --port 5101 --pid PID [--clients 200] [--lines 100000]
//                [--hold 5] [--after 5] [--rcvbuf BYTES]

#include "load_common.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Resident memory of a process in MiB; -1 when unknown.
double residentMiB(int pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (file >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            file >> kb;
            return kb / 1024.0;
        }
        std::getline(file, key);
    }
    return -1;
}

int usage()
{
    std::fprintf(stderr,
        "usage: tool_memsoak --port P --pid PID [--clients N] [--lines N] [--hold S] "
        "[--after S] [--rcvbuf BYTES]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    int port = 5001;
    int pid = 0;
    int clients = 200;
    long lines = 100000;
    double hold = 5;
    int after = 5;
    int rcvbuf = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char *value = argv[i + 1];
        if (key == "--port")
            port = std::atoi(value);
        else if (key == "--pid")
            pid = std::atoi(value);
        else if (key == "--clients")
            clients = std::clamp(std::atoi(value), 1, 4000);
        else if (key == "--lines")
            lines = std::clamp(std::atol(value), 1L, 100'000'000L);
        else if (key == "--hold")
            hold = std::clamp(std::atof(value), 0.1, 600.0);
        else if (key == "--after")
            after = std::clamp(std::atoi(value), 0, 600);
        else if (key == "--rcvbuf")
            rcvbuf = std::max(0, std::atoi(value));
        else
            return usage();
    }
    if (pid <= 0)
        return usage();
    orvane::bench::raiseDescriptorLimit();

    const double idle = residentMiB(pid);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<int> fds;
    std::vector<long> left(size_t(clients), lines);
    for (int i = 0; i < clients; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (rcvbuf > 0)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            std::fprintf(stderr, "tool_memsoak: connect %d failed: %s\n", i, std::strerror(errno));
            return 1;
        }
        fds.push_back(fd);
    }

    // Send while the server takes the lines; never read.
    const std::string chunk(64 * 1024 / 2 * 2, '\n');
    double peak = residentMiB(pid);
    long sent = 0;
    const auto end = Clock::now() + std::chrono::duration<double>(hold);
    auto nextSample = Clock::now();
    while (Clock::now() < end) {
        bool progress = false;
        for (int i = 0; i < clients; ++i) {
            if (left[size_t(i)] <= 0)
                continue;
            const size_t bytes = size_t(std::min<long>(left[size_t(i)], long(chunk.size())));
            const ssize_t n
                = ::send(fds[size_t(i)], chunk.data(), bytes, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0) {
                left[size_t(i)] -= n;
                sent += n;
                progress = true;
            }
        }
        if (Clock::now() >= nextSample) {
            peak = std::max(peak, residentMiB(pid));
            nextSample += std::chrono::milliseconds(100);
        }
        if (!progress)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    peak = std::max(peak, residentMiB(pid));
    for (int fd : fds)
        ::close(fd);

    std::printf(
        "MEMSOAK clients %d lines_sent %ld idle_mib %.1f peak_mib %.1f peak_over_idle_mib %.1f",
        clients, sent, idle, peak, peak - idle);
    for (int s = 1; s <= after; ++s) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        std::printf(" after_%ds_mib %.1f", s, residentMiB(pid));
    }
    std::printf("\n");
    return 0;
}
