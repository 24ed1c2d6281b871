#include "results/result-list.h"

#include <algorithm>
#include <limits>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

constexpr std::size_t kBlockRecords = std::size_t{1} << 16;
// Views mark directories with the top bit of an id, so ids stay below it.
constexpr std::size_t kMaxRecords = (std::size_t{1} << 31) - 1;

constexpr std::uint32_t kHasSize = 1;
constexpr std::uint32_t kHasModified = 2;
constexpr std::uint32_t kSizeApproximate = 8;
constexpr std::uint32_t kListed = 4;

// FNV-1a over the lowercased bytes, then the numbers mixed in.
std::uint32_t PathHash(std::uint32_t server, std::uint32_t directory, std::string_view name)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (char c : name) {
        hash ^= static_cast<unsigned char>(LowerAscii(c));
        hash *= 1099511628211ull;
    }
    hash ^= (std::uint64_t{server} << 32) | directory;
    hash *= 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 29;
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

} // namespace

struct ResultList::Record {
    std::uint32_t origin;
    std::uint32_t directory;
    TextArena::Ref name;
    TextArena::Ref description;
    std::uint32_t engine;
    std::uint32_t flags;
    std::uint64_t size;
    std::int64_t modified;
};

// How a record's server is reached: one per service, port and login.
struct ResultList::Origin {
    std::uint32_t service;
    std::uint16_t port;
    std::uint32_t server; // the server it belongs to
    std::string serverText;
    std::string user;
    std::string password;
};

struct ResultList::Directory {
    TextArena::Ref text;
    std::uint32_t group;
};

ResultList::ResultList() = default;
ResultList::~ResultList() = default;
ResultList::ResultList(ResultList&&) noexcept = default;
ResultList& ResultList::operator=(ResultList&&) noexcept = default;

void ResultList::Clear()
{
    *this = ResultList();
}

bool ResultList::FillSizeAndDate(ResultId id, std::optional<std::uint64_t> size, std::optional<std::int64_t> modified)
{
    if (id >= m_count)
        return false;
    Record& record = m_blocks[id / kBlockRecords][id % kBlockRecords];
    bool filled = false;
    if (size && !(record.flags & kHasSize)) {
        record.size = *size;
        record.flags |= kHasSize;
        filled = true;
    }
    if (modified && !(record.flags & kHasModified)) {
        record.modified = *modified;
        record.flags |= kHasModified;
        filled = true;
    }
    return filled;
}

void ResultList::SetSizeAndDate(ResultId id, std::optional<std::uint64_t> size, std::optional<std::int64_t> modified)
{
    if (id >= m_count)
        return;
    Record& record = m_blocks[id / kBlockRecords][id % kBlockRecords];
    if (size) {
        record.size = *size;
        record.flags = (record.flags | kHasSize) & ~kSizeApproximate;
    }
    if (modified) {
        record.modified = *modified;
        record.flags |= kHasModified;
    }
}

void ResultList::MarkNew(ResultId id)
{
    if (id >= m_count)
        return;
    if (m_new.size() <= id)
        m_new.resize(std::max<std::size_t>(m_count, id + 1));
    m_new[id] = true;
}

const ResultList::Record& ResultList::At(ResultId id) const
{
    return m_blocks[id / kBlockRecords][id % kBlockRecords];
}

