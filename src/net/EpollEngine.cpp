// The server's sockets on Linux: one thread, non-blocking sockets and epoll,
// level-triggered. A connection costs two small buffers and one epoll entry,
// so a thousand clients cost the thread no more than their requests do.
#include "DataServerCore.h"
#include "ServerEngine.h"

#include <QtGlobal>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace orvane {

namespace {

constexpr int kEventsPerWait = 256;
constexpr int kAcceptsPerWake = 256;
// Output blocks handed to the system in one call.
constexpr int kPiecesPerSend = 16;

struct Connection
{
    int fd = -1;
    bool closed = false;
    size_t index = 0; // position in the engine's list of open connections
    quint32 interest = 0; // epoll events currently registered
    ClientConnection client;
};

// The process may start with a soft limit of 1024 descriptors; the server
// needs one per client and a few of its own.
void raiseDescriptorLimit(int clients)
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = rlim_t(clients) + 256;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : qMin(wanted, limit.rlim_max);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

class EpollEngine final : public ServerEngine
{
public:
    explicit EpollEngine(std::shared_ptr<DataServerCore> core)
        : m_core(std::move(core))
    {
    }
    ~EpollEngine() override;

    bool start(quint16 port, QByteArray *errorText, quint16 *boundPort) override;
    bool stop(int timeoutMs) override;

private:
    void run();
    void acceptClients();
    void readFrom(Connection &c);
    void writeTo(Connection &c);
    void serve(Connection &c);
    void updateInterest(Connection &c);
    void closeConnection(Connection &c);
    void closeAll();
    void resumeHeldBack();

    std::shared_ptr<DataServerCore> m_core;
    std::thread m_thread;
    OneShotSignal m_ended;
    int m_listenFd = -1;
    int m_epollFd = -1;
    int m_wakeFd = -1;
    int m_spareFd = -1; // given up to accept-and-close when descriptors run out
    std::vector<Connection *> m_connections; // open connections, index in no order
    std::vector<Connection *> m_closedThisRound;
    std::vector<char> m_readBuffer = std::vector<char>(kReadChunk);
};

// Tags of the two descriptors that are not connections.
char kListenTag;
char kWakeTag;

EpollEngine::~EpollEngine()
{
    // Reached only after the thread has ended (or never started).
    for (Connection *c : m_connections) {
        ::close(c->fd);
        delete c;
    }
    for (int fd : { m_listenFd, m_epollFd, m_wakeFd, m_spareFd }) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool EpollEngine::start(quint16 port, QByteArray *errorText, quint16 *boundPort)
{
    auto fail = [&](int error) {
        *errorText = error == EADDRINUSE ? QByteArray(kAddressInUseText)
                                         : qt_error_string(error).toLocal8Bit();
        return false;
    };
    raiseDescriptorLimit(m_core->maxClients.load());
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return fail(errno);
    const int on = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return fail(errno);
    if (::listen(m_listenFd, kListenBacklog) != 0)
        return fail(errno);
    socklen_t length = sizeof address;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&address), &length);
    *boundPort = ntohs(address.sin_port);

    m_epollFd = ::epoll_create1(EPOLL_CLOEXEC);
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_spareFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (m_epollFd < 0 || m_wakeFd < 0)
        return fail(errno);
    epoll_event ev {};
    ev.events = EPOLLIN;
    ev.data.ptr = &kListenTag;
    ::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, m_listenFd, &ev);
    ev.data.ptr = &kWakeTag;
    ::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, m_wakeFd, &ev);

    m_thread = std::thread([this] {
        run();
        m_ended.raise();
    });
    return true;
}

bool EpollEngine::stop(int timeoutMs)
{
    if (!m_thread.joinable())
        return true;
    const quint64 one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    if (!m_ended.waitFor(timeoutMs)) {
        m_thread.detach();
        return false;
    }
    m_thread.join();
    return true;
}

void EpollEngine::run()
{
    epoll_event events[kEventsPerWait];
    bool running = true;
    int timeoutMs = -1;
    while (running) {
        const int n = ::epoll_wait(m_epollFd, events, kEventsPerWait, timeoutMs);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < n; ++i) {
            void *tag = events[i].data.ptr;
            if (tag == &kWakeTag) {
                running = false;
            } else if (tag == &kListenTag) {
                acceptClients();
            } else {
                auto *c = static_cast<Connection *>(tag);
                if (c->closed)
                    continue;
                // A reset or a fully closed connection: nothing can be sent any more.
                if (events[i].events & (EPOLLHUP | EPOLLERR))
                    closeConnection(*c);
                else if (events[i].events & EPOLLIN)
                    readFrom(*c);
                if (!c->closed && (events[i].events & EPOLLOUT))
                    writeTo(*c);
            }
        }
        if (m_core->takeBoundLifted())
            resumeHeldBack();
        // Connections closed in this round may still have had events above.
        for (Connection *c : m_closedThisRound)
            delete c;
        m_closedThisRound.clear();
        m_core->flushLog();
        timeoutMs = m_core->releaseMemory();
    }
    closeAll();
    for (Connection *c : m_closedThisRound)
        delete c;
    m_closedThisRound.clear();
    m_core->flushLog();
}

