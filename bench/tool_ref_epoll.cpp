// Reference server for the load benchmark: a bare single-threaded epoll
// loop with no logging, no limits and no snapshot, the floor of what a server
// can cost on this machine. Same greeting and data line as the real server.
// Ends by itself after --seconds.
//
//   tool_ref_epoll --port 5103 [--seconds 120]

#include "load_common.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

namespace {

struct Client
{
    std::string pending; // partial request line
    std::string out; // replies the socket did not take yet
    bool writing = false; // EPOLLOUT registered
};

} // namespace

int main(int argc, char **argv)
{
    int port = 5103;
    double seconds = 120;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--port")
            port = std::atoi(argv[i + 1]);
        else if (key == "--seconds")
            seconds = std::clamp(std::atof(argv[i + 1]), 1.0, 3600.0);
    }
    orvane::bench::raiseDescriptorLimit();
    const QByteArray replyBytes = orvane::bench::SampleModules().dataLine() + "\r\n";
    const std::string reply(replyBytes.constData(), size_t(replyBytes.size()));

    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(listener, 1024) != 0) {
        std::perror("tool_ref_epoll: bind");
        return 1;
    }
    const int epfd = epoll_create1(EPOLL_CLOEXEC);
    epoll_event ev {};
    ev.events = EPOLLIN;
    ev.data.fd = listener;
    epoll_ctl(epfd, EPOLL_CTL_ADD, listener, &ev);

    std::unordered_map<int, Client> clients;
    epoll_event events[256];
    char buffer[64 * 1024];
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    auto closeClient = [&](int fd) {
        ::close(fd);
        clients.erase(fd);
    };
    auto flush = [&](int fd, Client &c) {
        while (!c.out.empty()) {
            const ssize_t n = ::send(fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            c.out.erase(0, size_t(n));
        }
        if (c.writing == !c.out.empty())
            return;
        c.writing = !c.out.empty();
        epoll_event mod {};
        mod.events = EPOLLIN | (c.writing ? uint32_t(EPOLLOUT) : 0u);
        mod.data.fd = fd;
        epoll_ctl(epfd, EPOLL_CTL_MOD, fd, &mod);
    };
    while (std::chrono::steady_clock::now() < end) {
        const int n = epoll_wait(epfd, events, 256, 100);
        for (int k = 0; k < n; ++k) {
            const int fd = events[k].data.fd;
            if (fd == listener) {
                int client;
                while (
                    (client = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC))
                    >= 0) {
                    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                    epoll_event add {};
                    add.events = EPOLLIN;
                    add.data.fd = client;
                    epoll_ctl(epfd, EPOLL_CTL_ADD, client, &add);
                    Client &c = clients[client];
                    c.out = "!Welcome\r\n";
                    flush(client, c);
                }
                continue;
            }
            auto it = clients.find(fd);
            if (it == clients.end())
                continue;
            Client &c = it->second;
            if (events[k].events & EPOLLIN) {
                const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    closeClient(fd);
                    continue;
                }
                c.pending.append(buffer, size_t(got));
                size_t pos = 0, lf;
                while ((lf = c.pending.find('\n', pos)) != std::string::npos) {
                    c.out += reply;
                    pos = lf + 1;
                }
                c.pending.erase(0, pos);
            }
            flush(fd, c);
        }
    }
    return 0;
}
