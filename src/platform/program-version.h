#pragma once

namespace velmora {

// The program's own version, shown in the About box and compared by the
// upgrade check.
inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 2;
inline constexpr int kVersionBuild = 0;

} // namespace velmora
