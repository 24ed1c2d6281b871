#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Character references as a browser decodes them in an attribute: "&amp;",
// "&lt;", "&gt;", "&quot;", "&apos;" and numeric ones ("&#38;", "&#x26;").
// Anything else stays as written.
std::string DecodeCharacterReferences(std::string_view text);

// The value of a query parameter, percent-decoded ("+" stays a "+").
std::optional<std::string> QueryParameter(std::string_view url, std::string_view name);

// Base64url text as decoded ("=" padding added as needed); empty when the
// text is no such thing.
std::optional<std::string> DecodeBase64Url(std::string_view text);

// The target a search engine's redirect link carries, once, never again:
//  - a "uddg=" parameter;
//  - "/url?q=" or "/url?url=";
//  - a path segment "/RU=<target>/" followed by "RK=" or "RS=";
//  - a "u=" parameter of "a1" and base64url;
//  - otherwise the one parameter whose value is an absolute http, https or
//    ftp URL.
// Character references in the link are decoded first. Empty when the link
// carries no target. The target is not checked further here: it still has
// to pass every rule a link written on the page passes.
std::optional<std::string> UnwrapLink(std::string_view link);

// A quick look that rules out most links without decoding anything: false
// when the link cannot carry a target.
bool MayCarryTarget(std::string_view link);

} // namespace velmora
