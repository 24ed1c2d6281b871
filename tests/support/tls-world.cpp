#include "support/tls-world.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "test-support.h"

namespace velmora::test {

namespace {

bool Openssl(const std::vector<std::string>& args, const std::string& folder)
{
    std::vector<std::string> argv = {"openssl"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, folder, std::chrono::seconds(30)).status == 0;
}

std::vector<std::string> NewKey(const std::string& key)
{
    return {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key};
}

TestCertificates MakeCertificates()
{
    static TempDir folder; // lives as long as the test program
    const std::string at = folder.Path();
    TestCertificates made;
    made.authority = at + "/ca.pem";
    made.serverCert = at + "/server.pem";
    made.serverKey = at + "/server.key";
    made.strangerCert = at + "/stranger.pem";
    made.strangerKey = at + "/stranger.key";
    WriteFile(at + "/server.ext", "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    auto authority = std::vector<std::string>{"req", "-x509"};
    for (const auto& part : NewKey(at + "/ca.key"))
        authority.push_back(part);
    authority.insert(authority.end(),
                     {"-out", made.authority, "-days", "2", "-subj", "/CN=Velmora Test CA", "-addext",
                      "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"});
    auto request = std::vector<std::string>{"req"};
    for (const auto& part : NewKey(made.serverKey))
        request.push_back(part);
    request.insert(request.end(), {"-out", at + "/server.csr", "-subj", "/CN=127.0.0.1"});
    auto stranger = std::vector<std::string>{"req", "-x509"};
    for (const auto& part : NewKey(made.strangerKey))
        stranger.push_back(part);
    stranger.insert(stranger.end(), {"-out", made.strangerCert, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                                     "subjectAltName=IP:127.0.0.1"});
    made.ok = Openssl(authority, at) && Openssl(request, at) &&
              Openssl({"x509", "-req", "-in", at + "/server.csr", "-CA", made.authority, "-CAkey", at + "/ca.key",
                       "-CAcreateserial", "-out", made.serverCert, "-days", "2", "-extfile", at + "/server.ext"},
                      at) &&
              Openssl(stranger, at);
    return made;
}

} // namespace

const TestCertificates& GetTestCertificates()
{
    static const TestCertificates certificates = MakeCertificates();
    return certificates;
}

HttpsServer::HttpsServer(const std::string& folder, bool trusted)
{
    const TestCertificates& certificates = GetTestCertificates();
    if (!certificates.ok)
        return;
    const std::string portFile = folder + "/.https-port-" + std::to_string(::getpid()) + (trusted ? "-t" : "-s");
    std::filesystem::remove(portFile);
    const std::string cert = trusted ? certificates.serverCert : certificates.strangerCert;
    const std::string key = trusted ? certificates.serverKey : certificates.strangerKey;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::execl("/usr/bin/python3", "python3", HTTPS_SERVER_SCRIPT, folder.c_str(), cert.c_str(), key.c_str(),
                portFile.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (WaitFor([&] { return std::filesystem::exists(portFile); }))
        m_port = static_cast<std::uint16_t>(std::stoul(ReadFile(portFile)));
    std::filesystem::remove(portFile);
}

HttpsServer::~HttpsServer()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::string HttpsServer::Url(const std::string& path) const
{
    return "https://127.0.0.1:" + std::to_string(m_port) + path;
}

TrustTestAuthority::TrustTestAuthority()
{
    ::setenv("CURL_CA_BUNDLE", GetTestCertificates().authority.c_str(), 1);
}

TrustTestAuthority::~TrustTestAuthority()
{
    ::unsetenv("CURL_CA_BUNDLE");
}

} // namespace velmora::test
