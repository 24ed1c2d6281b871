#include "results/file-check.h"

#include <ctime>

namespace velmora {

std::string DescribeFileCheck(const FileCheck& check)
{
    std::string text = check.alive ? "There" : "Not there";
    if (check.checkedAt > 0) {
        const std::time_t when = static_cast<std::time_t>(check.checkedAt);
        std::tm utc{};
        char stamp[32] = "";
        if (gmtime_r(&when, &utc) != nullptr && std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M UTC", &utc) > 0)
            text += std::string(" (checked ") + stamp + ")";
    }
    if (!check.reason.empty())
        text += ": " + check.reason;
    return text;
}

} // namespace velmora
