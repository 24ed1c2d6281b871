#include "session-loop.h"

#include <csignal>

#include "app/search-session.h"

namespace velmora::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

// A tenth of a second at most without looking at Ctrl+C.
void Pump(SearchSession& session)
{
    session.ProcessMessages({.wait = std::chrono::milliseconds(100)});
}

} // namespace

void CatchInterrupt()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, nullptr);
}

bool WasInterrupted()
{
    return g_interrupted != 0;
}

void RunSearchToEnd(SearchSession& session, const std::string& words)
{
    session.OnSearch(words);
    while (session.IsSearchRunning() && !WasInterrupted())
        Pump(session);
    if (session.IsSearchRunning())
        session.OnSearch(words); // the button reads "Stop"
    session.ProcessMessages();
}

void RunTestPassToEnd(SearchSession& session)
{
    session.OnRetestResults();
    while (session.IsTestPassRunning() && !WasInterrupted())
        Pump(session);
    session.CancelTests();
}

void RunChecksToEnd(SearchSession& session)
{
    while (session.IsCheckRunning() && !WasInterrupted())
        Pump(session);
    session.StopChecks();
    session.ProcessMessages();
}

bool RunBrowseToEnd(SearchSession& session, const ResultEntry& start, const BrowseLimits& limits)
{
    if (!session.OnBrowse(start, false, limits))
        return false;
    while (session.IsBrowseRunning() && !WasInterrupted())
        Pump(session);
    session.StopBrowse();
    session.ProcessMessages();
    return session.GetBrowse().GetProgress().startListed;
}

} // namespace velmora::cli
