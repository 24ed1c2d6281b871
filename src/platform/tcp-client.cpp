#include "platform/tcp-client.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/name-lookup.h"

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kStopPoll{100};

std::string StripBrackets(const std::string& host)
{
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

} // namespace

TcpClient::~TcpClient()
{
    Close();
}

void TcpClient::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

TcpClient::Result TcpClient::Wait(short events, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (m_stop && m_stop->load())
            return Result::Stopped;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Result::TimedOut;
        pollfd poll{m_fd, events, 0};
        const int ready = ::poll(&poll, 1, static_cast<int>(std::min(left, kStopPoll).count()));
        if (ready > 0)
            return Result::Ok;
        if (ready < 0 && errno != EINTR)
            return Result::Failed;
    }
}

TcpClient::Result TcpClient::Connect(const std::string& host, unsigned port, std::chrono::milliseconds timeout)
{
    Close();
    // The look-up counts against the connect limit, and Stop ends its wait.
    const auto deadline = Clock::now() + timeout;
    const LookupResult found = LookUpHost(StripBrackets(host), port, timeout, m_stop);
    if (found.status == LookupStatus::Stopped)
        return Result::Stopped;
    if (found.status == LookupStatus::TimedOut)
        return Result::TimedOut;
    m_nameNotFound = found.addresses.empty();
    for (const ResolvedAddress& address : found.addresses) {
        m_fd = ::socket(address.family, address.socketType | SOCK_CLOEXEC | SOCK_NONBLOCK, address.protocol);
        if (m_fd < 0)
            continue;
        if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0)
            return Result::Ok;
        if (errno == EINPROGRESS) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            const Result waited = Wait(POLLOUT, left);
            int error = 0;
            socklen_t length = sizeof error;
            if (waited == Result::Ok && ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                return Result::Ok;
            if (waited == Result::Stopped || waited == Result::TimedOut) {
                Close();
                return waited;
            }
        }
        Close();
    }
    return Result::Failed;
}

TcpClient::Result TcpClient::Send(std::string_view data, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!data.empty()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (const Result waited = Wait(POLLOUT, left); waited != Result::Ok)
            return waited;
        const ssize_t sent = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (sent <= 0)
            return Result::Failed;
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return Result::Ok;
}

TcpClient::Result TcpClient::Receive(std::string& into, std::size_t maxBytes, std::chrono::milliseconds timeout)
{
    if (const Result waited = Wait(POLLIN, timeout); waited != Result::Ok)
        return waited;
    char buffer[4096];
    const ssize_t got = ::recv(m_fd, buffer, std::min(maxBytes, sizeof buffer), 0);
    if (got == 0)
        return Result::Closed;
    if (got < 0)
        return (errno == EAGAIN || errno == EINTR) ? Result::Ok : Result::Failed;
    into.append(buffer, static_cast<std::size_t>(got));
    return Result::Ok;
}

} // namespace velmora
