#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// What a server's robots.txt asks of Velmora: the Allow and Disallow lines
// of the group for "velmora" (or for "*" when it has none of its own), the
// longest matching line winning and Allow winning a tie, "*" and a final
// "$" understood; and its Crawl-delay.
class RobotsRules {
public:
    static RobotsRules Parse(std::string_view text, std::string_view agent = "velmora");
    // No rules at all: everything is allowed.
    static RobotsRules AllowAll() { return {}; }
    static RobotsRules DisallowAll();

    // `path` as the URL writes it (percent-encoded, from "/").
    bool Allows(std::string_view path) const;
    // Seconds, at most kLongestCrawlDelay.
    std::optional<double> GetCrawlDelay() const { return m_crawlDelay; }
    static constexpr double kLongestCrawlDelay = 86400;

private:
    struct Rule {
        std::string pattern;
        bool allow = false;
    };
    // An Allow, Disallow or Crawl-delay line of a group that applies.
    void Take(std::string_view key, std::string_view value);

    std::vector<Rule> m_rules;
    std::optional<double> m_crawlDelay;
};

} // namespace velmora
