#pragma once

#include <string>

#include "browse/browse-limits.h"

namespace velmora {
class SearchSession;
struct ResultEntry;
} // namespace velmora

namespace velmora::cli {

// Ctrl+C asks the running command to stop, as the window's Stop does.
void CatchInterrupt();
bool WasInterrupted();

// Runs one search in `session` until every engine has reported or Ctrl+C
// stops it; links posted before the stop are still taken in.
void RunSearchToEnd(SearchSession& session, const std::string& words);
// Runs one test pass until every verdict is in or Ctrl+C stops it.
void RunTestPassToEnd(SearchSession& session);
// Runs the file checks the session started until every file is told or
// Ctrl+C stops them.
void RunChecksToEnd(SearchSession& session);
// Browses the start's server from its directory until the browse ends or
// Ctrl+C stops it; true when the start directory could be listed.
bool RunBrowseToEnd(SearchSession& session, const ResultEntry& start, const BrowseLimits& limits);

} // namespace velmora::cli
