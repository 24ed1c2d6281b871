#include "json-writer.h"

#include <cstdio>
#include <ctime>

namespace velmora::cli {

std::string Iso8601(std::int64_t seconds)
{
    const auto when = static_cast<std::time_t>(seconds);
    std::tm parts{};
    ::gmtime_r(&when, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

void WriteLine(const std::string& line, bool flush)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    if (flush)
        std::fflush(stdout);
}

} // namespace velmora::cli
