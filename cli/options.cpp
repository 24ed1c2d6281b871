#include "options.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace velmora::cli {

Options ParseOptions(const std::vector<std::string>& args, std::initializer_list<std::string_view> known,
                     std::initializer_list<std::string_view> valued)
{
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            options.help = true;
        } else if (std::find(valued.begin(), valued.end(), arg) != valued.end()) {
            if (i + 1 >= args.size()) {
                if (options.error.empty())
                    options.error = arg + " needs a value";
            } else {
                options.values[arg] = args[++i];
            }
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

std::optional<long long> Options::Number(std::string_view option, long long low, long long high)
{
    const auto found = values.find(std::string(option));
    if (found == values.end())
        return std::nullopt;
    const std::string& text = found->second;
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoll(text) < low || std::stoll(text) > high) {
        if (error.empty())
            error = std::string(option) + " takes a number from " + std::to_string(low) + " to " + std::to_string(high);
        return std::nullopt;
    }
    return std::stoll(text);
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
