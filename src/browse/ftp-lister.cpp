// Listing FTP directories with libcurl: MLSD (a custom listing command on a
// directory URL) while the server knows it, else LIST, read line by line
// here so that one line nobody can read does not lose the directory.

#include <curl/curl.h>

#include <ctime>
#include <memory>

#include "browse/directory-lister.h"
#include "browse/list-lines.h"
#include "browse/listing-text.h"
#include "platform/http-fetch.h"

namespace velmora {

namespace {

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

// What the callbacks of one transfer share.
struct Transfer {
    const std::atomic<bool>* stop = nullptr;
    std::size_t maxBytes = 0;
    std::string body;
    bool tooLarge = false;
    bool failed = false; // a callback threw (out of memory): nothing may cross libcurl's C frames
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0;
    }
    try {
        transfer->body.append(data, bytes);
    } catch (...) {
        transfer->failed = true;
        return 0;
    }
    return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Transfer*>(user)->stop->load() ? 1 : 0;
}

bool IsUnknownCommand(long code)
{
    return code == 500 || code == 501 || code == 502 || code == 504;
}

class FtpLister : public DirectoryLister {
public:
    FtpLister(const BrowseTarget& target, const BrowseLimits& limits, const std::atomic<bool>& stop)
        : m_target(target), m_limits(limits), m_stop(stop), m_handle(curl_easy_init())
    {
        InitializeHttp();
        if (m_share)
            curl_share_setopt(m_share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    }

    ListOutcome List(const std::string& directory) override
    {
        ListOutcome outcome;
        if (!m_handle) {
            outcome.reason = "The network layer could not be started.";
            return outcome;
        }
        if (m_useMlsd) {
            outcome = Run(directory, true);
            if (outcome.ok || !IsUnknownCommand(outcome.status))
                return outcome;
            m_useMlsd = false; // this server has no MLSD: LIST from now on
        }
        return Run(directory, false);
    }

private:
    ListOutcome Run(const std::string& directory, bool mlsd)
    {
        // A fresh handle for each listing; the shared connection cache keeps
        // one login for every directory.
        m_handle.reset(curl_easy_init());
        CURL* curl = m_handle.get();
        if (curl == nullptr) {
            ListOutcome failed;
            failed.reason = "The network layer could not be started.";
            return failed;
        }
        curl_easy_setopt(curl, CURLOPT_SHARE, m_share.get());
        Transfer transfer;
        transfer.stop = &m_stop;
        transfer.maxBytes = m_limits.maxListingBytes;
        const std::string url = MakeDirectoryUrl(m_target, directory);
        char errorText[CURL_ERROR_SIZE] = "";
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(curl, CURLOPT_USERNAME, m_target.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m_target.password.c_str());
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, m_limits.connectTimeoutSeconds);
        curl_easy_setopt(curl, CURLOPT_FTP_RESPONSE_TIMEOUT, m_limits.lowSpeedSeconds);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, m_limits.lowSpeedSeconds);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, m_limits.listingTimeoutSeconds);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        // The path goes with LIST or MLSD: no CWD per folder.
        curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        // Names in UTF-8 where the server can send them so; a server that
        // cannot refuses, and the "*" lets the listing go on.
        curl_easy_setopt(curl, CURLOPT_QUOTE, m_utf8.get());
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        // Without a custom command a directory URL is listed by LIST.
        if (mlsd)
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "MLSD");
        const CURLcode code = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        return Outcome(code, status, transfer, mlsd, errorText);
    }

    // What one listing came to, from libcurl's code and what the callbacks saw.
    ListOutcome Outcome(CURLcode code, long status, Transfer& transfer, bool mlsd, const char* errorText) const
    {
        ListOutcome outcome;
        outcome.status = status;
        const std::string code3 = " (" + std::to_string(status) + ").";
        if (m_stop.load()) {
            outcome.reason = "Stopped.";
        } else if (transfer.failed) {
            outcome.reason = "The listing could not be kept: out of memory.";
        } else if (transfer.tooLarge) {
            outcome.reason = "The listing is larger than " + std::to_string(m_limits.maxListingBytes >> 20) + " MiB.";
        } else if (code == CURLE_OK) {
            outcome.ok = true;
            if (mlsd) {
                outcome.entries = ParseMlsd(transfer.body);
            } else {
                ListLines listed = ParseListLines(transfer.body, static_cast<std::int64_t>(std::time(nullptr)));
                outcome.entries = std::move(listed.entries);
                outcome.unreadable = listed.unreadable;
            }
        } else if (status == 421) {
            outcome.slowDown = true;
            outcome.reason = "The server turned the connection away (421).";
        } else if (code == CURLE_LOGIN_DENIED) {
            outcome.reason = "The server refused the login" + code3;
        } else if (code == CURLE_OPERATION_TIMEDOUT) {
            outcome.reason = "The server stopped answering.";
        } else if (code == CURLE_REMOTE_ACCESS_DENIED) {
            outcome.reason = "The server refused to open the directory" + code3;
        } else if (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST) {
            outcome.reason = "The server could not be reached.";
        } else {
            outcome.reason =
                std::string("The listing failed: ") + (errorText[0] ? errorText : curl_easy_strerror(code));
        }
        return outcome;
    }

    BrowseTarget m_target;
    BrowseLimits m_limits;
    const std::atomic<bool>& m_stop;
    struct ShareDeleter {
        void operator()(CURLSH* share) const { curl_share_cleanup(share); }
    };
    struct ListDeleter {
        void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    };
    std::unique_ptr<curl_slist, ListDeleter> m_utf8{curl_slist_append(nullptr, "*OPTS UTF8 ON")};
    // Declared before the handle, so the handle goes first.
    std::unique_ptr<CURLSH, ShareDeleter> m_share{curl_share_init()};
    std::unique_ptr<CURL, CurlDeleter> m_handle;
    bool m_useMlsd = true;
};

} // namespace

std::unique_ptr<DirectoryLister> MakeFtpLister(const BrowseTarget& target, const BrowseLimits& limits,
                                               const std::atomic<bool>& stop)
{
    return std::make_unique<FtpLister>(target, limits, stop);
}

} // namespace velmora
