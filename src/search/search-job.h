#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/http-fetch.h"
#include "search/engine-source.h"

namespace velmora {

class MessageQueue;

// One dispatched engine. Shared by the owner (through the engine item) and
// the worker, so neither frees what the other still reads. The worker
// reads everything but `stop`, which only the owner writes.
struct SearchJob {
    std::uint64_t id = 0;              // carried in every message the worker posts
    std::vector<std::string> pageUrls; // page 1 first; asked in turn
    AnswerFormat format = AnswerFormat::Html;
    std::string resultsPath;         // for a JSON answer
    std::vector<std::string> hidden; // the forms of the engine's key
    bool keyed = false;              // asked with an API key
    std::uint64_t engineItem = 0;    // the engine's handle, passed through
    std::string engineName;
    std::shared_ptr<MessageQueue> queue;
    FetchOptions fetch; // limits; url and stop are filled in by the worker
    std::atomic<bool> stop{false};
};

// The worker's body: fetch, scan, and post exactly one final message
// (done, failed or stopped) after the links.
void SearchThreadProc(const std::shared_ptr<SearchJob>& job);

// Fetches and reads the engine's pages in turn, and posts done or failed;
// true when it ended on the stop flag (the caller posts that).
bool FetchResultPages(const SearchJob& job);

// Starts the worker on a thread of its own that nobody waits for. False when
// no thread could be started.
bool StartSearchWorker(const std::shared_ptr<SearchJob>& job);

} // namespace velmora
