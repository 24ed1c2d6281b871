#pragma once

#include <string>
#include <vector>

#include "browse/listed-entry.h"

namespace velmora::test {

// A listing's entries as "name" for a file and "name/" for a folder, so a
// test can compare names and kinds in one go.
inline std::vector<std::string> EntryNames(const std::vector<ListedEntry>& entries)
{
    std::vector<std::string> names;
    for (const ListedEntry& entry : entries)
        names.push_back(entry.name + (entry.isDirectory ? "/" : ""));
    return names;
}

} // namespace velmora::test
