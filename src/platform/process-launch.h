#pragma once

#include <string>
#include <vector>

namespace velmora {

// The program a name stands for: a name holding "/" as it is, any other
// searched on PATH. Empty when nothing executable is found.
std::string FindProgram(const std::string& name);

// The folder of the running executable.
std::string GetExecutableDirectory();

// Starts a program detached from this one, with an argument vector (no
// shell ever sees it) in the given working directory. True when the program
// was started; false when it could not be found, the directory could not be
// entered or it could not be executed.
bool StartDetached(const std::vector<std::string>& argv, const std::string& workingDirectory);

} // namespace velmora