std::uint32_t ResultList::InternServer(const ResultEntry& entry)
{
    // Most links come in runs of one server: the last is tried first.
    if (m_lastServer != UINT32_MAX && entry.service == m_lastServerService && entry.port == m_lastServerPort &&
        EqualsNoCase(entry.server, m_lastServerName))
        return m_lastServer;
    m_key = ServerKey(entry);
    std::transform(m_key.begin(), m_key.end(), m_key.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    auto found = m_serverIndex.find(std::string_view(m_key));
    if (found == m_serverIndex.end()) {
        found = m_serverIndex.emplace(m_key, static_cast<std::uint32_t>(m_serverRecords.size())).first;
        m_serverRecords.emplace_back();
    }
    m_lastServer = found->second;
    m_lastServerName = entry.server;
    m_lastServerService = entry.service;
    m_lastServerPort = entry.port;
    return m_lastServer;
}

std::optional<std::uint32_t> ResultList::InternOrigin(const ResultEntry& entry, std::uint32_t server)
{
    // Most links of a server reach it the same way: its last origin is
    // tried before the index.
    const auto sameAs = [&entry](const Origin& origin) {
        return origin.service == entry.service && origin.port == entry.port && origin.serverText == entry.server &&
               origin.user == entry.user && origin.password == entry.password;
    };
    if (m_lastOrigin != UINT32_MAX && sameAs(m_origins[m_lastOrigin]))
        return m_lastOrigin;
    if (m_serverOrigins.size() <= server)
        m_serverOrigins.resize(server + 1, UINT32_MAX);
    if (const std::uint32_t known = m_serverOrigins[server]; known != UINT32_MAX && sameAs(m_origins[known])) {
        m_lastOrigin = known;
        return known;
    }
    m_key.assign(std::to_string(entry.service));
    m_key.append(1, '\0').append(std::to_string(entry.port)).append(1, '\0').append(entry.server);
    m_key.append(1, '\0').append(entry.user).append(1, '\0').append(entry.password);
    auto found = m_originIndex.find(std::string_view(m_key));
    if (found == m_originIndex.end()) {
        found = m_originIndex.emplace(m_key, static_cast<std::uint32_t>(m_origins.size())).first;
        m_origins.push_back({entry.service, entry.port, server, entry.server, entry.user, entry.password});
    }
    m_lastOrigin = found->second;
    m_serverOrigins[server] = found->second;
    return m_lastOrigin;
}

std::optional<std::uint32_t> ResultList::InternDirectory(std::string_view directory)
{
    if (m_lastDirectory != UINT32_MAX && m_texts.Get(m_directories[m_lastDirectory].text) == directory)
        return m_lastDirectory;
    if (const auto found = m_directoryIndex.find(directory); found != m_directoryIndex.end()) {
        m_lastDirectory = found->second;
        return m_lastDirectory;
    }
    const auto text = m_texts.Add(directory);
    if (!text)
        return std::nullopt;
    const auto id = static_cast<std::uint32_t>(m_directories.size());
    const std::uint32_t group = m_directoryGroups.emplace(LowerAscii(directory), id).first->second;
    m_directories.push_back({*text, group});
    m_directoryIndex.emplace(m_texts.Get(*text), id);
    m_lastDirectory = id;
    return id;
}

std::optional<ResultList::Added> ResultList::Add(const ResultEntry& entry, ResultId* held)
{
    if (m_count >= kMaxRecords)
        return std::nullopt;
    const std::size_t slash = entry.path.rfind('/');
    const std::string_view path(entry.path);
    const std::string_view directory = slash == std::string::npos ? std::string_view() : path.substr(0, slash + 1);
    const std::string_view name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto directoryId = InternDirectory(directory);
    if (!directoryId)
        return std::nullopt;
    const std::uint32_t server = InternServer(entry);
    const std::uint32_t group = m_directories[*directoryId].group;
    const auto same = [&](ResultId candidate) {
        const Record& record = At(candidate);
        return m_origins[record.origin].server == server && m_directories[record.directory].group == group &&
               EqualsNoCase(m_texts.Get(record.name), name);
    };
    const std::uint32_t hash = PathHash(server, group, name);
    if (const auto found = m_paths.Find(hash, same)) {
        if (held != nullptr)
            *held = *found;
        return std::nullopt;
    }
    const auto origin = InternOrigin(entry, server);
    const auto nameRef = m_texts.Add(name);
    const std::string_view description(entry.description);
    const auto descriptionRef = m_texts.Add(description.substr(0, description.find('\0')));
    if (!origin || !nameRef || !descriptionRef)
        return std::nullopt; // out of room
    const ResultId id = AppendRecord(entry, *origin, *directoryId, *nameRef, *descriptionRef);
    m_paths.Add(hash, id);
    const bool newServer = m_serverRecords[server].empty();
    m_serverRecords[server].push_back(id);
    return Added{id, newServer};
}

ResultId ResultList::AppendRecord(const ResultEntry& entry, std::uint32_t origin, std::uint32_t directory,
                                  TextArena::Ref name, TextArena::Ref description)
{
    const auto id = static_cast<ResultId>(m_count);
    if (id % kBlockRecords == 0)
        m_blocks.push_back(std::make_unique_for_overwrite<Record[]>(kBlockRecords));
    std::uint32_t flags = entry.listed ? kListed : 0;
    flags |= entry.size ? kHasSize : 0;
    flags |= entry.size && entry.sizeApproximate ? kSizeApproximate : 0;
    flags |= entry.modified ? kHasModified : 0;
    const auto engine = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(entry.engineItem, std::numeric_limits<std::uint32_t>::max()));
    m_blocks.back()[id % kBlockRecords] = {
        origin, directory, name, description, engine, flags, entry.size.value_or(0), entry.modified.value_or(0)};
    ++m_count;
    return id;
}

