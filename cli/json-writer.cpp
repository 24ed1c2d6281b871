#include "json-writer.h"

#include <cstdio>

namespace velmora::cli {

void WriteLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace velmora::cli
