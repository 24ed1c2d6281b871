#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "platform/message-queue.h"
#include "reference-extractor.h"
#include "search/link-extractor.h"

namespace velmora::test {

// Runs the real extractors over a page and collects what they posted, in
// the form the reference scanner gives.
struct ExtractorRun {
    std::vector<ReferenceLink> links;
    int httpCount = 0;
    int ftpCount = 0;
};

// What the queue holds, in the reference scanner's form.
inline void CollectLinks(MessageQueue& queue, ExtractorRun& run)
{
    while (auto message = queue.TryTake()) {
        const FoundLink& link = *message->link;
        const bool http = message->id == kMsgFoundHttpLink;
        ReferenceLink found{http, link.text.substr(0, link.urlLength), {}};
        if (http)
            found.text = link.text.substr(link.urlLength + 1);
        run.links.push_back(found);
    }
}

// Each kind of link on its own, as ExtractHttpLinks and ExtractFtpLinks give them.
inline ExtractorRun RunExtractors(std::string_view page, const std::function<void()>& onPost = {})
{
    MessageQueue queue;
    std::atomic<bool> stop{false};
    if (onPost)
        queue.SetWakeup(onPost);
    const LinkScanContext context{&queue, &stop, 17, 99};
    ExtractorRun run;
    run.httpCount = ExtractHttpLinks(page, context);
    run.ftpCount = ExtractFtpLinks(page, context);
    CollectLinks(queue, run);
    return run;
}

// Both kinds in the one scan a search makes.
inline ExtractorRun RunPageScan(std::string_view page)
{
    MessageQueue queue;
    std::atomic<bool> stop{false};
    const LinkScanContext context{&queue, &stop, 17, 99};
    const PageScan scan = ScanResultPage(page, context);
    ExtractorRun run;
    run.httpCount = scan.httpLinks;
    run.ftpCount = scan.ftpLinks;
    CollectLinks(queue, run);
    return run;
}

} // namespace velmora::test
