#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/messages.h"
#include "store/search-store.h"

namespace velmora {

class MessageQueue;
class ResultList;

// Results a save takes from a list its owner has let go of: the writer
// reads them itself, so the owner copies nothing, and frees the list.
struct LeftResults {
    std::unique_ptr<ResultList> list;
    std::size_t from = 0;
    std::unordered_map<std::uint64_t, std::string> engineNames; // by engine item
};

// Writes saves of searches on a thread and a connection of its own, in the
// order they were handed over, so the thread that hands them never waits
// for the disk. The saves of one run find the row its first save made. A
// save that fails is posted (kMsgSaveFailed) and tried again with the next
// save of its run. Every save written or failed is posted (kMsgSaveWritten),
// so the owner can hand the next when it holds them back.
class SearchWriter {
public:
    // Left results are written this many at a time.
    static constexpr std::size_t kWriterBatch = 2048;
    // Saves of one run that wait are written together, up to this many
    // results a transaction: each transaction rewrites every page of the
    // index of files it touched, so few large ones cost far less than many
    // small ones.
    static constexpr std::size_t kMostResultsWrittenAtOnce = 32768;
    // Saves waiting beyond this many hold the owner's next back.
    static constexpr std::size_t kMostWaiting = 16;
    static constexpr int kWriterCacheKiB = 16384;
    // Written batches kept for the owner to fill again: each holds a
    // batch's texts, a megabyte or so.
    static constexpr std::size_t kSpareBatches = 4;

    SearchWriter(std::string folder, std::shared_ptr<MessageQueue> reports);
    // Writes everything handed over, then ends its thread.
    ~SearchWriter();
    SearchWriter(const SearchWriter&) = delete;
    SearchWriter& operator=(const SearchWriter&) = delete;

    // A save of run `run`. The first save of a run without an id makes its
    // row and then drops the runs of its name beyond the newest `runsKept`.
    void Hand(std::uint64_t run, SearchUpdate update, int runsKept, LeftResults left = {});
    // True while as many saves wait as may: the owner holds the next back.
    bool IsFull();
    // Results of a written save, their texts' room kept, to be filled with
    // the next save's (empty when there are none): a batch then costs no
    // allocation per result.
    std::vector<SavedResult> TakeSpareResults();
    // Returns once everything handed over so far is written or has failed.
    void Flush();
    // Returns once no save of a search of that name is waiting or being
    // written (the others may still be).
    void FlushName(const std::string& name);

private:
    struct Save {
        std::uint64_t run = 0;
        SearchUpdate update;
        int runsKept = 0;
        LeftResults left;
    };

    void Run();
    void Write(Save save);
    // The written results, cut into batches, kept for the owner to fill.
    void KeepAsSpare(std::vector<SavedResult> written);
    void WriteLeft(Save& save);
    // The first waiting save with those of its run after it, to be written
    // as one.
    std::vector<Save> TakeNext();
    void Post(MessageId id, std::shared_ptr<void> record = {});

    const std::string m_folder;
    const std::shared_ptr<MessageQueue> m_reports;
    std::mutex m_mutex;
    std::condition_variable m_wake; // a save was handed over, or the end
    std::condition_variable m_idle; // nothing handed over is left
    std::deque<Save> m_saves;
    std::vector<std::vector<SavedResult>> m_spares; // at most kSpareBatches
    bool m_writing = false;
    std::string m_writingName; // the name of the search being written
    bool m_ending = false;
    std::thread m_thread; // started by the first save

    // The writing thread's own.
    std::unique_ptr<SearchStore> m_store;
    std::uint64_t m_run = 0; // the run whose row is m_id
    std::int64_t m_id = 0;
    std::optional<Save> m_failed; // of m_run, or of a run without a row yet
};

} // namespace velmora
