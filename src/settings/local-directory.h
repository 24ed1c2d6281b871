#pragma once

#include <string>

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
std::string MakeLocalDirectory(const std::string& path);

} // namespace velmora
