#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace velmora::test {

// A certificate authority and two server certificates for 127.0.0.1, made
// with openssl when first asked for: one signed by the authority, one
// self-signed by a stranger.
struct TestCertificates {
    std::string authority; // the CA file a client trusts (CURL_CA_BUNDLE)
    std::string serverCert;
    std::string serverKey;
    std::string strangerCert;
    std::string strangerKey;
    bool ok = false;
};
const TestCertificates& GetTestCertificates();

// A static HTTPS server on 127.0.0.1 serving a folder, run by Debian's
// python3 until the object goes.
class HttpsServer {
public:
    // `trusted` picks the authority-signed certificate, else the stranger's.
    HttpsServer(const std::string& folder, bool trusted = true);
    ~HttpsServer();
    HttpsServer(const HttpsServer&) = delete;
    HttpsServer& operator=(const HttpsServer&) = delete;

    bool IsRunning() const { return m_port != 0; }
    std::uint16_t Port() const { return m_port; }
    std::string Url(const std::string& path) const;

private:
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
};

// Sets CURL_CA_BUNDLE to the test authority for as long as it lives.
class TrustTestAuthority {
public:
    TrustTestAuthority();
    ~TrustTestAuthority();
};

} // namespace velmora::test
