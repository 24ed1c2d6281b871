#pragma once

#include <string>

namespace velmora {

// What the settings sheet and the upgrade change in the running program
// when they are confirmed: the engine list is read again, the thread limit
// takes effect at the next dispatch.
class SettingsTarget {
public:
    virtual ~SettingsTarget() = default;
    virtual const std::string& GetWorkingDirectory() const = 0;
    virtual void ReloadEngines() = 0;
    virtual void SetMaxThreads(int maxThreads) = 0;
    // "Keep every search": saved already; takes effect with the next search.
    virtual void SetSaveSearches(bool /*on*/) {}
};

} // namespace velmora
