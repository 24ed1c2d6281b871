#include "support/nginx-world.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "support/loopback.h"

namespace velmora::test {

namespace {

const char* const kNginx = "/usr/sbin/nginx";

// A port the system had free a moment ago; nginx binds it itself.
std::uint16_t FreePort()
{
    std::uint16_t port = 0;
    const int fd = ListenOnLoopback(port);
    if (fd < 0)
        return 0;
    ::close(fd);
    return port;
}

// True when the server on `port` is the nginx that was given `token`: a
// program that took the port meanwhile would otherwise pass for it until
// nginx gave up on its bind.
bool AnswersAsOurs(std::uint16_t port, const std::string& token)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const timeval wait{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET /.velmora-probe HTTP/1.0\r\n\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
            char buffer[4096];
            for (ssize_t got; answer.size() < 65536 && (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
                answer.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return answer.find(token) != std::string::npos;
}

} // namespace

NginxServer::NginxServer(const std::string& folder, NginxOptions options) : m_options(options)
{
    // Another program may take the port between our look and nginx's bind.
    for (int attempt = 0; attempt < 3 && m_port == 0; ++attempt) {
        const std::uint16_t port = FreePort();
        if (port != 0 && Start(folder, port))
            m_port = port;
    }
}

bool NginxServer::Start(const std::string& folder, std::uint16_t port)
{
    const std::string at = m_scratch.Path();
    std::string config = "daemon off;\nmaster_process off;\nworker_processes 1;\n";
    config += "pid " + at + "/nginx.pid;\nerror_log " + at + "/error.log;\n";
    config += "events { worker_connections 64; }\nhttp {\n";
    if (m_options.logConnections) {
        // Written at once, not buffered, so the test reads it as it is.
        config += "  log_format connections '$connection $request_method $status $body_bytes_sent $request_uri';\n";
        config += "  access_log " + at + "/access.log connections;\n";
    } else {
        config += "  access_log off;\n";
    }
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        config += std::string("  ") + kind + "_temp_path " + at + "/" + kind + ";\n";
    config += "  server {\n    listen 127.0.0.1:" + std::to_string(port) + ";\n";
    // Tells this nginx from a program that took the port; never logged.
    config += "    location = /.velmora-probe { access_log off; return 200 \"" + at + "\"; }\n";
    if (m_options.limitRate)
        config += std::string("    limit_rate ") + m_options.limitRate + ";\n";
    if (m_options.ignoreRanges)
        config += "    max_ranges 0;\n";
    config += "    root " + folder + ";\n    location / { autoindex on; " +
              std::string(m_options.jsonListing ? "autoindex_format json; " : "") +
              std::string(m_options.refuseHead ? "if ($request_method = HEAD) { return 405; } " : "") + "}\n  }\n}\n";
    WriteFile(m_scratch.File("nginx.conf"), config);

    m_pid = ::fork();
    if (m_pid == 0) {
        ::execl(kNginx, "nginx", "-p", at.c_str(), "-c", m_scratch.File("nginx.conf").c_str(), "-e",
                m_scratch.File("error.log").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (m_pid < 0)
        return false;
    const bool up = WaitFor([&] { return ::waitpid(m_pid, nullptr, WNOHANG) == 0 && AnswersAsOurs(port, at); });
    if (!up)
        End();
    return up;
}

NginxServer::~NginxServer()
{
    End();
}

void NginxServer::End()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
}

std::string NginxServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> NginxServer::AccessLog() const
{
    std::vector<std::string> lines;
    std::istringstream log(ReadFile(m_scratch.File("access.log")));
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    return lines;
}

} // namespace velmora::test
