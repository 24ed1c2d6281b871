#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "platform/http-fetch.h"

namespace velmora {

// How an engine's fetch went, as the window's mark and tooltip and the
// command line's "engine" event tell it.
enum class EngineHealth {
    Links,       // scanned, and file links found
    NoFileLinks, // scanned, but none of its links names a file
    Blocked,     // 403, 429, 503, or an empty 202
    Challenge,   // a captcha, or a page that needs JavaScript
    HttpError,   // another error status
    Unreachable,
    Timeout,
    TooBig,
    Cut,
    OnHold,     // skipped: an earlier answer asked to wait
    KeyRefused, // 401, or 403 from an engine with an API key
    BadAnswer,  // a JSON engine's answer that is not JSON, or too deep
    NotSetUp,   // not asked: its settings cannot make a request
};

// "links", "no-file-links", "blocked", ... as the command line writes them.
const char* HealthName(EngineHealth health);

struct EngineReport {
    EngineHealth health = EngineHealth::Unreachable;
    bool scanned = false; // the page was read and scanned
    long status = 0;      // the HTTP status; 0 when no answer came
    int links = 0;        // file links the page posted
    int anchors = 0;      // links on the page, file or not
    long ms = 0;          // the fetch and the scan
    int pages = 0;        // pages fetched and read
    int pagesAsked = 1;   // pages the engine is set to give
    std::string reason;   // a sentence for people
    // An answer's Retry-After, in seconds from now.
    std::optional<std::int64_t> retryAfter;
};

// Retry-After as seconds from `now`: a number of seconds or an HTTP date.
std::optional<std::int64_t> ParseRetryAfter(std::string_view value, std::time_t now);

// A page that holds a captcha or challenge marker, or a short page whose
// only content is a script or a noscript notice.
bool LooksLikeChallenge(std::string_view page, int anchors);

// The diagnosis of a page that was fetched whole and scanned; `keyed` for
// an engine asked with an API key (its 403 is a refused key).
EngineReport DiagnosePage(const FetchResult& fetched, std::string_view page, int links, int anchors,
                          bool keyed = false);
// The diagnosis of a JSON answer that was fetched whole: `readError` is why
// it could not be read, empty when it was.
EngineReport DiagnoseAnswer(const FetchResult& fetched, std::string_view answer, const std::string& readError,
                            int links, int anchors, bool keyed);
// Adds page `number` (from 2) of an engine read over several pages to its
// report: its links and anchors when it was read, else why not; `answer`
// for a JSON engine. Paging ends at a page that was not read.
void AddLaterPage(EngineReport& total, const EngineReport& page, int number, bool answer);
// An engine that was not asked, and why.
EngineReport NotSetUp(std::string reason);
// The diagnosis of a fetch that failed.
EngineReport DiagnoseFailure(const FetchResult& fetched);

} // namespace velmora
