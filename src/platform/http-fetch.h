#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Limits of one fetch. Every wait is bounded: the connect, a peer that
// sends nothing (less than a byte a second for lowSpeedSeconds), the whole
// transfer, and the size of the body.
struct FetchOptions {
    std::string url;
    std::string userAgent = "Velmora/2.2";
    std::vector<std::string> headers; // extra request headers
    // A login given apart from the URL (FTP); none when the user is empty.
    std::string user;
    std::string password;
    long connectTimeoutSeconds = 20;
    long lowSpeedSeconds = 30;
    long totalTimeoutSeconds = 120;
    long maxRedirects = 10;
    bool headOnly = false; // a HEAD request: the answer's head, no body
    // Ask for the file's date: Last-Modified over HTTP, MDTM over FTP.
    bool wantFileTime = false;
    std::size_t maxBytes = std::size_t{32} << 20;
    const std::atomic<bool>* stop = nullptr; // polled at least once a second
    // Set by the reader of the body when it wants no more of it: the fetch
    // ends at once and counts as Ok with the body read so far.
    const bool* enough = nullptr;
    // Redirects only to the same scheme, host and port as the URL.
    bool sameOriginRedirectsOnly = false;

    // For downloads: continue at this offset; treat an HTTP error status as
    // a failure; learn the progress.
    std::uint64_t resumeFrom = 0;
    bool failOnHttpError = false;
    std::function<void(std::uint64_t done, std::uint64_t total)> onProgress;
};

enum class FetchStatus {
    Ok,       // the whole body arrived (whatever the HTTP status)
    Failed,   // no connection, a broken or timed-out transfer, a bad URL
    TooLarge, // the body passed maxBytes
    Stopped,  // the stop flag was seen
};

// Why a fetch failed, as far as the caller may care.
enum class FetchFailure {
    None,
    NoSuchHost,    // the server's name is not known
    Refused,       // nothing listens at the server's port
    Certificate,   // the server's certificate could not be verified
    Unreachable,   // no connection or no TLS session for another reason
    TimedOut,      // no connection in time, too slow, or too long in all
    Cut,           // the answer broke off before its end
    NoSuchFile,    // an FTP server has no such file
    LoginDenied,   // an FTP server refused the login
    Downgrade,     // an https address redirected to one without TLS (not followed)
    NotTheService, // what answered spoke no HTTP (or FTP) that could be read
    RedirectLoop,  // redirected more times than allowed
    Other,         // anything else (an HTTP error status, a redirect loop, a bad address)
};

struct FetchResult {
    FetchStatus status = FetchStatus::Failed;
    long httpStatus = 0;
    std::string error; // a sentence for people when not Ok
    FetchFailure failure = FetchFailure::None;
    bool rangeRefused = false; // a resume the server would not honour
    std::string statusLine;    // "HTTP/1.1 200 OK" of the last answer
    // The header lines of the last answer (after redirects), as "Name:
    // value" without the line end; at most kMaxHeaderBytes of them.
    std::vector<std::string> headers;
    // What the server said of the file, when it said it: its length (an
    // HTTP Content-Length, an FTP SIZE) and, when asked for, its date.
    std::optional<std::uint64_t> contentLength;
    std::optional<std::int64_t> fileTime; // seconds since 1970 (UTC)

    // The value of a header of the last answer, names in any case.
    std::optional<std::string> Header(std::string_view name) const;
};

inline constexpr std::size_t kMaxHeaderBytes = 16 * 1024;

// Fetches one URL on the calling thread (http, https, ftp, ftps; redirects
// followed, but never from https or ftps to an address without TLS; the environment's proxy variables honoured;
// certificates and host names verified, against the CA file named by CURL_CA_BUNDLE or SSL_CERT_FILE when one is set,
// as curl does). Each piece of the body goes to `onData` as it arrives.
FetchResult HttpFetch(const FetchOptions& options, const std::function<void(std::string_view)>& onData);

// Fetches like HttpFetch, one URL after another, keeping the connection (and
// a TLS session) open between them where the server allows: a worker that
// reads many pages of one server makes one connection, not one a page. Not
// shared between threads.
class HttpConnection {
public:
    HttpConnection() = default;
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    FetchResult Fetch(const FetchOptions& options, const std::function<void(std::string_view)>& onData);

private:
    void* m_handle = nullptr; // libcurl's easy handle, made on the first fetch
};

// Why a fetch that failed to connect or broke off failed, as a sentence for
// people ("The server stopped answering."); empty for other failures.
std::string DescribeConnectionFailure(const FetchResult& fetched);

// Readies the HTTP layer; call once on the main thread before any worker
// starts (HttpFetch calls it too, as a fallback).
void InitializeHttp();

} // namespace velmora
