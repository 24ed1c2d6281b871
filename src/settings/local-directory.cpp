#include "settings/local-directory.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/paths.h"
#include "platform/user-folders.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

namespace {

// "/a/./b/" as "/a/b": the path is shown to the user.
std::string Tidy(const std::string& path)
{
    std::string tidy = std::filesystem::path(path).lexically_normal().string();
    while (tidy.size() > 1 && tidy.back() == '/')
        tidy.pop_back();
    return tidy;
}

std::string Resolve(const std::string& localDir, const std::string& workingDirectory)
{
    if (localDir.empty())
        return workingDirectory;
    if (localDir.starts_with('/'))
        return localDir;
    if (localDir == "~" || localDir.starts_with("~/")) {
        const char* home = std::getenv("HOME");
        if (home != nullptr && *home == '/')
            return localDir.size() <= 2 ? std::string(home) : JoinPath(home, localDir.substr(2));
    }
    return JoinPath(workingDirectory, localDir);
}

} // namespace

std::string ResolveLocalDirectory(const std::string& localDir, const std::string& workingDirectory)
{
    return Tidy(Resolve(localDir, workingDirectory));
}

Result<void> MakeLocalDirectory(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return {};
    std::filesystem::create_directories(path, error);
    if (!error && std::filesystem::is_directory(path, error))
        return {};
    return Failure{"The Local Directory " + path + " cannot be used" +
                       (error ? " (" + error.message() + ")" : std::string()) +
                       ": choose another in Edit > Settings > FTP Clients.",
                   error.value()};
}

std::string SeedLocalDirectory(const std::string& settingsPath)
{
    constexpr const char* kUnset = "\x01"; // no LocalDir can hold it
    if (ProfileSnapshot(settingsPath).GetString(keys::kSettingsSection, keys::kLocalDir, kUnset, 2) != kUnset)
        return {};
    const std::string folder = FindDownloadFolder();
    if (folder.empty() || !ProfileEdit::WriteString(settingsPath, keys::kSettingsSection, keys::kLocalDir, folder))
        return {};
    return folder;
}

std::string DescribeWhereThingsLive(const std::string& workingDirectory)
{
    return "Settings: " + JoinPath(workingDirectory, keys::kSettingsFile) + " and " + keys::kClientsFile +
           "\nSearches: " + JoinPath(workingDirectory, keys::kSearchesDatabase) +
           "\nDownloads: " + ReadLocalDirectory(workingDirectory);
}

std::string ReadLocalDirectory(const std::string& workingDirectory)
{
    const std::string localDir =
        ProfileSnapshot(JoinPath(workingDirectory, keys::kSettingsFile))
            .GetString(keys::kSettingsSection, keys::kLocalDir, keys::kLocalDirDefault, keys::kPageFieldBuffer);
    return ResolveLocalDirectory(localDir, workingDirectory);
}

} // namespace velmora
