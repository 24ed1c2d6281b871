#include "settings/script-encoding.h"

namespace velmora {

std::string EncodeScript(std::string_view script)
{
    std::string stored;
    stored.reserve(script.size());
    for (char c : script) {
        if (c == '\r')
            continue;
        if (c == '\n')
            stored += "\\n";
        else
            stored += c;
    }
    return stored;
}

std::string DecodeScript(std::string_view stored)
{
    std::string script;
    script.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\\' && i + 1 < stored.size() && stored[i + 1] == 'n') {
            script += "\r\n";
            ++i;
        } else {
            script += stored[i];
        }
    }
    return script;
}

} // namespace velmora
