#pragma once

#include <string>

namespace velmora {

// The program's own version, shown in the About box and compared by the
// upgrade check.
inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 2;
inline constexpr int kVersionBuild = 0;

// "2.2 Build 0"
inline std::string GetVersionNumbers()
{
    std::string text = std::to_string(kVersionMajor);
    text.append(".").append(std::to_string(kVersionMinor));
    text.append(" Build ").append(std::to_string(kVersionBuild));
    return text;
}

// The licence (GPL-3.0-or-later, as SPDX names it) in the sentence the
// programs show with their version.
inline constexpr const char* kLicenceText =
    "Free software under the GNU General Public License, version 3 or later (GPL-3.0-or-later); "
    "there is no warranty.";

} // namespace velmora
