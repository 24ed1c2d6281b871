#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace velmora {

class MessageQueue;
class TcpClient;

inline constexpr int kVerdictPending = 0;
inline constexpr int kVerdictGood = 2; // the server answered like one
inline constexpr int kVerdictBad = 3;  // no server, or no good answer

inline constexpr const char* kNoServerFound = "No server found";
// The probe's password when a record has none (a second address, not the
// one stored in anonymous records).
inline constexpr const char* kProbePassword = "velmora-probe@example.org";

// Every wait of a probe is bounded, and so is what a server can fill.
struct ProbeLimits {
    std::chrono::milliseconds connect{10000};
    std::chrono::milliseconds idle{10000};  // one wait for data
    std::chrono::milliseconds total{30000}; // the whole conversation
    std::size_t maxReply = 64 * 1024;
};

// One probe of one server. Shared by the owner (through the server's first
// record and the running-tests registry) and the worker. The worker writes
// `reply` and then `verdict`; the owner reads `reply` only once `verdict`
// is set, and writes only `stop`.
struct TestJob {
    std::uint64_t id = 0;
    std::string server;
    std::string user;
    std::string password;
    std::string reply; // what the server said, or why it said nothing
    // Why a bad verdict is bad, as a sentence for people, when the reply
    // alone does not say it; written with `reply`.
    std::string why;
    std::string path;
    bool isFtp = false;
    bool useTls = false; // an https server: a HEAD request over verified TLS
    unsigned port = 0;
    std::atomic<int> verdict{kVerdictPending};
    std::uint64_t serverItem = 0; // the server item's handle
    std::shared_ptr<MessageQueue> queue;
    ProbeLimits limits;
    std::atomic<bool> stop{false};
};

// The worker's body: connect, probe, and post kMsgTestDone once the verdict
// is set; nothing is posted when the probe was abandoned.
void TestThreadProc(const std::shared_ptr<TestJob>& job);
bool StartTestWorker(const std::shared_ptr<TestJob>& job);

// The probes on a connected client; each returns the verdict, or
// kVerdictPending when the stop flag ended it.
int RunFtpProbe(TcpClient& client, TestJob& job);
int RunHttpProbe(TcpClient& client, TestJob& job);
// An https server: a HEAD request through libcurl with the certificate and
// the host name verified and at most 10 redirects; good on a 2xx answer.
// The reply is the answer's head, or why there was none.
int RunHttpsProbe(TestJob& job);

// True for a status line "HTTP/1.x 200" of any minor version.
bool IsHttpOkLine(std::string_view reply);

// A path as a request line can carry it: blanks, control bytes, bytes above
// 0x7F, "%", "?" and "#" percent-encoded.
std::string EncodeRequestPath(std::string_view path);

} // namespace velmora
