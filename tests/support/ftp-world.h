#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test-support.h"

namespace velmora::test {

// An FTP server on 127.0.0.1 serving a folder read-only, run by Debian's
// python3 with pyftpdlib until the object goes. Anonymous logins are let
// in, and so is "joe" with the password "s3cret". ListOnly answers MLSD
// as unknown, as older servers do.
class FtpTestServer {
public:
    enum class Listing { Mlsd, ListOnly };
    explicit FtpTestServer(const std::string& folder, Listing listing = Listing::Mlsd);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    bool IsRunning() const { return m_port != 0; }
    std::uint16_t Port() const { return m_port; }
    // "ftp://127.0.0.1:PORT" + path, with "login@" when given.
    std::string Url(const std::string& path, const std::string& login = {}) const;
    // The commands taken so far, one a line ("USER anonymous", "SIZE /a.iso").
    std::vector<std::string> Commands() const;

private:
    TempDir m_scratch; // the port file, kept out of the served folder
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
};

} // namespace velmora::test
