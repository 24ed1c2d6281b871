// The session's file checks: which files to check, how gently, and where
// each outcome goes (the result, the observer, the saved search).

#include <ctime>

#include "app/search-session.h"
#include "browse/browse-settings.h"
#include "platform/url-split.h"
#include "results/result-actions.h"

namespace velmora {

namespace {

// What a check asks: an FTP login beside the URL, an anonymous one with the
// tests' address as its password, as a probe's is.
FileToCheck MakeFileToCheck(std::uint64_t key, const ResultEntry& record)
{
    FileToCheck file{key, BuildUrlWithoutLogin(record), {}, {}, record.server};
    if (record.service == kServiceFtp) {
        file.user = record.user.empty() ? kAnonymousUser : record.user;
        file.password = record.password.empty() ? kProbePassword : record.password;
    }
    return file;
}

} // namespace

void SearchSession::CheckFiles(const std::vector<ResultId>& ids)
{
    std::vector<FileToCheck> files;
    files.reserve(ids.size());
    for (const ResultId id : ids) {
        if (id < m_results.GetCount())
            files.push_back(MakeFileToCheck(id, m_results.Get(id)));
    }
    StartChecks(std::move(files), true);
}

void SearchSession::CheckRecords(const std::vector<ResultEntry>& records)
{
    std::vector<FileToCheck> files;
    files.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        files.push_back(MakeFileToCheck(i, records[i]));
    StartChecks(std::move(files), false);
}

void SearchSession::StartChecks(std::vector<FileToCheck> files, bool ofResults)
{
    // As gentle as a browse: its pause, its agent, its connections (two at most).
    const BrowseLimits browse = ReadBrowseLimits(m_settingsPath);
    CheckLimits limits = m_checkLimits;
    limits.delayFactor = browse.delayFactor;
    limits.longestDelay = browse.longestDelay;
    limits.userAgent = browse.userAgent;
    limits.connectionsPerHost = std::min(browse.connections, kMaxCheckConnectionsPerHost);
    m_checks.SetLimits(limits);
    m_checkingResults = ofResults;
    m_checksAlive = 0;
    m_stopped = false;
    m_news.clear();
    m_checks.Start(std::move(files));
    Observer().ActiveThreadsChanged(GetActiveThreads());
    Observer().SearchStateChanged();
}

void SearchSession::StopChecks()
{
    if (!m_checks.IsRunning())
        return;
    m_checks.Cancel();
    m_stopped = true;
    m_news.clear();
    DispatchAll();
    SaveSearch();
    Observer().ActiveThreadsChanged(GetActiveThreads());
    Observer().SearchStateChanged();
}

const FileCheck* SearchSession::GetFileCheck(ResultId id) const
{
    const auto found = m_fileChecks.find(id);
    return found == m_fileChecks.end() ? nullptr : &found->second;
}

void SearchSession::OnFileChecked(const Message& message)
{
    const std::shared_ptr<CheckedFile> file = m_checks.TakeChecked(message);
    if (!file)
        return;
    const FileCheck& check = file->check;
    m_checksAlive += check.alive ? 1 : 0;
    const auto key = static_cast<ResultId>(file->key);
    if (m_checkingResults && key < m_results.GetCount()) {
        // What the server says now of the file outweighs what a listing said.
        if (check.alive) {
            m_results.SetSizeAndDate(key, check.size, check.modified);
            m_mirrors.Note(m_results, key);
        }
        m_fileChecks[key] = check;
        m_recorder.NoteChecked(key, check);
    }
    Observer().FileChecked(key, file->url, check);
}

void SearchSession::OnCheckLaneDone(const Message& message)
{
    const bool wasRunning = m_checks.IsRunning();
    m_checks.OnLaneDone(message);
    DispatchAll();
    Observer().ActiveThreadsChanged(GetActiveThreads());
    if (wasRunning && !m_checks.IsRunning()) {
        const int checked = m_checks.GetChecked();
        m_news = "Checked " + std::to_string(checked) + (checked == 1 ? " file: " : " files: ") +
                 std::to_string(m_checksAlive) + " there, " + std::to_string(checked - m_checksAlive) + " not there";
        SaveSearch();
        Observer().SearchStateChanged();
    }
}

void SearchSession::ShowSavedChecks(const std::vector<SavedCheck>& checks, const std::vector<ResultId>& shownAs)
{
    for (const SavedCheck& saved : checks) {
        if (saved.n < 0 || static_cast<std::size_t>(saved.n) >= shownAs.size() || shownAs[saved.n] == UINT32_MAX)
            continue;
        m_fileChecks[shownAs[saved.n]] = saved.check;
    }
}

} // namespace velmora
