#include "results/server-probe.h"

#include <cstdio>
#include <system_error>
#include <thread>

#include "platform/message-queue.h"
#include "platform/tcp-client.h"
#include "results/result-actions.h"
#include "search/query-words.h"

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

bool HasFtpAnswer(std::string_view block)
{
    for (const char* code : {"230 ", "530 ", "221 "}) {
        if (block.find(code) != std::string_view::npos)
            return true;
    }
    return false;
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
    const auto step = [&](Result got) { return got == Result::Stopped ? kVerdictPending : kVerdictBad; };
    // The greeting and the answer to USER are read once each; what follows
    // PASS is read until one of the three codes arrives in a block.
    if (Result got = talk.Receive(block); got == Result::Stopped || got == Result::Closed || got == Result::Failed)
        return step(got);
    if (Result sent = talk.Send("USER " + RemoveLineBreaks(job.user) + "\r\n"); sent != Result::Ok)
        return step(sent);
    if (Result got = talk.Receive(block); got == Result::Stopped || got == Result::Closed || got == Result::Failed)
        return step(got);
    if (Result sent = talk.Send("PASS " + RemoveLineBreaks(job.password) + "\r\n"); sent != Result::Ok)
        return step(sent);
    for (;;) {
        const Result got = talk.Receive(block);
        if (HasFtpAnswer(block))
            return kVerdictGood;
        if (got == Result::Stopped)
            return kVerdictPending;
        if (got == Result::Closed || got == Result::Failed || talk.OutOfTime())
            return kVerdictBad;
    }
}

int RunHttpProbe(TcpClient& client, TestJob& job)
{
    Conversation talk(client, job);
    job.reply.clear();
    const std::string request = "HEAD " + EncodeRequestPath(job.path) +
                                " HTTP/1.1\r\nHost: " + RemoveLineBreaks(job.server) + "\r\nConnection: close\r\n\r\n";
    Result got = talk.Send(request);
    std::string block;
    while (got == Result::Ok)
        got = talk.Receive(block);
    if (got == Result::Stopped)
        return kVerdictPending;
    // Closed, out of time or full: judge what arrived.
    return job.reply.find("HTTP/1.1 200") != std::string::npos ? kVerdictGood : kVerdictBad;
}

void TestThreadProc(const std::shared_ptr<TestJob>& job)
{
    int verdict = kVerdictPending;
    try {
        TcpClient client(&job->stop);
        const Result connected = client.Connect(job->server, job->port, job->limits.connect);
        if (connected == Result::Stopped)
            return;
        if (connected != Result::Ok) {
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
    Message done;
    done.id = kMsgTestDone;
    done.lParam = job->serverItem;
    done.jobId = job->id;
    done.record = job;
    job->queue->Post(std::move(done));
}

bool StartTestWorker(const std::shared_ptr<TestJob>& job)
{
    try {
        std::thread(TestThreadProc, job).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

} // namespace velmora
