#pragma once

#include <string>
#include <vector>

namespace velmora {

// Newer than the program's own 2.2 build 0.
bool IsNewerVersion(int major, int minor, int build);

struct DownloadLocation {
    std::string label;
    std::string url; // the address at the label's sorted position
};

struct VersionOffer {
    bool newer = false;
    int major = 0;
    int minor = 0;
    int build = 0;
    std::vector<DownloadLocation> locations; // sorted by label; empty when not newer
};

// At most this many download locations are read, whatever Count says.
inline constexpr unsigned kMaxLocations = 1000;

VersionOffer ReadVersionOffer(const std::string& answerPath);

struct EngineOffer {
    std::string name;
    bool preselected = false; // the answer's stamp reads above the local one
};

// Every engine of the answer, sorted by name.
std::vector<EngineOffer> ReadEngineOffer(const std::string& answerPath, const std::string& settingsPath);

// The answer's clients that clients.dat has no Path for, sorted.
std::vector<std::string> ReadClientOffer(const std::string& answerPath, const std::string& clientsPath);

// Copies the named sections of the answer into `targetPath`, each replacing
// a section of that name. A section larger than `bufferSize` keeps its whole
// entries that fit; no entry is ever cut.
void MergeSections(const std::string& answerPath, const std::string& targetPath, const std::vector<std::string>& names,
                   std::size_t bufferSize);

} // namespace velmora
