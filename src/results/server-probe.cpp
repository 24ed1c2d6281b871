#include "results/server-probe.h"

#include <cstdio>

#include "platform/http-fetch.h"
#include "platform/message-queue.h"
#include "platform/plain-text.h"
#include "platform/tcp-client.h"
#include "platform/url-split.h"
#include "platform/worker-pool.h"
#include "results/result-actions.h"
#include "results/result-entry.h"

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;
using Result = TcpClient::Result;
constexpr std::size_t kBlock = 3072;

// Receives one block within the probe's limits. Stopped and the end of the
// connection come back as they are; a full reply counts as closed.
class Conversation {
public:
    Conversation(TcpClient& client, TestJob& job)
        : m_client(client), m_job(job), m_deadline(Clock::now() + job.limits.total)
    {
    }

    Result Receive(std::string& block)
    {
        block.clear();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now());
        if (left.count() <= 0)
            return Result::TimedOut;
        const std::size_t room = m_job.limits.maxReply - m_job.reply.size();
        if (room == 0)
            return Result::Closed;
        const Result got = m_client.Receive(block, std::min(kBlock, room), std::min(left, m_job.limits.idle));
        m_job.reply += block;
        return got;
    }

    Result Send(const std::string& line) { return m_client.Send(line, m_job.limits.idle); }

    bool OutOfTime() const { return Clock::now() >= m_deadline; }

private:
    TcpClient& m_client;
    TestJob& m_job;
    Clock::time_point m_deadline;
};

void PostVerdict(const std::shared_ptr<TestJob>& job)
{
    Message done;
    done.id = kMsgTestDone;
    done.subject = job->serverItem;
    done.jobId = job->id;
    done.record = job;
    job->queue->Post(std::move(done));
}

bool HasFtpAnswer(std::string_view block)
{
    for (const char* code : {"230 ", "530 ", "221 "}) {
        if (block.find(code) != std::string_view::npos)
            return true;
    }
    return false;
}

std::string DescribeConnectFailure(const TcpClient& client, Result connected, unsigned port)
{
    if (connected == Result::TimedOut)
        return "The server did not take a connection in time: it may be down or behind a firewall.";
    if (client.NameNotFound())
        return "The server's name could not be found.";
    return "Nothing answers at port " + std::to_string(port) + ": the server may be down, or the port may be wrong.";
}

} // namespace

std::string EncodeRequestPath(std::string_view path)
{
    return EncodeUrlPath(path);
}

int RunFtpProbe(TcpClient& client, TestJob& job)
{
    Conversation talk(client, job);
    std::string block;
    job.reply.clear();
    // Each step that ends the talk early says why; a stop says nothing.
    const auto end = [&](Result got, const char* closedWhy, const char* silentWhy) {
        if (got == Result::Stopped)
            return kVerdictPending;
        job.why = got == Result::TimedOut ? silentWhy : closedWhy;
        return kVerdictBad;
    };
    constexpr const char* kSilent = "It accepted the connection but never greeted: no FTP server answers there.";
    constexpr const char* kNoGreeting = "It closed the connection without a greeting: no FTP server answers there.";
    constexpr const char* kClosedAtLogin =
        "It greeted, then closed the connection before the login was answered: it may allow no more users now.";
    constexpr const char* kSilentAtLogin = "It greeted, then stopped answering during the login.";
    // The greeting and the answer to USER are read once each; what follows
    // PASS is read until one of the three codes arrives in a block.
    if (Result got = talk.Receive(block); got != Result::Ok)
        return end(got, kNoGreeting, kSilent);
    if (Result sent = talk.Send("USER " + RemoveLineBreaks(job.user) + "\r\n"); sent != Result::Ok)
        return end(sent, kClosedAtLogin, kSilentAtLogin);
    if (Result got = talk.Receive(block); got != Result::Ok)
        return end(got, kClosedAtLogin, kSilentAtLogin);
    if (Result sent = talk.Send("PASS " + RemoveLineBreaks(job.password) + "\r\n"); sent != Result::Ok)
        return end(sent, kClosedAtLogin, kSilentAtLogin);
    for (;;) {
        const Result got = talk.Receive(block);
        if (HasFtpAnswer(block))
            return kVerdictGood;
        if (got == Result::Stopped)
            return kVerdictPending;
        if (got == Result::Closed || got == Result::Failed)
            return end(got, kClosedAtLogin, kSilentAtLogin);
        if (talk.OutOfTime())
            return end(Result::TimedOut, kClosedAtLogin, kSilentAtLogin);
    }
}

// True once a header block that is not an interim (1xx) answer is whole.
bool HasFinalHeaders(std::string_view reply)
{
    for (std::size_t at = 0, end = 0; (end = reply.find("\r\n\r\n", at)) != std::string_view::npos; at = end + 4) {
        const std::string_view head = reply.substr(at, end - at);
        if (!(head.size() > 9 && head.starts_with("HTTP/1.") && head[8] == ' ' && head[9] == '1'))
            return true;
    }
    return false;
}

