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
    while (auto message = queue.TryTake()) {
        const FoundLink& link = *message->link;
        const bool http = message->id == kMsgFoundHttpLink;
        ReferenceLink found{http, link.text.substr(0, link.urlLength), {}};
        if (http)
            found.text = link.text.substr(link.urlLength + 1);
        run.links.push_back(found);
    }
    return run;
}

} // namespace velmora::test
