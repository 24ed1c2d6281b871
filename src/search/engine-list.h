#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "results/item-state.h"
#include "search/engine-source.h"

namespace velmora {

struct SearchJob;

// One listed engine. `handle` is what worker messages carry to name it; it
// is never reused, so a report for an engine that a refill removed finds
// nothing instead of the wrong engine.
struct EngineItem {
    std::uint64_t handle = 0;
    std::string name; // the section of settings.dat it stands for
    bool checked = false;
    ItemState state = kStateIdle;
    std::shared_ptr<SearchJob> job; // the running search job, if any
};

// The engine catalogue as the engine tree shows it, in file order. Lives on
// the owner's thread; workers never see it.
class EngineList {
public:
    static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

    explicit EngineList(std::string settingsPath = {});

    void SetSettingsPath(std::string settingsPath);
    const std::string& GetSettingsPath() const { return m_settingsPath; }

    // Refills the list from settings.dat, saving the ticks of a non-empty
    // list first.
    void LoadEngines();
    // Empties the list without saving its ticks, then refills it.
    void ReloadEngines();
    // Writes every item's tick back as "Y" or "N".
    void SaveEngineChecks() const;

    std::size_t GetCount() const { return m_items.size(); }
    // The n-th item from 0 in list order; null past the end.
    EngineItem* GetEngineItem(std::size_t n);
    const EngineItem* GetEngineItem(std::size_t n) const;
    EngineItem* FindItem(std::uint64_t handle);
    // The position of the item with that handle; kNotFound when it is gone.
    std::size_t FindIndex(std::uint64_t handle) const;
    void SetCheck(std::size_t n, bool checked);

    // The URL of the engine's first page: its Query (up to 1023
    // characters) with every "%s" replaced by the query words
    // (MakeQueryWords), and its other fields filled in.
    std::string BuildQueryUrl(const EngineItem& item, std::string_view queryWords) const;
    // How the engine is asked, as its section says now.
    EngineSource GetSource(const EngineItem& item) const;

private:
    std::string m_settingsPath;
    std::vector<EngineItem> m_items;
    std::uint64_t m_nextHandle = 1;
};

} // namespace velmora