int RunHttpProbe(TcpClient& client, TestJob& job)
{
    Conversation talk(client, job);
    job.reply.clear();
    const std::string request = "HEAD " + EncodeRequestPath(job.path) +
                                " HTTP/1.1\r\nHost: " + RemoveLineBreaks(job.server) + "\r\nConnection: close\r\n\r\n";
    Result got = talk.Send(request);
    std::string block;
    // The answer to HEAD ends with its headers: no wait for the close.
    while (got == Result::Ok && !HasFinalHeaders(job.reply))
        got = talk.Receive(block);
    if (got == Result::Stopped)
        return kVerdictPending;
    // Closed, out of time or full: judge what arrived.
    if (IsHttpOkLine(job.reply))
        return kVerdictGood;
    if (job.reply.empty()) {
        job.why = got == Result::TimedOut ? "It accepted the connection but never answered the request."
                                          : "It closed the connection without an answer.";
    } else if (!job.reply.starts_with("HTTP/")) {
        job.why = "It did not answer as a web server: something else listens at that port.";
    }
    return kVerdictBad;
}

bool IsHttpOkLine(std::string_view reply)
{
    for (auto at = reply.find("HTTP/1."); at != std::string_view::npos; at = reply.find("HTTP/1.", at + 1)) {
        const std::string_view rest = reply.substr(at + 7);
        const bool codeEnds = rest.size() == 5 || (rest.size() > 5 && (rest[5] == ' ' || rest[5] == '\r'));
        if (rest.size() >= 5 && rest[0] >= '0' && rest[0] <= '9' && rest.substr(1, 4) == " 200" && codeEnds)
            return true;
    }
    return false;
}

int RunHttpsProbe(TestJob& job)
{
    const auto seconds = [](std::chrono::milliseconds limit) {
        return std::max<long>(1, static_cast<long>((limit.count() + 999) / 1000));
    };
    ResultEntry target;
    target.server = job.server;
    target.port = static_cast<std::uint16_t>(job.port);
    target.path = job.path;
    target.user = job.user;
    target.password = job.password;
    target.service = kServiceHttps;
    FetchOptions options;
    options.url = BuildGetFileUrl(target);
    options.headOnly = true;
    options.stop = &job.stop;
    options.connectTimeoutSeconds = seconds(job.limits.connect);
    options.lowSpeedSeconds = seconds(job.limits.idle);
    options.totalTimeoutSeconds = seconds(job.limits.total);
    options.maxRedirects = 10;
    options.maxBytes = job.limits.maxReply;
    const FetchResult fetched = HttpFetch(options, [](std::string_view) {});
    if (fetched.status == FetchStatus::Stopped)
        return kVerdictPending;
    if (fetched.status != FetchStatus::Ok) {
        job.why = DescribeConnectionFailure(fetched);
        job.reply = fetched.error.empty() ? std::string(kNoServerFound) : fetched.error;
        return kVerdictBad;
    }
    job.reply = fetched.statusLine + "\r\n";
    for (const std::string& header : fetched.headers)
        job.reply += header + "\r\n";
    job.reply.resize(std::min(job.reply.size(), job.limits.maxReply));
    return fetched.httpStatus >= 200 && fetched.httpStatus < 300 ? kVerdictGood : kVerdictBad;
}

void TestThreadProc(const std::shared_ptr<TestJob>& job)
{
    int verdict = kVerdictPending;
    try {
        if (job->useTls) {
            verdict = RunHttpsProbe(*job);
            if (verdict == kVerdictPending || job->stop)
                return;
            job->verdict.store(verdict, std::memory_order_release);
            PostVerdict(job);
            return;
        }
        TcpClient client(&job->stop);
        const Result connected = client.Connect(job->server, job->port, job->limits.connect);
        if (connected == Result::Stopped)
            return;
        if (connected != Result::Ok) {
            job->why = DescribeConnectFailure(client, connected, job->port);
            job->reply = kNoServerFound;
            verdict = kVerdictBad;
        } else {
            verdict = job->isFtp ? RunFtpProbe(client, *job) : RunHttpProbe(client, *job);
        }
    } catch (const std::exception&) {
        verdict = kVerdictBad; // out of memory: the server could not be judged well
    }
    if (verdict == kVerdictPending || job->stop)
        return;
    job->verdict.store(verdict, std::memory_order_release);
    PostVerdict(job);
}

bool StartTestWorker(const std::shared_ptr<TestJob>& job)
{
    return WorkerPool::Shared().Run([job] { TestThreadProc(job); });
}

} // namespace velmora