ResultEntry ResultList::Get(ResultId id) const
{
    ResultEntry entry;
    GetInto(id, entry);
    return entry;
}

void ResultList::GetInto(ResultId id, ResultEntry& entry) const
{
    const Record& record = At(id);
    const Origin& origin = m_origins[record.origin];
    entry.service = origin.service;
    entry.port = origin.port;
    entry.server.assign(origin.serverText);
    entry.user.assign(origin.user);
    entry.password.assign(origin.password);
    entry.path.assign(GetDirectory(id)).append(GetName(id));
    entry.description.assign(m_texts.Get(record.description));
    entry.engineItem = record.engine;
    entry.size = (record.flags & kHasSize) ? std::optional<std::uint64_t>(record.size) : std::nullopt;
    entry.modified = (record.flags & kHasModified) ? std::optional<std::int64_t>(record.modified) : std::nullopt;
    entry.listed = (record.flags & kListed) != 0;
    entry.sizeApproximate = (record.flags & kSizeApproximate) != 0;
}

std::string_view ResultList::GetName(ResultId id) const
{
    return m_texts.Get(At(id).name);
}

std::string_view ResultList::GetDirectory(ResultId id) const
{
    return m_texts.Get(m_directories[At(id).directory].text);
}

std::uint32_t ResultList::GetDirectoryGroup(ResultId id) const
{
    return m_directories[At(id).directory].group;
}

std::string_view ResultList::GetDirectoryText(std::uint32_t group) const
{
    return group < m_directories.size() ? m_texts.Get(m_directories[group].text) : std::string_view();
}

std::string ResultList::GetPath(ResultId id) const
{
    std::string path(GetDirectory(id));
    path.append(GetName(id));
    return path;
}

std::uint32_t ResultList::GetService(ResultId id) const
{
    return m_origins[At(id).origin].service;
}

std::optional<std::uint64_t> ResultList::GetSize(ResultId id) const
{
    const Record& record = At(id);
    return record.flags & kHasSize ? std::optional<std::uint64_t>(record.size) : std::nullopt;
}

bool ResultList::IsSizeApproximate(ResultId id) const
{
    return (At(id).flags & kSizeApproximate) != 0;
}

std::optional<std::int64_t> ResultList::GetModified(ResultId id) const
{
    const Record& record = At(id);
    return record.flags & kHasModified ? std::optional<std::int64_t>(record.modified) : std::nullopt;
}

std::optional<ResultId> ResultList::FindServer(std::string_view server) const
{
    const auto found = m_serverIndex.find(LowerAscii(server));
    if (found == m_serverIndex.end() || m_serverRecords[found->second].empty())
        return std::nullopt;
    return m_serverRecords[found->second].front();
}

const std::vector<ResultId>& ResultList::GetServerRecords(std::string_view server) const
{
    static const std::vector<ResultId> none;
    const auto found = m_serverIndex.find(LowerAscii(server));
    return found == m_serverIndex.end() ? none : m_serverRecords[found->second];
}

} // namespace velmora
