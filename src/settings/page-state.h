#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velmora {

// The editing state of the engines and clients pages.
enum class PageState { Idle = 0, Adding = 1, Editing = 2 };

// The names a page lists: kept sorted without regard to letter case (Add)
// or in the file's own order (Append, Swap), as the page shows them.
class SortedNames {
public:
    void Clear() { m_names.clear(); }
    void Add(const std::string& name);
    void Append(const std::string& name) { m_names.push_back(name); }
    void Swap(std::size_t a, std::size_t b) { std::swap(m_names.at(a), m_names.at(b)); }
    void Remove(const std::string& name);
    bool Contains(const std::string& name) const; // without regard to case
    const std::vector<std::string>& Get() const { return m_names; }

private:
    std::vector<std::string> m_names;
};

// What the engines and clients pages keep alike: the sorted names, the
// editing state, and whether the Name field takes input.
class ListPageState {
public:
    PageState GetState() const { return m_state; }
    bool IsNameEnabled() const { return m_nameEnabled; }
    bool AreDoneAndCancelEnabled() const { return m_state != PageState::Idle; }
    const SortedNames& GetNames() const { return m_names; }
    // Why the last Done saved nothing (empty when it saved), and what the
    // user should know about what it saved.
    const std::string& GetProblem() const { return m_problem; }
    const std::string& GetNotice() const { return m_notice; }
    // The name the last Done saved, so the page can show what it saved.
    const std::string& GetSavedName() const { return m_saved; }

protected:
    // Done's refusal: the state and fields stay, the reason is kept.
    bool Refuse(std::string problem)
    {
        m_problem = std::move(problem);
        return false;
    }
    std::string m_problem;
    std::string m_notice;
    std::string m_saved;
    SortedNames m_names;
    PageState m_state = PageState::Idle;
    bool m_nameEnabled = true;
};

} // namespace velmora
