#include "support/page-server.h"

#include "support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace velmora::test {

namespace {

// Reads the request head (bounded); "" on failure.
std::string ReadRequestHead(int fd)
{
    std::string head;
    char buffer[2048];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        pollfd poll{fd, POLLIN, 0};
        if (::poll(&poll, 1, 5000) <= 0)
            return {};
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return {};
        head.append(buffer, static_cast<std::size_t>(n));
    }
    return head;
}

std::string PathOf(const std::string& head)
{
    const auto start = head.find(' ');
    const auto end = head.find(' ', start + 1);
    if (start == std::string::npos || end == std::string::npos)
        return {};
    return head.substr(start + 1, end - start - 1);
}

// The first byte a "Range: bytes=N-" asks for; npos without one.
std::size_t RangeStart(const std::string& head)
{
    const auto at = head.find("Range: bytes=");
    return at == std::string::npos ? std::string::npos : std::stoul(head.substr(at + 13));
}

std::string Head(int status, std::size_t length, const std::string& extraHeaders = {})
{
    return "HTTP/1.1 " + std::to_string(status) +
           " X\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(length) + "\r\n" + extraHeaders +
           "Connection: close\r\n\r\n";
}

} // namespace

PageServer::PageServer()
{
    m_listener = ListenOnLoopback(m_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

PageServer::~PageServer()
{
    m_closing = true;
    ReleaseHangs();
    ::shutdown(m_listener, SHUT_RDWR);
    m_acceptor.join();
    ::close(m_listener);
    {
        std::lock_guard lock(m_mutex);
        for (int client : m_clients)
            ::shutdown(client, SHUT_RDWR);
    }
    for (auto& connection : m_connections)
        connection.join();
}

void PageServer::Route(const std::string& pathPrefix, PageBehavior behavior)
{
    std::lock_guard lock(m_mutex);
    m_routes[pathPrefix] = std::move(behavior);
}

void PageServer::Respond(const std::string& pathPrefix, Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responders[pathPrefix] = std::move(responder);
}

std::string PageServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> PageServer::RequestedPaths() const
{
    std::lock_guard lock(m_mutex);
    return m_paths;
}

std::vector<std::string> PageServer::RequestHeads() const
{
    std::lock_guard lock(m_mutex);
    return m_heads;
}

void PageServer::ReleaseHangs()
{
    std::lock_guard lock(m_mutex);
    m_hangsReleased = true;
    m_released.notify_all();
}

PageBehavior PageServer::Find(const std::string& path, const std::string& head) const
{
    std::unique_lock lock(m_mutex);
    const PageBehavior* best = nullptr;
    const Responder* responder = nullptr;
    std::size_t bestLength = 0;
    for (const auto& [prefix, behavior] : m_routes) {
        if (path.starts_with(prefix) && prefix.size() >= bestLength) {
            best = &behavior;
            bestLength = prefix.size();
        }
    }
    for (const auto& [prefix, answer] : m_responders) {
        if (path.starts_with(prefix) && prefix.size() >= bestLength) {
            responder = &answer;
            bestLength = prefix.size();
        }
    }
    if (responder) {
        const Responder chosen = *responder;
        lock.unlock();
        return chosen(path, head);
    }
    return best ? *best : PageBehavior{PageBehavior::Kind::Serve, "not found", 404};
}

void PageServer::AcceptLoop()
{
    while (!m_closing) {
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;
        std::lock_guard lock(m_mutex);
        m_clients.push_back(client);
        m_connections.emplace_back([this, client] { Answer(client); });
    }
}

void PageServer::Answer(int client)
{
    const std::string head = ReadRequestHead(client);
    const std::string path = PathOf(head);
    const int now = ++m_concurrent;
    int seen = m_maxConcurrent;
    while (now > seen && !m_maxConcurrent.compare_exchange_weak(seen, now)) {
    }
    ++m_requests;
    {
        std::lock_guard lock(m_mutex);
        m_paths.push_back(path);
        m_heads.push_back(head);
    }
    const PageBehavior behavior = Find(path, head);
    using Kind = PageBehavior::Kind;
    const auto waitForRelease = [this](std::chrono::milliseconds limit) {
        std::unique_lock lock(m_mutex);
        m_released.wait_for(lock, limit, [this] { return m_hangsReleased; });
    };
    switch (behavior.kind) {
    case Kind::Serve:
        if (behavior.delay.count() > 0)
            std::this_thread::sleep_for(behavior.delay);
        if (behavior.ranges && RangeStart(head) != std::string::npos && RangeStart(head) >= behavior.body.size()) {
            SendAll(client, "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\nContent-Range: bytes */" +
                                std::to_string(behavior.body.size()) + "\r\nConnection: close\r\n\r\n");
            break;
        }
        if (behavior.ranges && RangeStart(head) < behavior.body.size()) {
            const std::size_t from = RangeStart(head);
            const std::string rest = behavior.body.substr(from);
            SendAll(client, "HTTP/1.1 206 Partial\r\nContent-Length: " + std::to_string(rest.size()) +
                                "\r\nContent-Range: bytes " + std::to_string(from) + "-" +
                                std::to_string(behavior.body.size() - 1) + "/" + std::to_string(behavior.body.size()) +
                                "\r\nConnection: close\r\n\r\n" + rest);
            break;
        }
        SendAll(client, Head(behavior.status, behavior.body.size(), behavior.headers) + behavior.body);
        break;
    case Kind::Hang:
        waitForRelease(std::chrono::seconds(60));
        break;
    case Kind::Drop:
        break;
    case Kind::CutMidway:
        SendAll(client, Head(200, behavior.body.size() * 10) + behavior.body);
        break;
    case Kind::Stall:
        SendAll(client, Head(200, behavior.body.size() * 10) + behavior.body);
        waitForRelease(std::chrono::seconds(60));
        break;
    case Kind::RedirectLoop:
        SendAll(client,
                "HTTP/1.1 302 Found\r\nLocation: " + path + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        break;
    case Kind::Flood: {
        SendAll(client, Head(200, behavior.floodBytes));
        const std::string chunk(64 * 1024, 'x');
        for (std::size_t sent = 0; sent < behavior.floodBytes && !m_closing; sent += chunk.size()) {
            if (!SendAll(client, chunk.substr(0, std::min(chunk.size(), behavior.floodBytes - sent))))
                break;
        }
        break;
    }
    }
    --m_concurrent;
    ::shutdown(client, SHUT_RDWR);
    std::lock_guard lock(m_mutex);
    // The descriptor is closed here, under the lock the destructor takes.
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
    ::close(client);
}

std::uint16_t RefusedPort()
{
    std::uint16_t port = 0;
    const int fd = ListenOnLoopback(port);
    ::close(fd);
    return port;
}

} // namespace velmora::test
