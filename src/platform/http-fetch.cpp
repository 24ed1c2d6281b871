#include "platform/http-fetch.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

struct Transfer {
    const FetchOptions* options = nullptr;
    CURL* curl = nullptr;
    const std::function<void(std::string_view)>* onData = nullptr;
    std::size_t received = 0;
    bool tooLarge = false;
    bool stopped = false;
    bool enough = false; // the reader wanted no more
    bool failed = false; // a callback of ours threw (out of memory)
    std::vector<std::string> headers;
    std::size_t headerBytes = 0;
    std::string statusLine;
};

FetchFailure ClassifyFailure(CURLcode code, std::string_view errorText)
{
    switch (code) {
    case CURLE_WEIRD_SERVER_REPLY:
        return FetchFailure::NotTheService;
    case CURLE_UNSUPPORTED_PROTOCOL:
        // An answer without a status line is "HTTP/0.9" to libcurl: some
        // other service listens there.
        return errorText.find("HTTP/0.9") != std::string_view::npos ? FetchFailure::NotTheService : FetchFailure::Other;
    case CURLE_TOO_MANY_REDIRECTS:
        return FetchFailure::RedirectLoop;
    case CURLE_COULDNT_RESOLVE_HOST:
        return FetchFailure::NoSuchHost;
    case CURLE_COULDNT_CONNECT:
        return FetchFailure::Refused;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return FetchFailure::Certificate;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_SSL_CONNECT_ERROR:
        return FetchFailure::Unreachable;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return FetchFailure::NoSuchFile;
    case CURLE_LOGIN_DENIED:
        return FetchFailure::LoginDenied;
    case CURLE_OPERATION_TIMEDOUT:
        return FetchFailure::TimedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
        return FetchFailure::Cut;
    default:
        return FetchFailure::Other;
    }
}

// The CA file the user named, as the curl program reads it.
const char* CaFileFromEnvironment()
{
    for (const char* name : {"CURL_CA_BUNDLE", "SSL_CERT_FILE"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return nullptr;
}

// The callbacks run inside libcurl's C code: nothing may be thrown through
// it, so a failure ends the transfer instead.
std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer->options->stop && transfer->options->stop->load()) {
        transfer->stopped = true;
        return 0;
    }
    if (transfer->options->sameOriginRedirectsOnly) {
        // A redirect followed by hand: its own body is nobody's business.
        long code = 0;
        curl_easy_getinfo(transfer->curl, CURLINFO_RESPONSE_CODE, &code);
        if (code >= 300 && code < 400)
            return bytes;
    }
    if (bytes > transfer->options->maxBytes - transfer->received) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->received += bytes;
    try {
        (*transfer->onData)(std::string_view(data, bytes));
    } catch (...) {
        transfer->failed = true;
        return 0;
    }
    if (transfer->options->enough && *transfer->options->enough) {
        transfer->enough = true;
        return 0;
    }
    return bytes;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    std::string_view line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    try {
        // A new status line starts the headers of the next answer.
        if (line.starts_with("HTTP/")) {
            transfer->headers.clear();
            transfer->headerBytes = 0;
            transfer->statusLine = std::string(line.substr(0, 256));
        } else if (!line.empty() && transfer->headerBytes + line.size() <= kMaxHeaderBytes) {
            transfer->headerBytes += line.size();
            transfer->headers.emplace_back(line);
        }
    } catch (...) {
        transfer->failed = true;
        return 0;
    }
    return bytes;
}

// libcurl calls this about once a second even while nothing arrives, so a
// stop is seen without waiting for the peer.
int OnProgress(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t)
{
    auto* transfer = static_cast<Transfer*>(user);
    try {
        if (transfer->options->onProgress)
            transfer->options->onProgress(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total));
    } catch (...) {
        transfer->failed = true;
        return 1;
    }
    if (transfer->options->stop && transfer->options->stop->load()) {
        transfer->stopped = true;
        return 1;
    }
    return 0;
}

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// "scheme://host:port" of a URL, the port filled in; empty when it does not parse.
std::string OriginOf(const char* url)
{
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url, 0) != CURLUE_OK)
        return {};
    std::string origin;
    for (const CURLUPart part : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT}) {
        char* value = nullptr;
        if (curl_url_get(parsed.get(), part, &value, part == CURLUPART_PORT ? CURLU_DEFAULT_PORT : 0) != CURLUE_OK)
            return {};
        origin += LowerAscii(value);
        origin += '|';
        curl_free(value);
    }
    return origin;
}

// Follows redirects by hand, to the URL's own origin only, at most
// maxRedirects of them. A redirect elsewhere, or one too many, ends the
// fetch with the redirect's own status.
CURLcode PerformSameOrigin(CURL* curl, const FetchOptions& options)
{
    const std::string origin = OriginOf(options.url.c_str());
    // The time limit is the whole chain's, not each hop's: a server that
    // redirects slowly gets no more time than one that answers slowly.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.totalTimeoutSeconds);
    CURLcode code = curl_easy_perform(curl);
    for (long followed = 0; code == CURLE_OK && followed < options.maxRedirects; ++followed) {
        long status = 0;
        char* next = nullptr;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &next);
        if (status < 300 || status >= 400 || next == nullptr || origin.empty() || OriginOf(next) != origin)
            break;
        const std::string target(next);
        if (options.totalTimeoutSeconds > 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return CURLE_OPERATION_TIMEDOUT;
            curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
        }
        curl_easy_setopt(curl, CURLOPT_URL, target.c_str());
        code = curl_easy_perform(curl);
    }
    return code;
}

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

} // namespace

