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

JsonObject& AddSizeAndDate(JsonObject& object, std::optional<std::uint64_t> size, std::optional<std::int64_t> modified)
{
    if (size)
        object.Add("size", static_cast<std::int64_t>(*size));
    else
        object.AddRaw("size", "null");
    if (modified)
        object.Add("modified", Iso8601(*modified));
    else
        object.AddRaw("modified", "null");
    return object;
}

void WriteLine(const std::string& line, bool flush)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    if (flush)
        std::fflush(stdout);
}

} // namespace velmora::cli
