#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace velmora {

class ProfileSnapshot;

// How an engine answers: a result page to scan for links, or a JSON
// document whose result URLs stand where `resultsPath` says.
enum class AnswerFormat { Html, Json };

inline constexpr const char* kDefaultResultsPath = "results[].url";

// What a search needs of an engine's section in settings.dat. Keys that are
// absent give what an engine of a single HTML page always had.
struct EngineSource {
    std::string query; // Query: %s words, %k key, %n %z %o %O the page
    std::string agent; // Agent: a User-Agent of its own, or empty
    AnswerFormat format = AnswerFormat::Html;
    std::string resultsPath = kDefaultResultsPath;
    std::string key;    // Key: the API key; never shown, logged or exported
    std::string header; // Header: "Name: value", %k the key as it stands
    int pages = 1;      // Pages: 1 to 10
    int pageSize = 10;  // PageSize: results a page (1 to 1000), for %o and %O
};

EngineSource ReadEngineSource(const ProfileSnapshot& settings, std::string_view engine);

// The address of page `page` (from 1): %s the query words, %k the key
// percent-encoded, %n the page, %z the page from 0, %o the offset of its
// first result from 0, %O the same from 1. One pass, so nothing put in is
// read again; any other "%" stays as it stands.
std::string ExpandEngineQuery(const EngineSource& source, std::string_view queryWords, int page);

// The extra request header with %k replaced by the key, or empty when the
// engine has none.
std::string ExpandEngineHeader(const EngineSource& source);

// Why the engine cannot be asked as it is set up (a header that would break
// the request, a results path that is not understood), as a sentence that
// never holds the key.
Result<void> CheckSource(const EngineSource& source);

// The forms the key may take in a text: as it stands and percent-encoded.
// Empty for an engine without a key (or with a key too short to look for).
std::vector<std::string> KeyForms(const EngineSource& source);

// `text` with every form of the key replaced by "(key)".
std::string HideKey(std::string text, const std::vector<std::string>& forms);

// Whether `text` holds any of the forms.
bool HoldsKey(std::string_view text, const std::vector<std::string>& forms);

} // namespace velmora
