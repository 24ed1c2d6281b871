#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "results/growing-id-index.h"
#include "results/result-entry.h"
#include "results/text-arena.h"

namespace velmora {

// A result's number in the list, from 0 in the order they came.
using ResultId = std::uint32_t;

// The records of the current search. Servers and paths compare without
// regard to letter case; service, port and login play no part, so the same
// file reached by ftp and by http is one result. Records are kept compact:
// a server's login, a directory and the texts are stored once and named by
// number, a record itself is 40 bytes, and nothing grows all at once, so a
// million results cost little and no single one takes long to add.
class ResultList {
public:
    struct Added {
        ResultId id;
        bool newServer; // no earlier record was on this server (its service, host and port)
    };

    ResultList();
    ~ResultList();
    ResultList(ResultList&&) noexcept;
    ResultList& operator=(ResultList&&) noexcept;

    // Takes the record unless it repeats a held server and path (then
    // `held`, when given, gets the held one) or the list is full.
    std::optional<Added> Add(const ResultEntry& entry, ResultId* held = nullptr);
    // A size or a date the record lacks, from a listing that tells it; true
    // when anything was filled in.
    bool FillSizeAndDate(ResultId id, std::optional<std::uint64_t> size, std::optional<std::int64_t> modified);
    // What a file check told: an exact size and a date replace what the
    // result had (a rounded size included); what it did not tell stays.
    void SetSizeAndDate(ResultId id, std::optional<std::uint64_t> size, std::optional<std::int64_t> modified);
    void Clear();

    std::size_t GetCount() const { return m_count; }
    // The record made whole again.
    ResultEntry Get(ResultId id) const;
    // The same into a record whose texts have room already: no allocation
    // when they are long enough.
    void GetInto(ResultId id, ResultEntry& entry) const;
    // The i-th record from the newest (0) to the oldest.
    ResultEntry GetNewest(std::size_t i) const { return Get(static_cast<ResultId>(m_count - 1 - i)); }
    // Its file name: the path after its last "/".
    std::string_view GetName(ResultId id) const;
    // Its directory as found, "/" included ("/music/"; empty for a path
    // without "/").
    std::string_view GetDirectory(ResultId id) const;
    // The same number for directories that differ only in letter case, so
    // views group them; GetDirectoryText gives the first one's text.
    std::uint32_t GetDirectoryGroup(ResultId id) const;
    std::string_view GetDirectoryText(std::uint32_t group) const;
    std::string GetPath(ResultId id) const;
    std::uint32_t GetService(ResultId id) const;
    std::optional<std::uint64_t> GetSize(ResultId id) const;
    // The listing gave the size rounded ("2.3K"): shown as about that much.
    bool IsSizeApproximate(ResultId id) const;
    std::optional<std::int64_t> GetModified(ResultId id) const;
    // Marked when no earlier saved search of the same words held it.
    void MarkNew(ResultId id);
    bool IsNew(ResultId id) const { return id < m_new.size() && m_new[id]; }

    // The first record of a server, named by its key (ServerKey).
    std::optional<ResultId> FindServer(std::string_view server) const;
    // Every record of a server, named by its key, oldest first.
    const std::vector<ResultId>& GetServerRecords(std::string_view server) const;

private:
    struct Record;
    struct Origin;
    struct Directory;

    const Record& At(ResultId id) const;
    std::optional<std::uint32_t> InternOrigin(const ResultEntry& entry, std::uint32_t server);
    std::optional<std::uint32_t> InternDirectory(std::string_view directory);
    std::uint32_t InternServer(const ResultEntry& entry);
    // The record itself, after every record held; its id.
    ResultId AppendRecord(const ResultEntry& entry, std::uint32_t origin, std::uint32_t directory, TextArena::Ref name,
                          TextArena::Ref description);

    std::vector<std::unique_ptr<Record[]>> m_blocks; // kBlockRecords each
    std::vector<bool> m_new;
    std::size_t m_count = 0;
    TextArena m_texts;
    std::vector<Origin> m_origins;
    // Looked up by a view, so a key already held costs no allocation.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    using TextIndex = std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>>;
    TextIndex m_originIndex;
    std::vector<Directory> m_directories;
    std::unordered_map<std::string_view, std::uint32_t> m_directoryIndex; // views into m_texts
    std::unordered_map<std::string, std::uint32_t> m_directoryGroups;     // folded text -> first directory
    TextIndex m_serverIndex;                                              // folded name -> server
    std::string m_key;                                                    // the key being looked up, kept for its room
    std::vector<std::vector<ResultId>> m_serverRecords;
    std::vector<std::uint32_t> m_serverOrigins; // each server's last origin
    GrowingIdIndex m_paths;
    // The last server, origin and directory taken: a listing brings many in
    // a row.
    std::uint32_t m_lastServer = UINT32_MAX;
    std::string m_lastServerName; // its host, service and port
    std::uint32_t m_lastServerService = 0;
    std::uint16_t m_lastServerPort = 0;
    std::uint32_t m_lastOrigin = UINT32_MAX;
    std::uint32_t m_lastDirectory = UINT32_MAX;
};

} // namespace velmora
