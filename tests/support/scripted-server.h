#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/worker-pool.h"

namespace velmora::test {

// One accepted connection, as a script sees it.
class ScriptedConnection {
public:
    ScriptedConnection(int fd, const std::atomic<bool>& closing) : m_fd(fd), m_closing(closing) {}

    bool Send(const std::string& data);
    // Reads up to and including `end`; empty when it did not come in time.
    std::string ReadUntil(const std::string& end, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Waits until the peer closes or the server shuts down.
    void Hold();
    bool Closing() const { return m_closing; }
    const std::string& Received() const { return m_received; }

private:
    int m_fd;
    const std::atomic<bool>& m_closing;
    std::string m_received;
    std::string m_pending;
};

// A TCP server on 127.0.0.1 that runs a script for every connection and
// keeps what each connection sent.
class ScriptedServer {
public:
    using Script = std::function<void(ScriptedConnection&)>;
    explicit ScriptedServer(Script script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t Port() const { return m_port; }
    std::vector<std::string> Received() const;

private:
    Script m_script;
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_closing{false};
    std::thread m_acceptor;
    mutable std::mutex m_mutex;
    std::vector<int> m_clients;
    std::vector<std::string> m_received;
    WorkerPool m_workers{std::chrono::seconds(5)}; // last: its end waits for the scripts
};

// Scripts for the usual peers.
ScriptedServer::Script FtpServer(const std::string& answerToPass);
ScriptedServer::Script HttpServer(const std::string& statusLine);

} // namespace velmora::test
