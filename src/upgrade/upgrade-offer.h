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

// Every engine of the answer, sorted by name; a section named Settings is
// the general section, never an engine, and is not offered. An engine is
// preselected when its stamp is later than the local one.
std::vector<EngineOffer> ReadEngineOffer(const std::string& answerPath, const std::string& settingsPath);

// The answer's clients that clients.dat has no Path for, sorted. None is
// preselected: a client merge could change what program is started.
std::vector<std::string> ReadClientOffer(const std::string& answerPath, const std::string& clientsPath);

// What a merge copies: the keys that define an engine or a client, and the
// most bytes of entries one section may bring.
struct MergeKind {
    std::vector<std::string> keys;
    std::size_t bufferSize;
    // Copied only into a section the file lacks: an engine's tick, which
    // the user's own choice outranks once the engine is theirs.
    std::vector<std::string> keysWhenAdded = {};
    // A secret of the user's (an engine's API key) and the address it is
    // sent to: a merge that moves the address to another site removes the
    // secret, so an update can never send it elsewhere.
    const char* secretKey = nullptr;
    const char* addressKey = nullptr;
};
const MergeKind& EngineMerge();
const MergeKind& ClientMerge();

struct MergeResult {
    bool ok = true;
    std::vector<std::string> merged;   // every section merged, in order
    std::vector<std::string> added;    // of those, the ones the file lacked
    std::vector<std::string> replaced; // and the ones it had
    std::vector<std::string> unkeyed;  // replaced ones that moved site and lost their key
    std::string problem;               // a sentence for people when not ok
};

// "Added: Zeta. Replaced: alpha." for the dialog and the command line.
std::string DescribeMerge(const MergeResult& result);

// Copies the named sections of the answer into `targetPath`: of each, only
// the keys of `kind`, each set or (when the answer lacks it) removed, and
// into a new section its keysWhenAdded too; the section's other local keys
// (a tick, a hold) stay. Entries beyond the
// buffer are left out whole; none is ever cut. Every chosen section goes
// into the file in one atomic replacement, or nothing does.
MergeResult MergeSections(const std::string& answerPath, const std::string& targetPath,
                          const std::vector<std::string>& names, const MergeKind& kind);

} // namespace velmora
