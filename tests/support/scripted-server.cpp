#include "support/scripted-server.h"

#include "support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace velmora::test {

bool ScriptedConnection::Send(const std::string& data)
{
    return SendAll(m_fd, data);
}

std::string ScriptedConnection::ReadUntil(const std::string& end, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_pending.find(end) == std::string::npos) {
        if (m_closing || std::chrono::steady_clock::now() >= deadline)
            return {};
        pollfd poll{m_fd, POLLIN, 0};
        if (::poll(&poll, 1, 50) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return {};
        m_pending.append(buffer, static_cast<std::size_t>(n));
        m_received.append(buffer, static_cast<std::size_t>(n));
    }
    const auto at = m_pending.find(end) + end.size();
    std::string text = m_pending.substr(0, at);
    m_pending.erase(0, at);
    return text;
}

void ScriptedConnection::Hold()
{
    while (!m_closing) {
        pollfd poll{m_fd, POLLIN, 0};
        if (::poll(&poll, 1, 50) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        m_received.append(buffer, static_cast<std::size_t>(n));
    }
}

ScriptedServer::ScriptedServer(Script script) : m_script(std::move(script))
{
    m_listener = ListenOnLoopback(m_port);
    m_acceptor = std::thread([this] {
        for (;;) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0 || m_closing)
                return;
            {
                std::lock_guard lock(m_mutex);
                m_clients.push_back(client);
            }
            // On a thread that served an earlier connection, if one waits:
            // a server that answers thousands of requests spends no
            // processor starting and ending a thread for each, beside the
            // client it serves.
            const bool started = m_workers.Run([this, client] {
                ScriptedConnection connection(client, m_closing);
                m_script(connection);
                ::shutdown(client, SHUT_RDWR);
                std::lock_guard inner(m_mutex);
                m_received.push_back(connection.Received());
                m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
                ::close(client);
            });
            if (!started) {
                std::lock_guard lock(m_mutex);
                m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
                ::close(client);
            }
        }
    });
}

ScriptedServer::~ScriptedServer()
{
    m_closing = true;
    ::shutdown(m_listener, SHUT_RDWR);
    m_acceptor.join();
    ::close(m_listener);
    {
        std::lock_guard lock(m_mutex);
        for (int client : m_clients)
            ::shutdown(client, SHUT_RDWR);
    }
    // m_workers, destroyed first, waits for the scripts to end.
}

std::vector<std::string> ScriptedServer::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

ScriptedServer::Script FtpServer(const std::string& answerToPass)
{
    return [answerToPass](ScriptedConnection& connection) {
        connection.Send("220 Welcome to the test server\r\n");
        if (connection.ReadUntil("\r\n").empty())
            return;
        connection.Send("331 Password required\r\n");
        if (connection.ReadUntil("\r\n").empty())
            return;
        connection.Send(answerToPass);
        connection.Hold();
    };
}

ScriptedServer::Script HttpServer(const std::string& statusLine)
{
    return [statusLine](ScriptedConnection& connection) {
        if (connection.ReadUntil("\r\n\r\n").empty())
            return;
        connection.Send(statusLine + "\r\nContent-Length: 1234\r\nConnection: close\r\n\r\n");
    };
}

} // namespace velmora::test
