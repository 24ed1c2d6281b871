#include "browse/robots-rules.h"

#include <algorithm>
#include <charconv>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

std::string_view Trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Does `pattern` ("*" for any run, "$" at its end for the path's end) match
// the start of `path`? Iterative, with one back-track point per "*", so a
// hostile pattern costs at most pattern times path steps.
bool Matches(std::string_view pattern, std::string_view path)
{
    const bool anchored = pattern.ends_with('$');
    if (anchored)
        pattern.remove_suffix(1);
    std::size_t p = 0;
    std::size_t s = 0;
    std::size_t star = std::string_view::npos;
    std::size_t starPath = 0;
    while (true) {
        if (p == pattern.size()) {
            if (!anchored || s == path.size())
                return true;
        } else if (pattern[p] == '*') {
            star = p++;
            starPath = s;
            continue;
        } else if (s < path.size() && pattern[p] == path[s]) {
            ++p;
            ++s;
            continue;
        }
        if (star == std::string_view::npos || starPath >= path.size())
            return false;
        p = star + 1;
        s = ++starPath;
    }
}

// Read the same way whatever the user's locale ("2.5", never "2,5"), and
// held to a day so that no later cast overflows.
std::optional<double> ReadCrawlDelay(std::string_view value)
{
    double seconds = 0;
    const auto [numberEnd, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error == std::errc() && numberEnd != value.data() && seconds >= 0)
        return std::min(seconds, RobotsRules::kLongestCrawlDelay);
    if (error == std::errc::result_out_of_range && !value.starts_with('-'))
        return RobotsRules::kLongestCrawlDelay;
    return std::nullopt;
}

// The line from `at` without its comment; `at` moves past it.
std::string_view NextLine(std::string_view text, std::size_t& at)
{
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos)
        end = text.size();
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    return line.substr(0, line.find('#'));
}

} // namespace

RobotsRules RobotsRules::DisallowAll()
{
    RobotsRules rules;
    rules.m_rules.push_back({"/", false});
    return rules;
}

RobotsRules RobotsRules::Parse(std::string_view text, std::string_view agent)
{
    // Groups: one or more User-agent lines, then their rules.
    RobotsRules own;
    RobotsRules any;
    bool ownFound = false;
    bool inOwn = false;
    bool inAny = false;
    bool lastWasAgent = false;
    const std::string wanted = LowerAscii(agent);
    std::size_t at = 0;
    std::size_t lines = 0;
    while (at < text.size() && ++lines <= 100000) {
        const std::string_view line = NextLine(text, at);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string key = LowerAscii(Trim(line.substr(0, colon)));
        const std::string_view value = Trim(line.substr(colon + 1));
        if (key == "user-agent") {
            if (!lastWasAgent) {
                inOwn = false;
                inAny = false;
            }
            const std::string name = LowerAscii(value);
            if (name == "*") {
                inAny = true;
            } else if (!name.empty() && wanted.find(name) != std::string::npos) {
                inOwn = true;
                ownFound = true;
            }
            lastWasAgent = true;
            continue;
        }
        lastWasAgent = false;
        if (inOwn)
            own.Take(key, value);
        else if (inAny)
            any.Take(key, value);
    }
    return ownFound ? own : any;
}

void RobotsRules::Take(std::string_view key, std::string_view value)
{
    if (key == "allow" || key == "disallow") {
        // An empty Disallow allows everything: it adds no rule.
        if (!value.empty() && m_rules.size() < 10000)
            m_rules.push_back({std::string(value), key == "allow"});
    } else if (key == "crawl-delay") {
        if (const auto seconds = ReadCrawlDelay(value))
            m_crawlDelay = seconds;
    }
}

bool RobotsRules::Allows(std::string_view path) const
{
    std::size_t best = 0;
    bool allowed = true;
    bool found = false;
    for (const Rule& rule : m_rules) {
        if (!Matches(rule.pattern, path))
            continue;
        const std::size_t length = rule.pattern.size();
        if (!found || length > best || (length == best && rule.allow)) {
            best = length;
            allowed = rule.allow;
            found = true;
        }
    }
    return allowed;
}

} // namespace velmora
