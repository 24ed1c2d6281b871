#pragma once

#include <initializer_list>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::cli {

// A command's arguments: the flags it knows, the rest in order.
struct Options {
    bool help = false;
    std::set<std::string> flags;
    std::vector<std::string> positional;
    std::string error; // set for an unknown option

    bool Has(std::string_view flag) const { return flags.count(std::string(flag)) != 0; }
};

// "-" alone is positional (standard input); any other word starting with
// "-" must be one of `known`, or "--help".
Options ParseOptions(const std::vector<std::string>& args, std::initializer_list<std::string_view> known);

// Prints help or a usage error as a command does; returns the exit status
// to end with, or -1 when the command should run.
int HandleHelpOrError(const Options& options, const char* command, const char* help);

} // namespace velmora::cli
