#include "search/engine-source.h"

#include <algorithm>

#include "platform/ascii-case.h"
#include "platform/text-escape.h"
#include "search/json-answer.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

namespace {

// A key shorter than this is not looked for in texts: "(key)" put in place
// of every "a" would garble them and hide nothing.
constexpr std::size_t kShortestHiddenKey = 4;

// An HTTP header name: one token (RFC 9110).
bool IsHeaderName(std::string_view name)
{
    constexpr std::string_view kMarks = "!#$%&'*+-.^_`|~";
    return !name.empty() && std::all_of(name.begin(), name.end(), [&](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               kMarks.find(c) != std::string_view::npos;
    });
}

std::string PageField(char code, const EngineSource& source, int page)
{
    const long long index = page - 1;
    switch (code) {
    case 'n':
        return std::to_string(page);
    case 'z':
        return std::to_string(index);
    case 'o':
        return std::to_string(index * source.pageSize);
    case 'O':
        return std::to_string(index * source.pageSize + 1);
    default:
        return {};
    }
}

} // namespace

EngineSource ReadEngineSource(const ProfileSnapshot& settings, std::string_view engine)
{
    EngineSource source;
    source.query = settings.GetString(engine, keys::kEngineQuery, "", keys::kQueryBuffer);
    source.agent = settings.GetString(engine, keys::kEngineAgent, "", keys::kPageFieldBuffer);
    const std::string format = settings.GetString(engine, keys::kEngineFormat, "", keys::kPageFieldBuffer);
    source.format = EqualsNoCase(format, "json") ? AnswerFormat::Json : AnswerFormat::Html;
    const std::string path = settings.GetString(engine, keys::kEngineResults, "", keys::kPageFieldBuffer);
    if (!path.empty())
        source.resultsPath = path;
    source.key = settings.FindValue(engine, keys::kEngineKey).value_or("");
    source.header = settings.FindValue(engine, keys::kEngineHeader).value_or("");
    source.pages = std::clamp(settings.GetInt(engine, keys::kEnginePages, 1), 1, keys::kMostEnginePages);
    source.pageSize =
        std::clamp(settings.GetInt(engine, keys::kEnginePageSize, keys::kDefaultPageSize), 1, keys::kMostPageSize);
    return source;
}

std::string ExpandEngineQuery(const EngineSource& source, std::string_view queryWords, int page)
{
    std::string url;
    const std::string_view query = source.query;
    for (std::size_t at = 0; at < query.size(); ++at) {
        const char code = at + 1 < query.size() && query[at] == '%' ? query[at + 1] : '\0';
        if (code == 's') {
            url.append(queryWords);
        } else if (code == 'k') {
            url.append(EncodeQueryValue(source.key));
        } else if (code == 'n' || code == 'z' || code == 'o' || code == 'O') {
            url.append(PageField(code, source, page));
        } else {
            url.push_back(query[at]);
            continue;
        }
        ++at;
    }
    return url;
}

std::string ExpandEngineHeader(const EngineSource& source)
{
    std::string header;
    for (std::size_t at = 0; at < source.header.size(); ++at) {
        if (source.header.compare(at, 2, "%k") == 0) {
            header.append(source.key);
            ++at;
        } else {
            header.push_back(source.header[at]);
        }
    }
    return header;
}

Result<void> CheckSource(const EngineSource& source)
{
    if (source.format == AnswerFormat::Json && !ParseResultsPath(source.resultsPath))
        return Failure{"The engine's Results path \"" + source.resultsPath + "\" is not understood."};
    const bool usesKey = source.query.find("%k") != std::string::npos || source.header.find("%k") != std::string::npos;
    if (usesKey && source.key.empty())
        return Failure{"The engine needs its API key: fill in Key in its settings."};
    if (source.header.empty())
        return {};
    // Checked as it will be sent, the key within it: a line break there would
    // start a request line of the engine's choosing.
    const std::string header = ExpandEngineHeader(source);
    if (header.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        return Failure{"The engine's Header is refused: it (or its key) holds a line break."};
    const std::size_t colon = header.find(':');
    if (colon == std::string::npos || !IsHeaderName(header.substr(0, colon)))
        return Failure{"The engine's Header is refused: it must read \"Name: value\"."};
    return {};
}

std::vector<std::string> KeyForms(const EngineSource& source)
{
    if (source.key.size() < kShortestHiddenKey)
        return {};
    std::vector<std::string> forms{source.key};
    if (std::string encoded = EncodeQueryValue(source.key); encoded != source.key)
        forms.push_back(std::move(encoded));
    return forms;
}

std::string HideKey(std::string text, const std::vector<std::string>& forms)
{
    for (const std::string& form : forms) {
        for (std::size_t at = text.find(form); at != std::string::npos; at = text.find(form, at + 5))
            text.replace(at, form.size(), "(key)");
    }
    return text;
}

bool HoldsKey(std::string_view text, const std::vector<std::string>& forms)
{
    return std::any_of(forms.begin(), forms.end(),
                       [&](const std::string& form) { return text.find(form) != std::string_view::npos; });
}

} // namespace velmora
