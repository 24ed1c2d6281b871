#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The query words of a search text: trimmed, A to Z lowercased, every blank
// turned into "+" (runs of blanks give runs of "+"; tabs stay).
std::string MakeFilterWords(std::string_view searchText);

// The search text as a web form sends it: trimmed, A to Z lowercased, each
// blank a "+", every byte but the unreserved ones (letters, digits, "-",
// ".", "_", "~") percent-encoded, so "&", "#" and non-ASCII words reach
// the engine whole. The word filter keeps using MakeFilterWords.
std::string MakeQueryWords(std::string_view searchText);

} // namespace velmora
