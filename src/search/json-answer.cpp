#include "search/json-answer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <exception>
#include <utility>

namespace velmora {

namespace {

using Step = ResultsPath::Step;

// One "name[]...[N]" part of a path; false when it is not one.
bool ParsePathPart(std::string_view part, std::vector<Step>& steps)
{
    const std::size_t bracket = part.find('[');
    const std::string_view name = part.substr(0, bracket);
    if (name.find(']') != std::string_view::npos || (name.empty() && bracket == std::string_view::npos))
        return false;
    if (!name.empty())
        steps.push_back({Step::Kind::Member, std::string(name), 0});
    for (std::size_t at = bracket; at != std::string_view::npos && at < part.size();) {
        const std::size_t close = part.find(']', at);
        if (part[at] != '[' || close == std::string_view::npos)
            return false;
        const std::string_view inside = part.substr(at + 1, close - at - 1);
        if (inside.empty()) {
            steps.push_back({Step::Kind::Each, {}, 0});
        } else {
            if (inside.size() > 9 || inside.find_first_not_of("0123456789") != std::string_view::npos)
                return false;
            steps.push_back({Step::Kind::Index, {}, std::stoul(std::string(inside))});
        }
        at = close + 1;
    }
    return true;
}

// Follows nlohmann's events (its reader keeps the nesting on the heap, not
// the stack) and keeps the strings that stand at the path. Each open array
// or object is a frame that knows how many steps of the path lead to it (-1:
// off the path); a value learns its own from its frame and its key or index.
class AnswerEvents : public nlohmann::json_sax<nlohmann::json> {
public:
    AnswerEvents(const ResultsPath& path, std::size_t mostLinks)
        : m_steps(path.steps), m_full(static_cast<int>(path.steps.size())), m_mostLinks(mostLinks),
          m_urlInObject(!m_steps.empty() && m_steps.back().kind == Step::Kind::Member)
    {
    }

    std::vector<AnswerLink> links;
    std::string error;
    bool full = false; // stopped at mostLinks

    bool null() override { return Scalar(); }
    bool boolean(bool) override { return Scalar(); }
    bool number_integer(number_integer_t) override { return Scalar(); }
    bool number_unsigned(number_unsigned_t) override { return Scalar(); }
    bool number_float(number_float_t, const string_t&) override { return Scalar(); }
    bool binary(binary_t&) override { return Scalar(); }

    bool string(string_t& value) override
    {
        const bool title = m_titleNext;
        const int level = EnterValue();
        if (level == m_full) {
            if (m_urlInObject) {
                m_frames.back().url = std::move(value);
                m_frames.back().hasUrl = true;
            } else {
                return Keep({std::move(value), {}});
            }
        } else if (title) {
            m_frames.back().title = std::move(value);
        }
        return true;
    }

    bool key(string_t& name) override
    {
        const Frame& object = m_frames.back();
        const bool onPath = object.level >= 0 && object.level < m_full;
        const Step* step = onPath ? &m_steps[static_cast<std::size_t>(object.level)] : nullptr;
        m_keyLevel = step && step->kind == Step::Kind::Member && step->name == name ? object.level + 1 : -1;
        m_titleNext = m_urlInObject && object.level == m_full - 1 && name == "title";
        return true;
    }

    bool start_object(std::size_t) override { return Open(false); }
    bool start_array(std::size_t) override { return Open(true); }

    bool end_object() override
    {
        Frame closed = std::move(m_frames.back());
        m_frames.pop_back();
        return !closed.hasUrl || Keep({std::move(closed.url), std::move(closed.title)});
    }

    bool end_array() override
    {
        m_frames.pop_back();
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&) override
    {
        error = "The answer is not JSON (it breaks off or goes wrong at byte " + std::to_string(position) + ").";
        return false;
    }

private:
    struct Frame {
        bool array = false;
        int level = -1;
        std::size_t next = 0; // an array's next element
        bool hasUrl = false;
        std::string url;
        std::string title;
    };

    // The level of the value that starts now.
    int EnterValue()
    {
        m_titleNext = false;
        if (m_frames.empty())
            return 0;
        Frame& top = m_frames.back();
        if (!top.array)
            return m_keyLevel;
        const std::size_t index = top.next++;
        if (top.level < 0 || top.level >= m_full)
            return -1;
        const Step& step = m_steps[static_cast<std::size_t>(top.level)];
        const bool taken = step.kind == Step::Kind::Each || (step.kind == Step::Kind::Index && step.index == index);
        return taken ? top.level + 1 : -1;
    }

    bool Scalar()
    {
        EnterValue();
        return true;
    }

    bool Open(bool array)
    {
        const int level = EnterValue();
        if (m_frames.size() >= kMostAnswerDepth) {
            error = "The answer is nested deeper than " + std::to_string(kMostAnswerDepth) + " levels.";
            return false;
        }
        m_frames.push_back({array, level, 0, false, {}, {}});
        return true;
    }

    bool Keep(AnswerLink link)
    {
        links.push_back(std::move(link));
        full = links.size() >= m_mostLinks;
        return !full;
    }

    const std::vector<Step>& m_steps;
    const int m_full; // the level of a URL
    const std::size_t m_mostLinks;
    const bool m_urlInObject; // the URL is a member, so its object may hold a title
    std::vector<Frame> m_frames;
    int m_keyLevel = -1;
    bool m_titleNext = false;
};

} // namespace

std::optional<ResultsPath> ParseResultsPath(std::string_view text)
{
    ResultsPath path;
    if (text.empty())
        return std::nullopt;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t dot = std::min(text.find('.', at), text.size());
        if (!ParsePathPart(text.substr(at, dot - at), path.steps))
            return std::nullopt;
        at = dot + 1;
    }
    return path;
}

JsonAnswer ReadJsonAnswer(std::string_view json, const ResultsPath& path, std::size_t mostLinks)
{
    JsonAnswer answer;
    if (mostLinks == 0)
        return answer;
    AnswerEvents events(path, mostLinks);
    try {
        nlohmann::json::sax_parse(json.begin(), json.end(), &events);
    } catch (const std::exception&) {
        answer.error = "The answer could not be read (out of memory).";
        return answer;
    }
    answer.read = events.error.empty();
    answer.error = std::move(events.error);
    answer.links = std::move(events.links);
    return answer;
}

} // namespace velmora
