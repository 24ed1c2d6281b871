#pragma once

#include <string>
#include <vector>

namespace velmora {

// The editing state of the engines and clients pages.
enum class PageState { Idle = 0, Adding = 1, Editing = 2 };

// A list kept sorted without regard to letter case, as the pages show it.
class SortedNames {
public:
    void Clear() { m_names.clear(); }
    void Add(const std::string& name);
    void Remove(const std::string& name);
    bool Contains(const std::string& name) const; // without regard to case
    const std::vector<std::string>& Get() const { return m_names; }

private:
    std::vector<std::string> m_names;
};

} // namespace velmora
