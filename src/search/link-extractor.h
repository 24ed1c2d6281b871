#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace velmora {

class MessageQueue;

// Where a scan posts its links and how it learns that it should stop.
struct LinkScanContext {
    MessageQueue* queue = nullptr;
    const std::atomic<bool>* stop = nullptr; // read before every href
    std::uint64_t engineItem = 0;            // passed through as subject
    std::uint64_t jobId = 0;
    std::uint64_t* bytesJudged = nullptr; // when given, grows by the length of every link value judged
    // When not 0, a post waits while this many messages wait in the queue:
    // for a scan on a worker whose owner drains the queue meanwhile.
    std::size_t mostWaiting = 0;
    // The page is the caller's own heap memory, not read after the scan
    // unless no link was posted: once a link is posted, what the scan has
    // passed is given back to the system as it goes (a page of many MB
    // posted at the owner's pace is not held whole).
    bool giveBackScanned = false;
    // When given, a link already in it is not posted again, and every
    // posted link is put in it: the pages of one engine post each link once.
    std::unordered_set<std::string>* seen = nullptr;
    // When given, a link (or the redirect it came from) that holds any of
    // these texts is not posted: an engine's API key never becomes a result.
    const std::vector<std::string>* hidden = nullptr;
};

// Both run on a search worker. Each accepted link is posted at once (http
// and https: the URL, a tab and the cleaned anchor text, as
// kMsgFoundHttpLink; ftp: the URL alone, as kMsgFoundFtpLink); the result is
// the number posted. A search engine's redirect link (see UnwrapLink) is
// replaced by its target, which must pass the same rules, and the redirect
// is posted beside it. The page is scanned by index and never copied, in
// time linear in its size. `anchors`, when given, counts every href.
int ExtractHttpLinks(std::string_view page, const LinkScanContext& context, int* anchors = nullptr);
int ExtractFtpLinks(std::string_view page, const LinkScanContext& context);

// One URL of a JSON answer, taken as an href's value is: a redirect is
// unwrapped, a file link of http(s) is posted with `title` as its text (the
// URL when there is none), one of ftp alone. 1 when it was posted.
int TakeAnswerLink(std::string_view url, std::string_view title, const LinkScanContext& context);

} // namespace velmora

namespace velmora {

// Appends fetched data to a page as the fetch joins lines: every line
// feed dropped, a carriage return before it kept, nothing put between.
void AppendPageData(std::string& page, std::string_view data);

struct PageScan {
    int httpLinks = 0;
    int ftpLinks = 0;
    int anchors = 0;      // every href on the page, file or not
    bool stopped = false; // the stop flag was seen after a pass
};

// The http pass over the whole page, then the ftp pass, each followed by a
// look at the stop flag.
PageScan ScanResultPage(std::string_view page, const LinkScanContext& context);

} // namespace velmora
