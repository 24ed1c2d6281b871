#include "store/search-writer.h"

#include <algorithm>

#include "platform/message-queue.h"
#include "results/result-list.h"

namespace velmora {

SearchWriter::SearchWriter(std::string folder, std::shared_ptr<MessageQueue> reports)
    : m_folder(std::move(folder)), m_reports(std::move(reports))
{
}

SearchWriter::~SearchWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SearchWriter::Hand(std::uint64_t run, SearchUpdate update, int runsKept, LeftResults left)
{
    {
        std::lock_guard lock(m_mutex);
        m_saves.push_back({run, std::move(update), runsKept, std::move(left)});
        if (!m_thread.joinable())
            m_thread = std::thread(&SearchWriter::Run, this);
    }
    m_wake.notify_all();
}

std::vector<SavedResult> SearchWriter::TakeSpareResults()
{
    std::lock_guard lock(m_mutex);
    if (m_spares.empty())
        return {};
    std::vector<SavedResult> spare = std::move(m_spares.back());
    m_spares.pop_back();
    return spare;
}

bool SearchWriter::IsFull()
{
    std::lock_guard lock(m_mutex);
    return m_saves.size() >= kMostWaiting;
}

void SearchWriter::Flush()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_saves.empty() && !m_writing; });
}

void SearchWriter::FlushName(const std::string& name)
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this, &name] {
        if (m_writing && m_writingName == name)
            return false;
        return std::none_of(m_saves.begin(), m_saves.end(),
                            [&name](const Save& save) { return save.update.name == name; });
    });
}

namespace {

// What an earlier save of a run brought (one that waited, or failed) goes
// ahead of a later one's.
void Prepend(SearchUpdate& earlier, SearchUpdate& later)
{
    earlier.newResults.insert(earlier.newResults.end(), std::make_move_iterator(later.newResults.begin()),
                              std::make_move_iterator(later.newResults.end()));
    earlier.verdicts.insert(earlier.verdicts.end(), later.verdicts.begin(), later.verdicts.end());
    earlier.filled.insert(earlier.filled.end(), later.filled.begin(), later.filled.end());
    earlier.checks.insert(earlier.checks.end(), later.checks.begin(), later.checks.end());
    later.newResults = std::move(earlier.newResults);
    later.verdicts = std::move(earlier.verdicts); // the later verdict of a server replaces the earlier
    later.filled = std::move(earlier.filled);
    later.checks = std::move(earlier.checks); // a later check of a file replaces the earlier
}

} // namespace

void SearchWriter::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_ending || !m_saves.empty(); });
        if (m_saves.empty())
            return; // ending, and everything is written
        std::vector<Save> taken = TakeNext();
        m_writing = true;
        m_writingName = taken.front().update.name;
        lock.unlock();
        // Joined here, not under the lock the window's thread asks.
        Save save = std::move(taken.front());
        for (std::size_t i = 1; i < taken.size(); ++i) {
            Prepend(save.update, taken[i].update);
            save = std::move(taken[i]);
        }
        if (save.left.list)
            WriteLeft(save);
        else
            Write(std::move(save));
        Post(kMsgSaveWritten);
        lock.lock();
        m_writing = false;
        m_idle.notify_all();
    }
}

std::vector<SearchWriter::Save> SearchWriter::TakeNext()
{
    std::vector<Save> taken;
    taken.push_back(std::move(m_saves.front()));
    m_saves.pop_front();
    std::size_t results = taken.front().update.newResults.size();
    while (!taken.front().left.list && !m_saves.empty() && m_saves.front().run == taken.front().run &&
           !m_saves.front().left.list &&
           results + m_saves.front().update.newResults.size() <= kMostResultsWrittenAtOnce) {
        results += m_saves.front().update.newResults.size();
        taken.push_back(std::move(m_saves.front()));
        m_saves.pop_front();
    }
    return taken;
}

void SearchWriter::Write(Save save)
{
    const bool failedBefore = m_failed && m_failed->run == save.run;
    if (failedBefore)
        Prepend(m_failed->update, save.update);
    m_failed.reset(); // a failed save of a run that is over is not tried again
    if (save.update.id == 0 && save.run == m_run)
        save.update.id = m_id;
    Failure notOpened;
    if (!m_store) {
        Result<std::unique_ptr<SearchStore>> opened = SearchStore::Open(m_folder);
        if (opened) {
            m_store = std::move(*opened);
            // The index of files takes each row at a place of its own: a
            // cache that holds it keeps a million rows from being read back
            // one page at a time.
            m_store->SetCacheKiB(kWriterCacheKiB);
        } else {
            notOpened = opened.Error();
        }
    }
    const Result<std::int64_t> id = m_store ? m_store->Save(save.update) : Result<std::int64_t>(notOpened);
    if (!id) {
        if (!failedBefore) // once, not every half second while it lasts
            Post(kMsgSaveFailed, std::make_shared<std::string>(id.Error().text));
        m_failed = std::move(save);
        return;
    }
    const bool newRow = save.update.id == 0;
    m_run = save.run;
    m_id = *id;
    KeepAsSpare(std::move(save.update.newResults));
    // The search itself is saved either way: a prune that fails is tried
    // again by the next run.
    if (newRow)
        (void)m_store->Prune(save.update.name, save.runsKept);
}

void SearchWriter::KeepAsSpare(std::vector<SavedResult> written)
{
    // Saves written together come back as the batches they were, so the
    // batches the owner fills while the next is written find their room;
    // the rest is freed here, not on its thread.
    std::vector<std::vector<SavedResult>> batches;
    for (std::size_t from = 0; from < written.size() && batches.size() < kSpareBatches; from += kWriterBatch) {
        const auto first = written.begin() + static_cast<std::ptrdiff_t>(from);
        const auto last = written.begin() + static_cast<std::ptrdiff_t>(std::min(from + kWriterBatch, written.size()));
        batches.emplace_back(std::make_move_iterator(first), std::make_move_iterator(last));
    }
    std::lock_guard lock(m_mutex);
    for (auto& batch : batches) {
        if (m_spares.size() >= kSpareBatches)
            break;
        m_spares.push_back(std::move(batch));
    }
}

// The left results in saves of a batch's size, the first with what the
// save brought besides; the list is freed here, not on the owner's thread.
void SearchWriter::WriteLeft(Save& save)
{
    const ResultList& list = *save.left.list;
    for (std::size_t id = save.left.from;;) {
        Save part{save.run, save.update, save.runsKept, {}};
        save.update.verdicts.clear();
        save.update.filled.clear();
        part.update.checks.clear();
        for (; id < list.GetCount() && part.update.newResults.size() < kMostResultsWrittenAtOnce; ++id) {
            SavedResult saved;
            saved.record = list.Get(static_cast<ResultId>(id));
            const auto name = save.left.engineNames.find(saved.record.engineItem);
            saved.engine = name == save.left.engineNames.end() ? std::string() : name->second;
            saved.isNew = list.IsNew(static_cast<ResultId>(id));
            part.update.newResults.push_back(std::move(saved));
        }
        // A check goes with its result's part or after it, never before.
        std::erase_if(save.update.checks, [&](SavedCheck& check) {
            if (check.n >= static_cast<std::int64_t>(id))
                return false;
            part.update.checks.push_back(std::move(check));
            return true;
        });
        Write(std::move(part));
        if (id >= list.GetCount())
            break;
    }
    save.left.list.reset();
}

void SearchWriter::Post(MessageId id, std::shared_ptr<void> record)
{
    Message message;
    message.id = id;
    message.record = std::move(record);
    m_reports->Post(std::move(message));
}

} // namespace velmora
