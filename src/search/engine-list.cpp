#include "search/engine-list.h"

#include <utility>

#include "platform/ascii-case.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

EngineList::EngineList(std::string settingsPath) : m_settingsPath(std::move(settingsPath)) {}

void EngineList::SetSettingsPath(std::string settingsPath)
{
    m_settingsPath = std::move(settingsPath);
}

void EngineList::LoadEngines()
{
    if (!m_items.empty()) {
        SaveEngineChecks();
        m_items.clear();
    }
    // One parse of the file for the whole list.
    const ProfileSnapshot settings(m_settingsPath);
    for (const std::string& name : SplitNulList(settings.GetSectionNames(keys::kSectionNamesBuffer))) {
        if (EqualsNoCase(name, keys::kSettingsSection))
            continue;
        const std::string type =
            settings.GetString(name, keys::kEngineType, keys::kEngineTypeDefault, keys::kTypeBuffer);
        if (type.empty() || type[0] != 'S')
            continue;
        EngineItem item;
        item.handle = m_nextHandle++;
        item.name = name;
        const std::string search =
            settings.GetString(name, keys::kEngineSearch, keys::kEngineSearchDefault, keys::kTypeBuffer);
        item.checked = !search.empty() && search[0] == 'Y';
        m_items.push_back(std::move(item));
    }
}

void EngineList::ReloadEngines()
{
    m_items.clear();
    LoadEngines();
}

// All ticks in one rewrite of the file.
void EngineList::SaveEngineChecks() const
{
    if (m_items.empty())
        return;
    ProfileEdit edit(m_settingsPath);
    for (const EngineItem& item : m_items)
        edit.SetString(item.name, keys::kEngineSearch, item.checked ? "Y" : "N");
    edit.Commit();
}

EngineItem* EngineList::GetEngineItem(std::size_t n)
{
    return n < m_items.size() ? &m_items[n] : nullptr;
}

const EngineItem* EngineList::GetEngineItem(std::size_t n) const
{
    return n < m_items.size() ? &m_items[n] : nullptr;
}

EngineItem* EngineList::FindItem(std::uint64_t handle)
{
    const std::size_t index = FindIndex(handle);
    return index == kNotFound ? nullptr : &m_items[index];
}

std::size_t EngineList::FindIndex(std::uint64_t handle) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].handle == handle)
            return i;
    }
    return kNotFound;
}

void EngineList::SetCheck(std::size_t n, bool checked)
{
    if (EngineItem* item = GetEngineItem(n))
        item->checked = checked;
}

std::string EngineList::BuildQueryUrl(const EngineItem& item, std::string_view queryWords) const
{
    return ExpandEngineQuery(GetSource(item), queryWords, 1);
}

EngineSource EngineList::GetSource(const EngineItem& item) const
{
    return ReadEngineSource(ProfileSnapshot(m_settingsPath), item.name);
}

} // namespace velmora
