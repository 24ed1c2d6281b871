#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::cli {

// A command's arguments: the flags it knows, the rest in order.
struct Options {
    bool help = false;
    std::set<std::string> flags;
    std::map<std::string, std::string> values; // options that take a value
    std::vector<std::string> positional;
    std::string error; // set for an unknown option or a missing value

    bool Has(std::string_view flag) const { return flags.count(std::string(flag)) != 0; }
    // A valued option as a whole number from `low` to `high`: nothing when
    // it was not given; an error set when it is no such number.
    std::optional<long long> Number(std::string_view option, long long low, long long high);
};

// "-" alone is positional (standard input); any other word starting with
// "-" must be one of `known`, or one of `valued` (which takes the next word
// as its value), or "--help".
Options ParseOptions(const std::vector<std::string>& args, std::initializer_list<std::string_view> known,
                     std::initializer_list<std::string_view> valued = {});

// Prints help or a usage error as a command does; returns the exit status
// to end with, or -1 when the command should run.
int HandleHelpOrError(const Options& options, const char* command, const char* help);

} // namespace velmora::cli
