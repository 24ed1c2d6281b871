#pragma once

#include <algorithm>

namespace velmora {

// The thread limit that searches, test passes and browses share. Each of
// them counts the threads it took itself and gives back only those, so one
// that is cancelled can never free another's threads or push the total
// over the limit. Owner's thread only.
class ThreadBudget {
public:
    // At least one thread: a limit of 0 would start nothing and wait forever.
    void SetLimit(int limit) { m_limit = std::max(1, limit); }
    int GetLimit() const { return m_limit; }
    bool HasRoom() const { return m_used < m_limit; }
    int GetUsed() const { return m_used; }
    void Take() { ++m_used; }
    void Give(int count = 1) { m_used = std::max(0, m_used - count); }

private:
    int m_limit = 5;
    int m_used = 0;
};

} // namespace velmora
