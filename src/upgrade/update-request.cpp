#include "upgrade/update-request.h"

#include <cstdlib>

#include "platform/atomic-file.h"
#include "platform/http-fetch.h"
#include "platform/message-queue.h"
#include "platform/worker-pool.h"
#include "settings/profile-file.h"

namespace velmora {

namespace {

constexpr const char* kUpdateHost = "updates.velmora.example.org";

} // namespace

std::string GetUpdateHost()
{
    const char* host = std::getenv("VELMORA_UPDATE_HOST");
    return host && *host ? host : kUpdateHost;
}

std::string GetUpdateObject(int mode)
{
    const char* query = mode == kModeVersion   ? "velmora_version"
                        : mode == kModeEngines ? "velmora_engines"
                        : mode == kModeClients ? "velmora_clients"
                                               : nullptr;
    return query ? std::string("/~orlund/cgi-bin/updates/update.cgi?") + query : std::string();
}

std::string BuildUpdateUrl(int mode)
{
    return "http://" + GetUpdateHost() + GetUpdateObject(mode);
}

std::string ToAnswerFileText(std::string_view body)
{
    std::string text;
    std::size_t at = 0;
    while (at < body.size()) {
        auto end = body.find('\n', at);
        if (end == std::string_view::npos)
            end = body.size();
        text.append(body.substr(at, end - at)).append("\r\n");
        at = end + 1;
    }
    return text;
}

std::string DescribeUpdateFailure(long httpStatus)
{
    const std::string service = "The update service at " + GetUpdateHost();
    const std::string code = " (" + std::to_string(httpStatus) + ")";
    if (httpStatus == 200)
        return "The update service's answer could not be saved in Velmora's folder: check that the disk has room "
               "and the folder can be written, then try again.";
    if (httpStatus == 404 || httpStatus == 410)
        return service + " has no such update" + code + ": it may have moved; try again later.";
    if (httpStatus == 429 || httpStatus == 503)
        return service + " is busy" + code + ": try again in a few minutes.";
    if (httpStatus > 0)
        return service + " answered with an error" + code + ": try again later.";
    return service + " could not be reached: check the network (and any proxy set in the environment), then try "
                     "again.";
}

void UpdateThreadProc(const std::shared_ptr<UpdateJob>& job)
{
    bool written = false;
    long status = 0;
    try {
        FetchOptions options;
        options.url = BuildUpdateUrl(job->mode);
        options.userAgent = "Velmora";
        options.headers = {"Connection: Close", "Cache-Control: no-cache", "Pragma: no-cache"};
        options.connectTimeoutSeconds = job->connectTimeoutSeconds;
        options.totalTimeoutSeconds = job->totalTimeoutSeconds;
        options.maxBytes = job->maxAnswer;
        std::string body;
        const FetchResult fetched = HttpFetch(options, [&body](std::string_view data) { body.append(data); });
        status = fetched.httpStatus;
        if (fetched.status == FetchStatus::Ok && status == 200)
            written = WriteFileAtomically(job->answerPath, ToAnswerFileText(body)).Ok();
    } catch (const std::exception&) {
        written = false;
    }
    Message ready;
    ready.id = kMsgUpdateReady;
    ready.value = written ? 1 : 0;
    ready.subject = static_cast<std::uint64_t>(status);
    job->queue->Post(std::move(ready));
}

bool StartUpdateWorker(const std::shared_ptr<UpdateJob>& job)
{
    return WorkerPool::Shared().Run([job] { UpdateThreadProc(job); });
}

} // namespace velmora
