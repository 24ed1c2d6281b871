#include "search/engine-health.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/ascii-case.h"
#include "platform/http-date.h"
#include "search/ci-find.h"

namespace velmora {

namespace {

// Longer waits than a day are not believed.
constexpr std::int64_t kMaxRetryAfter = 24 * 3600;
// A page that needs JavaScript to show anything is short.
constexpr std::size_t kScriptOnlyPage = 16 * 1024;

constexpr std::string_view kChallengeMarkers[] = {
    "captcha",         "cf-challenge",         "challenge-platform", "challenge-form", "are you a robot",
    "unusual traffic", "verify you are human", "enable javascript",  "anomaly-modal",  "bot detection",
};

bool ContainsNoCase(std::string_view page, std::string_view lowerPattern)
{
    return FindNoCase(page, lowerPattern, 0, 0) != std::string_view::npos;
}

std::string StatusText(long status)
{
    switch (status) {
    case 403:
        return "403 (forbidden)";
    case 429:
        return "429 (too many requests)";
    case 503:
        return "503 (unavailable)";
    default:
        return std::to_string(status);
    }
}

} // namespace

const char* HealthName(EngineHealth health)
{
    switch (health) {
    case EngineHealth::Links:
        return "links";
    case EngineHealth::NoFileLinks:
        return "no-file-links";
    case EngineHealth::Blocked:
        return "blocked";
    case EngineHealth::Challenge:
        return "challenge";
    case EngineHealth::HttpError:
        return "http-error";
    case EngineHealth::Unreachable:
        return "unreachable";
    case EngineHealth::Timeout:
        return "timeout";
    case EngineHealth::TooBig:
        return "too-big";
    case EngineHealth::Cut:
        return "cut";
    case EngineHealth::OnHold:
        return "on-hold";
    case EngineHealth::KeyRefused:
        return "key-refused";
    case EngineHealth::BadAnswer:
        return "bad-answer";
    case EngineHealth::NotSetUp:
        return "not-set-up";
    }
    return "unreachable";
}

std::optional<std::int64_t> ParseRetryAfter(std::string_view value, std::time_t now)
{
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    if (!value.empty() && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        std::int64_t seconds = 0;
        for (char c : value.substr(0, 12))
            seconds = seconds * 10 + (c - '0');
        return std::min(seconds, kMaxRetryAfter);
    }
    const auto when = ParseHttpDate(value);
    if (!when)
        return std::nullopt;
    return std::clamp<std::int64_t>(*when - now, 0, kMaxRetryAfter);
}

bool LooksLikeChallenge(std::string_view page, int anchors)
{
    for (std::string_view marker : kChallengeMarkers) {
        if (ContainsNoCase(page, marker))
            return true;
    }
    return page.size() < kScriptOnlyPage && anchors == 0 &&
           (ContainsNoCase(page, "<noscript") || ContainsNoCase(page, "<script"));
}

namespace {

// What the status alone tells: a refused key, a block, an error; false when
// the answer's content decides.
bool DiagnoseStatus(const FetchResult& fetched, std::string_view page, bool keyed, EngineReport& report)
{
    const long status = fetched.httpStatus;
    const bool emptyAccepted = status == 202 && page.find_first_not_of(" \t\r\n") == std::string_view::npos;
    if (status == 401 || (status == 403 && keyed)) {
        report.health = EngineHealth::KeyRefused;
        report.scanned = false;
        report.reason = "The engine refused the API key (it answered " + std::to_string(status) +
                        "). Check the engine's Key in its settings.";
    } else if (status == 403 || status == 429 || status == 503 || emptyAccepted) {
        report.health = EngineHealth::Blocked;
        if (const auto retry = fetched.Header("Retry-After"))
            report.retryAfter = ParseRetryAfter(*retry, std::time(nullptr));
        report.reason = emptyAccepted ? "Blocked: the engine answered 202 with an empty page."
                                      : "Blocked: the engine answered " + StatusText(status) + ".";
        if (report.retryAfter)
            report.reason += " It asks to wait " + std::to_string(*report.retryAfter) + " s.";
    } else if (status >= 400) {
        report.health = EngineHealth::HttpError;
        report.reason = "The engine answered " + std::to_string(status) + ".";
    } else if (status >= 300 && keyed) {
        // Only an engine asked with a key is not followed off its own site;
        // another's final 3xx (one without a place to go) is read as a page.
        report.health = EngineHealth::HttpError;
        report.reason = "The engine sent the search to another site (it answered " + std::to_string(status) +
                        "); an engine asked with an API key is followed only within its own site.";
    } else {
        return false;
    }
    return true;
}

EngineReport ReadAnswer(const FetchResult& fetched, int links, int anchors)
{
    EngineReport report;
    report.scanned = true;
    report.status = fetched.httpStatus;
    report.links = links;
    report.anchors = anchors;
    return report;
}

void FoundLinks(EngineReport& report)
{
    report.health = EngineHealth::Links;
    report.reason = (report.pages > 1 ? "Scanned " + std::to_string(report.pages) + " pages: " : "Scanned: ") +
                    std::to_string(report.links) + " file link" + (report.links == 1 ? "." : "s.");
}

std::string NoFileLinksReason(int anchors, bool answer)
{
    return (answer ? "Read: none of its " : "Scanned: none of its ") + std::to_string(anchors) +
           (answer ? " results names a file." : " links names a file.") +
           " Add words that files carry, such as a type (pdf, mp3, zip).";
}

void ChallengeAnswer(EngineReport& report)
{
    report.health = EngineHealth::Challenge;
    report.reason = "The engine answered with a challenge (a captcha, or a page that needs JavaScript).";
}

} // namespace

EngineReport DiagnosePage(const FetchResult& fetched, std::string_view page, int links, int anchors, bool keyed)
{
    EngineReport report = ReadAnswer(fetched, links, anchors);
    if (DiagnoseStatus(fetched, page, keyed, report))
        return report;
    if (links > 0) {
        FoundLinks(report);
    } else if (LooksLikeChallenge(page, anchors)) {
        ChallengeAnswer(report);
    } else {
        report.health = EngineHealth::NoFileLinks;
        report.reason = NoFileLinksReason(anchors, false);
    }
    return report;
}

EngineReport DiagnoseAnswer(const FetchResult& fetched, std::string_view answer, const std::string& readError,
                            int links, int anchors, bool keyed)
{
    EngineReport report = ReadAnswer(fetched, links, anchors);
    if (DiagnoseStatus(fetched, answer, keyed, report)) {
        // The first thing a new SearXNG instance answers a JSON search.
        if (report.health == EngineHealth::Blocked && report.status == 403)
            report.reason += " An instance that does not serve JSON answers so (SearXNG: add json to the formats "
                             "of its settings.yml).";
        return report;
    }
    if (!readError.empty()) {
        // A challenge comes as an HTML page where JSON was asked for.
        if (LooksLikeChallenge(answer, 0)) {
            ChallengeAnswer(report);
        } else {
            report.health = EngineHealth::BadAnswer;
            report.scanned = false;
            report.reason = readError;
        }
    } else if (links > 0) {
        FoundLinks(report);
    } else {
        report.health = EngineHealth::NoFileLinks;
        report.reason = NoFileLinksReason(anchors, true);
    }
    return report;
}

void AddLaterPage(EngineReport& total, const EngineReport& page, int number, bool answer)
{
    if (page.health != EngineHealth::Links && page.health != EngineHealth::NoFileLinks) {
        total.reason += " Page " + std::to_string(number) + " was not read: " + page.reason;
        return;
    }
    total.links += page.links;
    total.anchors += page.anchors;
    if (total.links > 0) {
        FoundLinks(total);
    } else {
        total.health = EngineHealth::NoFileLinks;
        total.reason = NoFileLinksReason(total.anchors, answer);
    }
}

EngineReport NotSetUp(std::string reason)
{
    EngineReport report;
    report.health = EngineHealth::NotSetUp;
    report.reason = std::move(reason);
    return report;
}

namespace {

// The sentence for a failure when there is one, else libcurl's own words.
std::string Explained(const FetchResult& fetched)
{
    const std::string sentence = DescribeConnectionFailure(fetched);
    return sentence.empty() ? fetched.error : sentence;
}

} // namespace

EngineReport DiagnoseFailure(const FetchResult& fetched)
{
    EngineReport report;
    report.status = fetched.httpStatus;
    switch (fetched.status == FetchStatus::TooLarge ? FetchFailure::Other : fetched.failure) {
    case FetchFailure::TimedOut:
        report.health = EngineHealth::Timeout;
        report.reason = "The engine did not answer in time.";
        return report;
    case FetchFailure::Cut:
        report.health = EngineHealth::Cut;
        report.reason = "The page broke off before its end.";
        return report;
    default:
        break;
    }
    if (fetched.status == FetchStatus::TooLarge) {
        report.health = EngineHealth::TooBig;
        report.reason = "The page was too large to scan. " + fetched.error;
    } else if ((fetched.failure == FetchFailure::Other || fetched.failure == FetchFailure::RedirectLoop) &&
               fetched.httpStatus >= 300) {
        report.health = EngineHealth::HttpError;
        report.reason = "The engine's answer could not be followed: " + Explained(fetched);
    } else {
        report.health = EngineHealth::Unreachable;
        report.reason = "The engine could not be reached: " + Explained(fetched);
    }
    return report;
}

} // namespace velmora
