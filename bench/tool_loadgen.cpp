// Load generator for the TCP data service: opens N connections to
// 127.0.0.1:PORT, keeps one request outstanding on each for a fixed time and
// prints requests per second, p50 and p99 latency, and the server's CPU time
// per request (from /proc/PID/stat).
//
//   tool_loadgen --port 5001 --connections 256 --seconds 3 [--warmup 0.5] [--pid PID] [--label
//   NAME]

#include "load_common.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
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
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options
{
    int port = 5001;
    int connections = 1;
    double seconds = 3.0;
    double warmup = 0.5;
    int pid = 0;
    std::string label = "server";
};

struct Connection
{
    int fd = -1;
    bool greeted = false;
    Clock::time_point sent;
};

// utime + stime of a process in seconds; -1 when unknown.
double processCpuSeconds(int pid)
{
    if (pid <= 0)
        return -1;
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    // Fields after the command name: state is field 3; utime 14, stime 15.
    std::vector<std::string> fields;
    size_t pos = close + 2;
    while (pos < text.size()) {
        const size_t next = text.find(' ', pos);
        fields.push_back(text.substr(pos, next - pos));
        if (next == std::string::npos)
            break;
        pos = next + 1;
    }
    if (fields.size() < 13)
        return -1;
    const double ticks = std::stod(fields[11]) + std::stod(fields[12]);
    return ticks / double(sysconf(_SC_CLK_TCK));
}

bool sendRequest(Connection &c)
{
    static const char request[] = "\r\n";
    c.sent = Clock::now();
    return ::send(c.fd, request, sizeof request - 1, MSG_NOSIGNAL) == ssize_t(sizeof request - 1);
}

int usage()
{
    std::fprintf(stderr,
        "usage: tool_loadgen --port P --connections N [--seconds S] "
        "[--warmup S] [--pid PID] [--label NAME]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char *value = argv[i + 1];
        if (key == "--port")
            o.port = std::atoi(value);
        else if (key == "--connections")
            o.connections = std::clamp(std::atoi(value), 1, 4000);
        else if (key == "--seconds")
            o.seconds = std::clamp(std::atof(value), 0.1, 60.0);
        else if (key == "--warmup")
            o.warmup = std::clamp(std::atof(value), 0.0, 10.0);
        else if (key == "--pid")
            o.pid = std::atoi(value);
        else if (key == "--label")
            o.label = value;
        else
            return usage();
    }
    orvane::bench::raiseDescriptorLimit();

    const int epfd = epoll_create1(EPOLL_CLOEXEC);
    std::vector<Connection> conns(o.connections);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(o.port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < o.connections; ++i) {
        Connection &c = conns[i];
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(c.fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            std::fprintf(
                stderr, "%s: connect %d failed: %s\n", o.label.c_str(), i, std::strerror(errno));
            return 1;
        }
        const int on = 1;
        ::setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        epoll_event ev {};
        ev.events = EPOLLIN;
        ev.data.u32 = uint32_t(i);
        epoll_ctl(epfd, EPOLL_CTL_ADD, c.fd, &ev);
    }

    // Every reply (and the greeting) is one line: count line ends. One request
    // is outstanding per connection, so a line end completes it.
    std::vector<char> buffer(64 * 1024);
    std::vector<uint32_t> latencies;
    latencies.reserve(4'000'000);
    std::vector<epoll_event> events(1024);
    const auto start = Clock::now();
    const auto measureFrom = start + std::chrono::duration<double>(o.warmup);
    const auto end = measureFrom + std::chrono::duration<double>(o.seconds);
    bool measuring = false;
    double cpuAtStart = -1;
    int greeted = 0;
    while (true) {
        const auto now = Clock::now();
        if (now >= end)
            break;
        if (!measuring && now >= measureFrom) {
            measuring = true;
            cpuAtStart = processCpuSeconds(o.pid);
        }
        const int n = epoll_wait(epfd, events.data(), int(events.size()), 50);
        for (int k = 0; k < n; ++k) {
            Connection &c = conns[events[k].data.u32];
            const ssize_t got = ::recv(c.fd, buffer.data(), buffer.size(), 0);
            if (got <= 0) {
                std::fprintf(stderr, "%s: connection closed by the server\n", o.label.c_str());
                return 1;
            }
            const long lines = std::count(buffer.data(), buffer.data() + got, '\n');
            for (long l = 0; l < lines; ++l) {
                if (!c.greeted) {
                    c.greeted = true;
                    ++greeted;
                } else if (measuring) {
                    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        Clock::now() - c.sent)
                                        .count();
                    latencies.push_back(uint32_t(std::min<long long>(ns, UINT32_MAX)));
                }
            }
            if (lines > 0)
                sendRequest(c);
        }
    }
    const double cpuAtEnd = processCpuSeconds(o.pid);
    for (Connection &c : conns)
        ::close(c.fd);

    if (latencies.empty()) {
        std::fprintf(stderr, "%s: no replies (greeted %d)\n", o.label.c_str(), greeted);
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) {
        return latencies[std::min(latencies.size() - 1, size_t(p * double(latencies.size())))]
            / 1000.0;
    };
    const double rps = double(latencies.size()) / o.seconds;
    const double cpuPerRequest = cpuAtStart >= 0 && cpuAtEnd >= 0
        ? (cpuAtEnd - cpuAtStart) * 1e6 / double(latencies.size())
        : -1;
    // label connections requests/s p50(us) p99(us) server-CPU(us)/request
    std::printf("RESULT %s %d %.0f %.1f %.1f %.2f\n", o.label.c_str(), o.connections, rps,
        percentile(0.50), percentile(0.99), cpuPerRequest);
    return 0;
}
