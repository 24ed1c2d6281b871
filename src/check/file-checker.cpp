#include "check/file-checker.h"

#include <charconv>
#include <string_view>

#include "platform/ascii-case.h"
#include "platform/http-fetch.h"

namespace velmora {

namespace {

bool IsFtpUrl(const std::string& url)
{
    const std::string scheme = LowerAscii(std::string_view(url).substr(0, 6));
    return scheme.starts_with("ftp:") || scheme.starts_with("ftps:");
}

FetchOptions CheckOptions(const FileToCheck& file, const CheckLimits& limits, const std::atomic<bool>* stop)
{
    FetchOptions options;
    options.url = file.url;
    options.user = file.user;
    options.password = file.password;
    options.userAgent = limits.userAgent;
    options.connectTimeoutSeconds = limits.connectTimeoutSeconds;
    options.lowSpeedSeconds = limits.lowSpeedSeconds;
    options.totalTimeoutSeconds = limits.totalTimeoutSeconds;
    options.maxBytes = limits.maxBytes;
    options.stop = stop;
    options.wantFileTime = true;
    return options;
}

// "404 Not Found" from "HTTP/1.1 404 Not Found"; "404" where the line has
// no reason (HTTP/2) or there was none.
std::string StatusText(const FetchResult& fetched)
{
    std::string text = std::to_string(fetched.httpStatus);
    const std::string_view line = fetched.statusLine;
    const auto code = line.find(' ');
    const auto reason = code == std::string_view::npos ? code : line.find(' ', code + 1);
    if (reason != std::string_view::npos) {
        std::string_view phrase = line.substr(reason + 1);
        while (!phrase.empty() && (phrase.back() == '\r' || phrase.back() == ' '))
            phrase.remove_suffix(1);
        // The server's words, without the bytes a terminal or a tip would act on.
        std::string words;
        for (const char c : phrase.substr(0, 80))
            words += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
        if (!words.empty())
            text += " " + words;
    }
    return text;
}

// A fetch that got no answer: why, as the browse and the tests say it.
FileCheck NoAnswer(const FetchResult& fetched)
{
    FileCheck check;
    check.status = static_cast<int>(fetched.httpStatus);
    if (fetched.status == FetchStatus::Stopped) {
        check.reason = "The check was stopped.";
        return check;
    }
    check.reason = DescribeConnectionFailure(fetched);
    if (check.reason.empty())
        check.reason = fetched.error.empty() ? "The server gave no answer." : fetched.error + ".";
    return check;
}

FileCheck CheckFtpFile(HttpConnection& connection, const FileToCheck& file, const CheckLimits& limits,
                       const std::atomic<bool>* stop)
{
    FetchOptions options = CheckOptions(file, limits, stop);
    options.headOnly = true; // TYPE I, SIZE and MDTM; no data connection
    const FetchResult fetched = connection.Fetch(options, [](std::string_view) {});
    if (fetched.status != FetchStatus::Ok) {
        FileCheck check = NoAnswer(fetched);
        const std::string code = " (" + std::to_string(fetched.httpStatus) + ").";
        if (fetched.failure == FetchFailure::NoSuchFile || fetched.httpStatus == 550)
            check.reason = "The server has no such file" + code;
        else if (fetched.failure == FetchFailure::LoginDenied)
            check.reason = "The server refused the login" + code;
        return check;
    }
    FileCheck check;
    check.alive = true;
    check.size = fetched.contentLength;
    check.modified = fetched.fileTime;
    // The reply that told of the file: SIZE's 213 (libcurl's last code is
    // that of a later REST).
    check.status = 213;
    check.reason = fetched.contentLength ? "The server has the file." : "The server has the file but told no size.";
    return check;
}

FileCheck FromAnswer(const FetchResult& fetched, std::optional<std::uint64_t> size, std::string_view how)
{
    FileCheck check;
    check.status = static_cast<int>(fetched.httpStatus);
    check.modified = fetched.fileTime;
    const long status = fetched.httpStatus;
    if (status >= 200 && status < 300) {
        check.alive = true;
        check.size = size;
        check.reason = "The server has the file (" + StatusText(fetched) + std::string(how) + ").";
    } else if (status == 404 || status == 410) {
        check.reason = "The server has no such file (" + StatusText(fetched) + ").";
    } else {
        check.reason = "The server answered " + StatusText(fetched) + std::string(how) + ".";
    }
    return check;
}

// HEAD refused: the first byte by a range request. A server that ignores
// the range starts sending the whole file; the first piece ends the fetch.
FileCheck CheckByRange(HttpConnection& connection, const FileToCheck& file, const CheckLimits& limits,
                       const std::atomic<bool>* stop)
{
    FetchOptions options = CheckOptions(file, limits, stop);
    options.headers.push_back("Range: bytes=0-0");
    bool enough = false;
    options.enough = &enough;
    const FetchResult fetched = connection.Fetch(options, [&enough](std::string_view) { enough = true; });
    if (fetched.status != FetchStatus::Ok && fetched.status != FetchStatus::TooLarge)
        return NoAnswer(fetched);
    const std::optional<std::string> range = fetched.Header("Content-Range");
    if (fetched.httpStatus == 206)
        return FromAnswer(fetched, range ? ParseContentRangeTotal(*range) : std::nullopt,
                          ", to a request for its first byte");
    // Nothing to send from byte 0: an empty file.
    if (fetched.httpStatus == 416 && range) {
        if (const auto total = ParseContentRangeTotal(*range); total && *total == 0) {
            FileCheck check = FromAnswer(fetched, total, "");
            check.alive = true;
            check.reason = "The server has the file; it is empty.";
            return check;
        }
    }
    return FromAnswer(fetched, fetched.contentLength, ", to a request for its first byte");
}

} // namespace

std::optional<std::uint64_t> ParseContentRangeTotal(std::string_view value)
{
    const auto slash = value.rfind('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    std::string_view total = value.substr(slash + 1);
    while (!total.empty() && (total.back() == ' ' || total.back() == '\t'))
        total.remove_suffix(1);
    std::uint64_t bytes = 0;
    const auto [end, error] = std::from_chars(total.data(), total.data() + total.size(), bytes);
    if (total.empty() || error != std::errc() || end != total.data() + total.size())
        return std::nullopt;
    return bytes;
}

FileCheck CheckFile(HttpConnection& connection, const FileToCheck& file, const CheckLimits& limits,
                    const std::atomic<bool>* stop)
{
    if (IsFtpUrl(file.url))
        return CheckFtpFile(connection, file, limits, stop);
    FetchOptions options = CheckOptions(file, limits, stop);
    options.headOnly = true;
    const FetchResult head = connection.Fetch(options, [](std::string_view) {});
    if (head.status != FetchStatus::Ok)
        return NoAnswer(head);
    // HEAD refused: the GET's answer is the file's, a 403 it gives too included.
    const long status = head.httpStatus;
    if (status == 405 || status == 501 || status == 403)
        return CheckByRange(connection, file, limits, stop);
    return FromAnswer(head, head.contentLength, "");
}

} // namespace velmora
