// Reference server for the load benchmark: the straightforward design, one
// thread per client with blocking sockets. Sends the same greeting and data
// line as the real server. Ends by itself after --seconds.
//
//   tool_ref_threaded --port 5102 [--seconds 120]

#include "load_common.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

void serveClient(int fd, QByteArray reply)
{
    static const char greeting[] = "!Welcome\r\n";
    ::send(fd, greeting, sizeof greeting - 1, MSG_NOSIGNAL);
    std::string pending;
    std::string out;
    char buffer[64 * 1024];
    while (true) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        pending.append(buffer, size_t(n));
        size_t pos = 0, lf;
        out.clear();
        while ((lf = pending.find('\n', pos)) != std::string::npos) {
            out.append(reply.constData(), size_t(reply.size()));
            pos = lf + 1;
        }
        pending.erase(0, pos);
        if (!out.empty() && ::send(fd, out.data(), out.size(), MSG_NOSIGNAL) < 0)
            break;
    }
    ::close(fd);
}

} // namespace

int main(int argc, char **argv)
{
    int port = 5102;
    double seconds = 120;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--port")
            port = std::atoi(argv[i + 1]);
        else if (key == "--seconds")
            seconds = std::clamp(std::atof(argv[i + 1]), 1.0, 3600.0);
    }
    orvane::bench::raiseDescriptorLimit();
    const QByteArray reply = orvane::bench::SampleModules().dataLine() + "\r\n";

    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(listener, 1024) != 0) {
        std::perror("tool_ref_threaded: bind");
        return 1;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        pollfd p { listener, POLLIN, 0 };
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::thread(serveClient, fd, reply).detach();
    }
    return 0; // the client threads end with the process
}
