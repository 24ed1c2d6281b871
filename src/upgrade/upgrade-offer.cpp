#include "upgrade/upgrade-offer.h"

#include "app/program-version.h"
#include "settings/page-state.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

namespace {

constexpr std::size_t kLocationBuffer = 1024;

std::vector<std::string> SectionNames(const std::string& file)
{
    return SplitNulList(GetPrivateProfileSectionNamesA(keys::kSectionNamesBuffer, file));
}

} // namespace

bool IsNewerVersion(int major, int minor, int build)
{
    if (major != kVersionMajor)
        return major > kVersionMajor;
    if (minor != kVersionMinor)
        return minor > kVersionMinor;
    return build > kVersionBuild;
}

VersionOffer ReadVersionOffer(const std::string& answerPath)
{
    VersionOffer offer;
    offer.major = GetPrivateProfileIntA("Version", "Major", 0, answerPath);
    offer.minor = GetPrivateProfileIntA("Version", "Minor", 0, answerPath);
    offer.build = GetPrivateProfileIntA("Version", "Build", 0, answerPath);
    offer.newer = IsNewerVersion(offer.major, offer.minor, offer.build);
    if (!offer.newer)
        return offer;
    const auto count = static_cast<unsigned>(GetPrivateProfileIntA("Download", "Count", 0, answerPath));
    SortedNames labels;
    for (unsigned i = 1; i <= std::min(count, kMaxLocations); ++i)
        labels.Add(
            GetPrivateProfileStringA("Download", "Location" + std::to_string(i), "", kLocationBuffer, answerPath));
    // Addresses go by position in the sorted list: URL0 for the first label.
    for (std::size_t k = 0; k < labels.Get().size(); ++k) {
        offer.locations.push_back({labels.Get()[k], GetPrivateProfileStringA("Download", "URL" + std::to_string(k), "",
                                                                             kLocationBuffer, answerPath)});
    }
    return offer;
}

std::vector<EngineOffer> ReadEngineOffer(const std::string& answerPath, const std::string& settingsPath)
{
    SortedNames names;
    for (const std::string& name : SectionNames(answerPath))
        names.Add(name);
    std::vector<EngineOffer> offer;
    for (const std::string& name : names.Get()) {
        const int offered = GetPrivateProfileIntA(name, keys::kDate, 1, answerPath);
        const int local = GetPrivateProfileIntA(name, keys::kDate, 0, settingsPath);
        offer.push_back({name, offered > local});
    }
    return offer;
}

std::vector<std::string> ReadClientOffer(const std::string& answerPath, const std::string& clientsPath)
{
    SortedNames names;
    for (const std::string& name : SectionNames(answerPath)) {
        if (GetPrivateProfileStringA(name, keys::kClientPath, "Null", 1024, clientsPath) == "Null")
            names.Add(name);
    }
    return names.Get();
}

void MergeSections(const std::string& answerPath, const std::string& targetPath, const std::vector<std::string>& names,
                   std::size_t bufferSize)
{
    SortedNames offered;
    for (const std::string& name : SectionNames(answerPath))
        offered.Add(name);
    for (const std::string& name : names) {
        if (!offered.Contains(name))
            continue;
        // Read whole, then keep the entries that fit the buffer entire.
        const auto entries = SplitNulList(GetPrivateProfileSectionA(name, std::size_t{1} << 20, answerPath));
        std::vector<std::string> kept;
        std::size_t used = 1; // the closing NUL
        for (const std::string& entry : entries) {
            if (used + entry.size() + 1 > bufferSize)
                break;
            used += entry.size() + 1;
            kept.push_back(entry);
        }
        WritePrivateProfileSectionA(name, JoinNulList(kept), targetPath);
    }
}

} // namespace velmora
