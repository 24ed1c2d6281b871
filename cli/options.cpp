#include "options.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace velmora::cli {

Options ParseOptions(const std::vector<std::string>& args, std::initializer_list<std::string_view> known)
{
    Options options;
    for (const std::string& arg : args) {
        if (arg == "--help") {
            options.help = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            if (std::find(known.begin(), known.end(), arg) == known.end() && options.error.empty())
                options.error = "unknown option " + arg;
            options.flags.insert(arg);
        } else {
            options.positional.push_back(arg);
        }
    }
    return options;
}

int HandleHelpOrError(const Options& options, const char* command, const char* help)
{
    if (options.help) {
        std::fputs(help, stdout);
        return 0;
    }
    if (!options.error.empty()) {
        std::cerr << "velmora-cli " << command << ": " << options.error << "\n" << help;
        return 2;
    }
    return -1;
}

} // namespace velmora::cli
