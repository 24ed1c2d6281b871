#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test-support.h"

namespace velmora::test {

// How the test's nginx lists and logs.
struct NginxOptions {
    bool jsonListing = false; // autoindex_format json
    // An access log line per request: "CONNECTION METHOD STATUS BODY-BYTES-SENT REQUEST-URI".
    bool logConnections = false;
    const char* limitRate = nullptr; // each answer at most this fast ("512k")
    bool refuseHead = false;         // HEAD gets 405, as some servers answer
    bool ignoreRanges = false;       // a Range header is ignored: the whole file comes
};

// Debian's nginx on 127.0.0.1 serving a folder with autoindex on, in the
// foreground as one process, its logs and temporary files in a folder of
// its own, until the object goes.
class NginxServer {
public:
    explicit NginxServer(const std::string& folder, NginxOptions options = {});
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    bool IsRunning() const { return m_port != 0; }
    std::uint16_t Port() const { return m_port; }
    std::string Url(const std::string& path) const;
    // The access log's lines so far (with logConnections).
    std::vector<std::string> AccessLog() const;

private:
    bool Start(const std::string& folder, std::uint16_t port);
    void End();

    TempDir m_scratch;
    NginxOptions m_options;
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
};

} // namespace velmora::test