std::optional<std::string> FetchResult::Header(std::string_view name) const
{
    for (const std::string& line : headers) {
        const auto colon = line.find(':');
        if (colon != std::string::npos && EqualsNoCase(std::string_view(line).substr(0, colon), name)) {
            const auto start = line.find_first_not_of(" \t", colon + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return std::nullopt;
}

std::string DescribeConnectionFailure(const FetchResult& fetched)
{
    if (fetched.status == FetchStatus::TooLarge)
        return fetched.error;
    switch (fetched.failure) {
    case FetchFailure::NoSuchHost:
        return "The server's name could not be found.";
    case FetchFailure::Refused:
        return "The server did not accept a connection.";
    case FetchFailure::Certificate:
        return "The server's certificate could not be verified.";
    case FetchFailure::Unreachable:
        return "The server could not be reached.";
    case FetchFailure::TimedOut:
        return "The server stopped answering.";
    case FetchFailure::Cut:
        return "The connection broke off.";
    case FetchFailure::Downgrade:
        return "The server sent its https address on to one without encryption, which was not followed.";
    case FetchFailure::NotTheService:
        return "The server did not answer as a web server.";
    case FetchFailure::RedirectLoop:
        return "The server sent the address on too many times (a redirect loop).";
    default:
        return {};
    }
}

void InitializeHttp()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

// https and ftps: a redirect to plain http or ftp would hand the transfer to
// whoever sits on the network, so none is followed.
bool IsSecureUrl(const std::string& url)
{
    const std::string scheme = LowerAscii(std::string_view(url).substr(0, 6));
    return scheme == "https:" || scheme.starts_with("ftps:");
}

// Everything a fetch asks of libcurl: limits, redirects, and our callbacks.
void ConfigureHandle(CURL* curl, const FetchOptions& options, Transfer& transfer, curl_slist* headers, char* errorText)
{
    curl_easy_setopt(curl, CURLOPT_URL, options.url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, options.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR,
                     IsSecureUrl(options.url) ? "https,ftps" : "http,https,ftp,ftps");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, options.sameOriginRedirectsOnly ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, options.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.lowSpeedSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, options.totalTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnWrite);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(options.resumeFrom));
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, options.failOnHttpError ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_NOBODY, options.headOnly ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_FILETIME, options.wantFileTime ? 1L : 0L);
    if (!options.user.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, options.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, options.password.c_str());
    }
    if (const char* caFile = CaFileFromEnvironment())
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile);
}

// How the transfer ended, from what our callbacks saw and libcurl's code.
void SetOutcome(FetchResult& result, const Transfer& transfer, CURLcode code, const char* errorText)
{
    const FetchOptions& options = *transfer.options;
    if (transfer.failed) {
        result.status = FetchStatus::Failed;
        result.error = "Out of memory.";
    } else if (transfer.stopped) {
        result.status = FetchStatus::Stopped;
    } else if (transfer.enough) {
        result.status = FetchStatus::Ok;
    } else if (transfer.tooLarge) {
        result.status = FetchStatus::TooLarge;
        result.error = "The answer was larger than " + std::to_string(options.maxBytes >> 20) + " MiB.";
    } else if (code == CURLE_OK) {
        result.status = FetchStatus::Ok;
    } else {
        result.rangeRefused = code == CURLE_RANGE_ERROR;
        const FetchFailure failure = ClassifyFailure(code, errorText);
        const bool downgrade =
            IsSecureUrl(options.url) && code == CURLE_UNSUPPORTED_PROTOCOL && failure != FetchFailure::NotTheService;
        result.failure = downgrade ? FetchFailure::Downgrade : failure;
        result.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
    }
}

} // namespace

HttpConnection::~HttpConnection()
{
    if (m_handle != nullptr)
        curl_easy_cleanup(m_handle);
}

FetchResult HttpConnection::Fetch(const FetchOptions& options, const std::function<void(std::string_view)>& onData)
{
    InitializeHttp();
    FetchResult result;
    // A reset handle forgets the last fetch's options but keeps its live
    // connection and TLS session for the next.
    if (m_handle == nullptr)
        m_handle = curl_easy_init();
    else
        curl_easy_reset(m_handle);
    if (m_handle == nullptr) {
        result.error = "The network layer could not be started.";
        return result;
    }
    CURL* handle = m_handle;
    Transfer transfer;
    transfer.curl = handle;
    transfer.options = &options;
    transfer.onData = &onData;
    std::unique_ptr<curl_slist, ListDeleter> headers;
    for (const std::string& header : options.headers)
        headers.reset(curl_slist_append(headers.release(), header.c_str()));
    char errorText[CURL_ERROR_SIZE] = "";
    ConfigureHandle(handle, options, transfer, headers.get(), errorText);
    const CURLcode code =
        options.sameOriginRedirectsOnly ? PerformSameOrigin(handle, options) : curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    // libcurl says -1 for what it was not told.
    curl_off_t length = -1;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0)
        result.contentLength = static_cast<std::uint64_t>(length);
    curl_off_t fileTime = -1;
    if (options.wantFileTime && curl_easy_getinfo(handle, CURLINFO_FILETIME_T, &fileTime) == CURLE_OK && fileTime >= 0)
        result.fileTime = static_cast<std::int64_t>(fileTime);
    // The handle must not point at this call's error text or header list
    // once they are gone.
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    result.headers = std::move(transfer.headers);
    result.statusLine = std::move(transfer.statusLine);
    SetOutcome(result, transfer, code, errorText);
    return result;
}

FetchResult HttpFetch(const FetchOptions& options, const std::function<void(std::string_view)>& onData)
{
    HttpConnection connection;
    return connection.Fetch(options, onData);
}

} // namespace velmora
