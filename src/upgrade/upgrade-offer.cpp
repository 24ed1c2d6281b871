#include "upgrade/upgrade-offer.h"

#include "platform/ascii-case.h"
#include "platform/program-version.h"
#include "settings/date-stamp.h"
#include "settings/page-state.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

namespace {

constexpr std::size_t kLocationBuffer = 1024;

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
    offer.major = ProfileSnapshot(answerPath).GetInt("Version", "Major", 0);
    offer.minor = ProfileSnapshot(answerPath).GetInt("Version", "Minor", 0);
    offer.build = ProfileSnapshot(answerPath).GetInt("Version", "Build", 0);
    offer.newer = IsNewerVersion(offer.major, offer.minor, offer.build);
    if (!offer.newer)
        return offer;
    const auto count = static_cast<unsigned>(ProfileSnapshot(answerPath).GetInt("Download", "Count", 0));
    SortedNames labels;
    for (unsigned i = 1; i <= std::min(count, kMaxLocations); ++i)
        labels.Add(
            ProfileSnapshot(answerPath).GetString("Download", "Location" + std::to_string(i), "", kLocationBuffer));
    // Addresses go by position in the sorted list: URL0 for the first label.
    for (std::size_t k = 0; k < labels.Get().size(); ++k) {
        offer.locations.push_back(
            {labels.Get()[k],
             ProfileSnapshot(answerPath).GetString("Download", "URL" + std::to_string(k), "", kLocationBuffer)});
    }
    return offer;
}

std::vector<EngineOffer> ReadEngineOffer(const std::string& answerPath, const std::string& settingsPath)
{
    const ProfileSnapshot answer(answerPath);
    const ProfileSnapshot settings(settingsPath);
    SortedNames names;
    for (const std::string& name : SplitNulList(answer.GetSectionNames(keys::kSectionNamesBuffer))) {
        if (!EqualsNoCase(name, keys::kSettingsSection))
            names.Add(name);
    }
    std::vector<EngineOffer> offer;
    for (const std::string& name : names.Get()) {
        const std::string offered = answer.GetString(name, keys::kDate, "", 64);
        const std::string local = settings.GetString(name, keys::kDate, "", 64);
        offer.push_back({name, IsLaterStamp(offered, local)});
    }
    return offer;
}

std::vector<std::string> ReadClientOffer(const std::string& answerPath, const std::string& clientsPath)
{
    const ProfileSnapshot answer(answerPath);
    const ProfileSnapshot clients(clientsPath);
    SortedNames names;
    for (const std::string& name : SplitNulList(answer.GetSectionNames(keys::kSectionNamesBuffer))) {
        if (clients.GetString(name, keys::kClientPath, "Null", 1024) == "Null")
            names.Add(name);
    }
    return names.Get();
}

const MergeKind& EngineMerge()
{
    // How the engine is asked comes with its address; its key is the user's.
    static const MergeKind kind{
        {keys::kEngineUrl, keys::kEngineQuery, keys::kEngineType, keys::kDate, keys::kEngineAgent, keys::kEngineFormat,
         keys::kEngineResults, keys::kEngineHeader, keys::kEnginePages, keys::kEnginePageSize},
        keys::kEngineSectionBuffer,
        {keys::kEngineSearch, keys::kEngineKey},
        keys::kEngineKey,
        keys::kEngineQuery,
    };
    return kind;
}

const MergeKind& ClientMerge()
{
    static const MergeKind kind{
        {keys::kClientPath, keys::kClientArgs, keys::kClientScript, keys::kClientQuote},
        keys::kClientSectionBuffer,
    };
    return kind;
}

namespace {

// "https://host:port" of an address, lowercased; the whole text when it
// names no site.
std::string SiteOf(std::string_view address)
{
    const std::size_t scheme = address.find("://");
    const std::size_t end = scheme == std::string_view::npos ? address.size() : address.find('/', scheme + 3);
    return LowerAscii(address.substr(0, end));
}

std::string JoinNames(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

std::string DescribeMerge(const MergeResult& result)
{
    if (!result.ok)
        return result.problem;
    std::string text;
    if (!result.added.empty())
        text += "Added: " + JoinNames(result.added) + ".";
    if (!result.replaced.empty())
        text += std::string(text.empty() ? "" : " ") + "Replaced: " + JoinNames(result.replaced) + ".";
    if (!result.unkeyed.empty())
        text += " " + JoinNames(result.unkeyed) +
                " now asks another site, so its API key was removed: enter it again if you trust the new address.";
    return text.empty() ? "Nothing was merged." : text;
}

MergeResult MergeSections(const std::string& answerPath, const std::string& targetPath,
                          const std::vector<std::string>& names, const MergeKind& kind)
{
    const ProfileSnapshot answer(answerPath);
    ProfileEdit target(targetPath);
    MergeResult result;
    for (const std::string& name : names) {
        if (!answer.HasSection(name) || EqualsNoCase(name, keys::kSettingsSection))
            continue;
        const bool added = !target.HasSection(name);
        (added ? result.added : result.replaced).push_back(name);
        if (!added && kind.secretKey && !target.GetValue(name, kind.secretKey).value_or("").empty() &&
            SiteOf(target.GetValue(name, kind.addressKey).value_or("")) !=
                SiteOf(answer.FindValue(name, kind.addressKey).value_or(""))) {
            target.RemoveKey(name, kind.secretKey);
            result.unkeyed.push_back(name);
        }
        std::vector<std::string> keys = kind.keys;
        if (added)
            keys.insert(keys.end(), kind.keysWhenAdded.begin(), kind.keysWhenAdded.end());
        std::size_t used = 1; // the closing NUL
        for (const std::string& key : keys) {
            const std::optional<std::string> value = answer.FindValue(name, key);
            const std::size_t bytes = value ? key.size() + 1 + value->size() + 1 : 0;
            if (value && used + bytes <= kind.bufferSize) {
                used += bytes;
                if (!target.SetString(name, key, *value)) {
                    result.ok = false;
                    result.problem = "\"" + name + "\" could not be merged: its " + key + " cannot be stored.";
                    return result;
                }
            } else {
                target.RemoveKey(name, key);
            }
        }
        result.merged.push_back(name);
    }
    if (!target.Commit()) {
        result.ok = false;
        result.merged.clear();
        result.added.clear();
        result.replaced.clear();
        result.problem = "The merge could not be written to " + targetPath + ".";
    }
    return result;
}

} // namespace velmora
