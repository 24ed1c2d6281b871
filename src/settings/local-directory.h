#pragma once

#include <string>

#include "platform/result.h"

namespace velmora {

// The Local Directory downloads go to: LocalDir of settings.dat in
// `workingDirectory`, as an absolute path. A relative LocalDir ("./", the
// default) is taken from the working directory, and "~" stands for $HOME.
std::string ReadLocalDirectory(const std::string& workingDirectory);

// The same for a LocalDir value already read.
std::string ResolveLocalDirectory(const std::string& localDir, const std::string& workingDirectory);

// Makes a resolved Local Directory when it is missing (the user named it;
// making it is what they asked for). Empty when it is there now, else a
// sentence that says why it cannot be used.
Result<void> MakeLocalDirectory(const std::string& path);

// A first start: the user's download folder (see FindDownloadFolder) as
// LocalDir of the settings file at `settingsPath`, unless it names one
// already. The folder written, or empty when nothing was.
std::string SeedLocalDirectory(const std::string& settingsPath);

// Where the window keeps things, in a few lines for people: settings,
// searches, and the folder downloads go to.
std::string DescribeWhereThingsLive(const std::string& workingDirectory);

} // namespace velmora
