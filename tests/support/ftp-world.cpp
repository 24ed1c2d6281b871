#include "support/ftp-world.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace velmora::test {

FtpTestServer::FtpTestServer(const std::string& folder, Listing listing)
{
    const std::string portFile = m_scratch.File("port");
    m_pid = ::fork();
    if (m_pid == 0) {
        ::execl("/usr/bin/python3", "python3", FTP_SERVER_SCRIPT, folder.c_str(), portFile.c_str(),
                listing == Listing::ListOnly ? "no-mlsd" : static_cast<char*>(nullptr), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (m_pid > 0 && WaitFor([&] { return std::filesystem::exists(portFile); }))
        m_port = static_cast<std::uint16_t>(std::stoul(ReadFile(portFile)));
}

FtpTestServer::~FtpTestServer()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::string FtpTestServer::Url(const std::string& path, const std::string& login) const
{
    return "ftp://" + (login.empty() ? std::string() : login + "@") + "127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> FtpTestServer::Commands() const
{
    std::vector<std::string> commands;
    std::string text = std::filesystem::exists(m_scratch.File("port.log")) ? ReadFile(m_scratch.File("port.log")) : "";
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        commands.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return commands;
}

} // namespace velmora::test
