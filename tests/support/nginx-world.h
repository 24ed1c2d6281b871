#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "test-support.h"

namespace velmora::test {

// Debian's nginx on 127.0.0.1 serving a folder with autoindex on, in the
// foreground as one process, its logs and temporary files in a folder of
// its own, until the object goes.
class NginxServer {
public:
    explicit NginxServer(const std::string& folder);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    bool IsRunning() const { return m_port != 0; }
    std::uint16_t Port() const { return m_port; }
    std::string Url(const std::string& path) const;

private:
    bool Start(const std::string& folder, std::uint16_t port);
    void End();

    TempDir m_scratch;
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
};

} // namespace velmora::test
