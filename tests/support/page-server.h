#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::test {

// What the server does with a request whose path starts with a route.
struct PageBehavior {
    enum class Kind {
        Serve,        // answer `status` with `body` after `delay`
        Hang,         // accept and never answer
        Drop,         // read the request, close without a word
        CutMidway,    // promise a long body, send part of it, close
        Stall,        // send headers and part of the body, then go silent
        RedirectLoop, // redirect to itself forever
        Flood,        // send `floodBytes` of body as fast as it is taken
    };
    Kind kind = Kind::Serve;
    std::string body;
    int status = 200;
    std::chrono::milliseconds delay{0};
    std::size_t floodBytes = 0;
    bool ranges = false; // Serve: answer "Range: bytes=N-" with 206 (416 past the end)
    std::string headers; // Serve: more header lines, each ending in CR LF
};

// A web server on 127.0.0.1 for tests, one thread per connection. It counts
// the requests it is working on at once and remembers the order they came.
class PageServer {
public:
    PageServer();
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    void Route(const std::string& pathPrefix, PageBehavior behavior);
    // Answers a request from what it asked: its path (with the query) and
    // its whole head. A longer prefix wins over a route's, as among routes.
    using Responder = std::function<PageBehavior(const std::string& path, const std::string& head)>;
    void Respond(const std::string& pathPrefix, Responder responder);
    std::uint16_t Port() const { return m_port; }
    std::string Url(const std::string& path) const;

    int MaxConcurrent() const { return m_maxConcurrent; }
    int Requests() const { return m_requests; }
    std::vector<std::string> RequestedPaths() const;
    std::vector<std::string> RequestHeads() const;
    // Ends every hanging answer now.
    void ReleaseHangs();

private:
    void AcceptLoop();
    void Answer(int client);
    PageBehavior Find(const std::string& path, const std::string& head) const;

    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::thread m_acceptor;
    std::atomic<bool> m_closing{false};
    std::atomic<int> m_concurrent{0};
    std::atomic<int> m_maxConcurrent{0};
    std::atomic<int> m_requests{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_hangsReleased = false;
    std::map<std::string, PageBehavior> m_routes;
    std::map<std::string, Responder> m_responders;
    std::vector<std::string> m_paths;
    std::vector<std::string> m_heads;
    std::vector<std::thread> m_connections;
    std::vector<int> m_clients;
};

// A port on 127.0.0.1 that refuses connections.
std::uint16_t RefusedPort();

} // namespace velmora::test
