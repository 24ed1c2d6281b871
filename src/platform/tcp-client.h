#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// A blocking TCP connection with a time-out on every wait. While it waits
// it looks at the stop flag every 100 ms, so an abandoned probe ends soon.
class TcpClient {
public:
    enum class Result { Ok, Closed, TimedOut, Stopped, Failed };

    explicit TcpClient(const std::atomic<bool>* stop = nullptr) : m_stop(stop) {}
    ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // `host` is a name or an address as a URL writes it ("[::1]" too).
    Result Connect(const std::string& host, unsigned port, std::chrono::milliseconds timeout);
    // After a failed Connect: the name had no address at all.
    bool NameNotFound() const { return m_nameNotFound; }
    Result Send(std::string_view data, std::chrono::milliseconds timeout);
    // Appends what one read brings (at most `maxBytes`) to `into`.
    Result Receive(std::string& into, std::size_t maxBytes, std::chrono::milliseconds timeout);
    void Close();

private:
    // Waits for `events` on the socket; Ok, TimedOut, Stopped or Failed.
    Result Wait(short events, std::chrono::milliseconds timeout);

    int m_fd = -1;
    const std::atomic<bool>* m_stop;
    bool m_nameNotFound = false;
};

} // namespace velmora
