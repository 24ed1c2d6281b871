#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Where a JSON answer keeps its result URLs: member names joined by ".",
// "[]" for every element of an array, "[N]" for one element, as in
// "results[].url" or "channels[0].items[].link".
struct ResultsPath {
    struct Step {
        enum class Kind { Member, Each, Index };
        Kind kind = Kind::Member;
        std::string name;      // Member
        std::size_t index = 0; // Index
    };
    std::vector<Step> steps;
};

// Nullopt when the text is no path: empty, an empty member name between
// dots, a bracket that is not "[]" or "[digits]".
std::optional<ResultsPath> ParseResultsPath(std::string_view text);

// A result URL and the title that stands beside it ("title" in the same
// object), when there is one.
struct AnswerLink {
    std::string url;
    std::string title;
};

struct JsonAnswer {
    bool read = false; // the document is JSON and within the limits
    std::string error; // why not, as a sentence, when not read
    std::vector<AnswerLink> links;
};

// The answer's links at `path`, in document order. At most `mostLinks` are
// taken (the rest of the document is not read). An answer nested deeper
// than kMostAnswerDepth, or not JSON, is not read. Read without recursion,
// so no answer can exhaust the stack; only the URLs and titles are kept.
inline constexpr std::size_t kMostAnswerDepth = 64;
JsonAnswer ReadJsonAnswer(std::string_view json, const ResultsPath& path, std::size_t mostLinks);

} // namespace velmora
