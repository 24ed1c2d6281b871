#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// A JSON string literal, quotes included. Bytes that are not valid UTF-8
// become U+FFFD, one per bad byte; control characters are escaped.
std::string JsonString(std::string_view text);

// Builds one JSON object, key by key, in the order written.
class JsonObject {
public:
    JsonObject& Add(std::string_view key, std::string_view value);
    JsonObject& Add(std::string_view key, const char* value) { return Add(key, std::string_view(value)); }
    JsonObject& Add(std::string_view key, std::int64_t value);
    JsonObject& Add(std::string_view key, bool value);
    // A value that is JSON already (an array, say).
    JsonObject& AddRaw(std::string_view key, std::string_view json);
    std::string Text() const { return m_text + "}"; }

private:
    void Key(std::string_view key);
    std::string m_text = "{";
};

} // namespace velmora
