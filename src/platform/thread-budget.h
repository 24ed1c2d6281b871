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
    void SetLimit(int limit) { m_nLimit = std::max(1, limit); }
    int GetLimit() const { return m_nLimit; }
    bool HasRoom() const { return m_nUsed < m_nLimit; }
    int GetUsed() const { return m_nUsed; }
    void Take() { ++m_nUsed; }
    void Give(int count = 1) { m_nUsed = std::max(0, m_nUsed - count); }

private:
    int m_nLimit = 5;
    int m_nUsed = 0;
};

} // namespace velmora