void EpollEngine::acceptClients()
{
    for (int i = 0; i < kAcceptsPerWake; ++i) {
        sockaddr_in peer {};
        socklen_t peerLength = sizeof peer;
        const int fd = ::accept4(m_listenFd, reinterpret_cast<sockaddr *>(&peer), &peerLength,
            SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if ((errno == EMFILE || errno == ENFILE) && m_spareFd >= 0) {
                // Out of descriptors: take the waiting connection with the
                // spare one and close it, or the listening socket would stay
                // readable and the loop would spin.
                ::close(m_spareFd);
                const int refused = ::accept(m_listenFd, nullptr, nullptr);
                if (refused >= 0)
                    ::close(refused);
                m_core->refusedTotal.fetch_add(1, std::memory_order_relaxed);
                m_spareFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
                continue;
            }
            return; // EAGAIN, or an error of the one connection that failed
        }
        if (!m_core->admitClient()) {
            ::close(fd);
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        auto *c = new Connection;
        c->fd = fd;
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
        c->client.peerAddress = text;
        epoll_event ev {};
        ev.events = EPOLLIN;
        ev.data.ptr = c;
        if (::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, fd, &ev) != 0) {
            ::close(fd);
            m_core->clientClosed(c->client);
            delete c;
            continue;
        }
        c->interest = EPOLLIN;
        c->index = m_connections.size();
        m_connections.push_back(c);
        m_core->IdTCPServerConnect(c->client);
        writeTo(*c);
    }
}

void EpollEngine::readFrom(Connection &c)
{
    const qsizetype allowance = m_core->readAllowance(c.client);
    if (allowance <= 0) {
        updateInterest(c);
        return;
    }
    const ssize_t n = ::recv(c.fd, m_readBuffer.data(), size_t(allowance), 0);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            closeConnection(c);
        return;
    }
    if (n == 0)
        c.client.inputEnded = true; // answer what came, deliver, then close
    else
        c.client.input.append(m_readBuffer.data(), n);
    serve(c);
}

void EpollEngine::serve(Connection &c)
{
    if (m_core->serveInput(c.client) == DataServerCore::InputResult::Close) {
        closeConnection(c);
        return;
    }
    writeTo(c);
}

void EpollEngine::writeTo(Connection &c)
{
    while (!c.client.output.isEmpty()) {
        QByteArrayView pieces[kPiecesPerSend];
        iovec vectors[kPiecesPerSend];
        const int count = c.client.output.pieces(pieces, kPiecesPerSend);
        for (int i = 0; i < count; ++i) {
            vectors[i].iov_base = const_cast<char *>(pieces[i].data());
            vectors[i].iov_len = size_t(pieces[i].size());
        }
        msghdr message {};
        message.msg_iov = vectors;
        message.msg_iovlen = size_t(count);
        const ssize_t n = ::sendmsg(c.fd, &message, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                closeConnection(c);
                return;
            }
            break;
        }
        m_core->outputTaken(c.client, n);
        // Lines held back while the output was full may be answered now.
        if (c.client.lineWaiting
            && m_core->serveInput(c.client) == DataServerCore::InputResult::Close) {
            closeConnection(c);
            return;
        }
    }
    if (DataServerCore::finished(c.client)) {
        closeConnection(c);
        return;
    }
    updateInterest(c);
}

void EpollEngine::updateInterest(Connection &c)
{
    quint32 wanted = 0;
    if (m_core->readAllowance(c.client) > 0)
        wanted |= EPOLLIN;
    if (!c.client.output.isEmpty())
        wanted |= EPOLLOUT;
    if (wanted == c.interest)
        return;
    epoll_event ev {};
    ev.events = wanted;
    ev.data.ptr = &c;
    ::epoll_ctl(m_epollFd, EPOLL_CTL_MOD, c.fd, &ev);
    c.interest = wanted;
}

void EpollEngine::closeConnection(Connection &c)
{
    if (c.closed)
        return;
    c.closed = true;
    // Taken out of the epoll set first: close() alone removes it only when no
    // other descriptor refers to the socket, and a child process forked at
    // this moment (QProcess, a helper program) holds one until it execs.
    // Its events would then name this connection after it is freed.
    ::epoll_ctl(m_epollFd, EPOLL_CTL_DEL, c.fd, nullptr);
    ::close(c.fd);
    m_core->IdTCPServerDisconnect(c.client);
    m_core->clientClosed(c.client);
    Connection *last = m_connections.back();
    m_connections[c.index] = last;
    last->index = c.index;
    m_connections.pop_back();
    m_closedThisRound.push_back(&c);
}

void EpollEngine::resumeHeldBack()
{
    // Clients that were not read while the total was over the bound.
    const std::vector<Connection *> open = m_connections;
    for (Connection *c : open) {
        if (c->closed)
            continue;
        if (c->client.lineWaiting)
            serve(*c);
        else
            updateInterest(*c);
    }
}

void EpollEngine::closeAll()
{
    ::close(m_listenFd);
    m_listenFd = -1;
    while (!m_connections.empty())
        closeConnection(*m_connections.back());
}

} // namespace

std::unique_ptr<ServerEngine> makeEpollEngine(std::shared_ptr<DataServerCore> core)
{
    return std::make_unique<EpollEngine>(std::move(core));
}

} // namespace orvane
