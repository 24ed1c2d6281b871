#include "settings/page-state.h"

#include <algorithm>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

bool LessNoCase(const std::string& a, const std::string& b)
{
    return LowerAscii(a) < LowerAscii(b);
}

} // namespace

void SortedNames::Add(const std::string& name)
{
    m_names.insert(std::upper_bound(m_names.begin(), m_names.end(), name, LessNoCase), name);
}

void SortedNames::Remove(const std::string& name)
{
    const auto found = std::find(m_names.begin(), m_names.end(), name);
    if (found != m_names.end())
        m_names.erase(found);
}

bool SortedNames::Contains(const std::string& name) const
{
    return std::any_of(m_names.begin(), m_names.end(), [&](const std::string& n) { return EqualsNoCase(n, name); });
}

} // namespace velmora
