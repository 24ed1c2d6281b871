#pragma once

#include <string>
#include <vector>

#include "app/session-observer.h"

namespace velmora::cli {

// Prints each checked file as it is told: a JSON "file" event, or a line
// for people. `search --check-files` prints its checks the same way.
class FilePrinter {
public:
    explicit FilePrinter(bool json) : m_json(json) {}
    void Print(const std::string& url, const FileCheck& check);
    int GetFiles() const { return m_files; }
    int GetAlive() const { return m_alive; }

private:
    bool m_json;
    int m_files = 0;
    int m_alive = 0;
};

// velmora-cli check [--json] URL...
int RunCheckCommand(const std::vector<std::string>& args);

} // namespace velmora::cli
