#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "results/item-state.h"

namespace velmora {

struct BrowseListing;
struct BrowseSkip;
struct BrowseSummary;
struct EngineReport;
struct FileCheck;
struct ResultEntry;
struct ServerItem;
struct TestJob;

// What a person would see change. The window repaints from these; the
// command line prints them. All calls come on the owner's thread.
class SessionObserver {
public:
    virtual ~SessionObserver() = default;

    virtual void EnginesReloaded() {}
    virtual void EngineMarkChanged(std::size_t /*index*/) {}
    // An engine's final report was taken: its mark and how its fetch went.
    virtual void EngineReported(const std::string& /*engine*/, ItemState /*state*/, const EngineReport& /*report*/) {}
    virtual void ServersCleared() {}
    virtual void ServerAdded(std::size_t /*group*/, const ServerItem& /*server*/) {}
    virtual void ServerMarkChanged(std::size_t /*group*/, std::size_t /*index*/) {}
    // A probe of the current test pass ended with a verdict.
    virtual void ServerTested(std::size_t /*group*/, const ServerItem& /*server*/, const TestJob& /*job*/) {}
    virtual void ResultAccepted(const ResultEntry& /*entry*/, int /*count*/) {}
    virtual void ResultCountChanged(int /*count*/) {}
    virtual void ActiveThreadsChanged(int /*count*/) {}
    // A search started, ended or was stopped, or a test pass began or
    // ended: the button's caption, the graying of "Settings" and "Re-Test
    // Results", and the status line follow.
    virtual void SearchStateChanged() {}
    virtual void ResultsViewCleared() {}
    // A browse listed a directory (before its files are taken in), skipped
    // one, or ended.
    virtual void BrowseListed(const BrowseListing& /*listing*/) {}
    virtual void BrowseSkipped(const BrowseSkip& /*skip*/) {}
    virtual void BrowseEnded(const BrowseSummary& /*summary*/) {}
    // A file was checked: `result` is the result's id, or the place of a
    // record given to CheckRecords.
    virtual void FileChecked(std::uint32_t /*result*/, const std::string& /*url*/, const FileCheck& /*check*/) {}
    // The search could not be kept in the searches database, and why; it
    // runs on unsaved.
    virtual void SearchNotSaved(const std::string& /*why*/) {}
};

} // namespace velmora
