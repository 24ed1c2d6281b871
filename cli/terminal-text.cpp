#include "terminal-text.h"

#include "platform/text-escape.h"

namespace velmora::cli {

std::string ForTerminal(std::string_view text)
{
    return EscapeControls(text);
}

} // namespace velmora::cli
