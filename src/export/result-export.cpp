#include "export/result-export.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "platform/ascii-case.h"
#include "platform/atomic-file.h"
#include "platform/file-name.h"
#include "platform/json-text.h"
#include "platform/url-split.h"
#include "results/server-probe.h"
#include "results/server-tree.h"
#include "settings/profile-file.h"
#include "settings/script-quoting.h"
#include "store/search-store.h"

namespace velmora {

namespace {

struct FormatInfo {
    ExportFormat format;
    const char* name;
    const char* ending;
};
constexpr FormatInfo kFormats[] = {
    {ExportFormat::Urls, "urls", ".txt"},        {ExportFormat::Aria2, "aria2", ".aria2"},
    {ExportFormat::Lftp, "lftp", ".lftp"},       {ExportFormat::Csv, "csv", ".csv"},
    {ExportFormat::JsonLines, "json", ".jsonl"},
};

const FormatInfo& InfoOf(ExportFormat format)
{
    for (const FormatInfo& info : kFormats)
        if (info.format == format)
            return info;
    return kFormats[0];
}

bool IsExportable(const ResultEntry& record)
{
    return record.service == kServiceFtp || record.service == kServiceHttp || record.service == kServiceHttps;
}

// Every byte but the unreserved ones and `keep` percent-encoded: a URL
// that a shell, a script or a spreadsheet takes as one plain word.
std::string EncodeStrictly(std::string_view text, std::string_view keep)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // ASCII only, whatever the locale says of bytes above 0x7F.
        const bool letterOrDigit = (byte >= '0' && byte <= '9') || ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z');
        if (letterOrDigit || c == '-' || c == '.' || c == '_' || c == '~' || keep.find(c) != std::string_view::npos) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

class UniqueNames {
public:
    std::string Take(const std::string& name)
    {
        std::string chosen = name;
        for (int number = 2; m_taken.contains(chosen); ++number)
            chosen = NumberedFileName(name, number);
        m_taken.insert(chosen);
        return chosen;
    }

private:
    std::set<std::string> m_taken;
};

// A CSV field: always quoted, quotes doubled. A text a spreadsheet would
// take for a formula gets a leading "'", so opening the file runs nothing.
std::string CsvField(std::string_view text)
{
    std::string field = "\"";
    if (!text.empty() && std::strchr("=+-@\t\r", text.front()) != nullptr)
        field += '\'';
    for (char c : text) {
        if (c == '"')
            field += '"';
        field += c;
    }
    return field + "\"";
}

const char* ServiceName(std::uint32_t service)
{
    return service == kServiceFtp ? "ftp" : service == kServiceHttps ? "https" : "http";
}

const char* VerdictName(int verdict)
{
    return verdict == kVerdictGood ? "good" : verdict == kVerdictBad ? "bad" : "";
}

void AppendLftpGet(std::string& text, const std::string& url, const std::string& name)
{
    // The same quoting as the FTP client's script: every value one quoted
    // word, so nothing in a name can end the command or start another.
    ScriptQuoter quoter(QuoteStyle::Lftp);
    for (char c : std::string_view("get "))
        quoter.AddTemplate(c);
    quoter.AddValue(url);
    for (char c : std::string_view(" -o "))
        quoter.AddTemplate(c);
    quoter.AddValue(name);
    text += quoter.Text();
    text += '\n';
}

} // namespace

std::optional<ExportFormat> ParseExportFormat(std::string_view name)
{
    for (const FormatInfo& info : kFormats)
        if (name == info.name)
            return info.format;
    return std::nullopt;
}

const char* ExportFileEnding(ExportFormat format)
{
    return InfoOf(format).ending;
}

std::string BuildExportUrl(const ResultEntry& record)
{
    const bool ftp = record.service == kServiceFtp;
    const bool https = record.service == kServiceHttps;
    std::string url = ftp ? "ftp://" : https ? "https://" : "http://";
    const bool anonymous =
        record.user.empty() || (record.user == kAnonymousUser && record.password == kAnonymousPassword);
    if (!anonymous) {
        url.append(EncodeStrictly(record.user, ""));
        if (!record.password.empty())
            url.append(":").append(EncodeStrictly(record.password, ""));
        url.append("@");
    }
    url.append(record.server);
    const unsigned defaultPort = ftp ? 21 : https ? 443 : 80;
    if (record.port != 0 && record.port != defaultPort)
        url.append(":").append(std::to_string(record.port));
    const std::string path = EncodeStrictly(record.path, "/+,=:@");
    return url.append(path.empty() || path.front() != '/' ? "/" + path : path);
}

std::string ExportFileName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == ".." || HasControlCharacter(name))
        return {};
    return SafeFileName(name, kMaxDownloadNameBytes);
}

std::string SuggestExportName(std::string_view words, ExportFormat format)
{
    std::string name;
    for (const char c : words) {
        const char lower = static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
        const bool kept = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9');
        if (kept && name.size() < 60)
            name += lower;
        else if (!kept && !name.empty() && name.back() != '-')
            name += '-';
    }
    while (!name.empty() && name.back() == '-')
        name.pop_back();
    return (name.empty() ? std::string("velmora-export") : name) + ExportFileEnding(format);
}

namespace {

// One CSV row: every text cell quoted, formulas defused.
void AppendCsvRow(std::string& text, const ExportItem& item, const std::string& url, const std::string& fileName)
{
    const ResultEntry& record = item.record;
    const std::string size = record.size ? std::to_string(*record.size) : std::string();
    const std::string modified = record.modified ? std::to_string(*record.modified) : std::string();
    text.append(CsvField(url)).append(",").append(ServiceName(record.service)).append(",");
    text.append(CsvField(record.server)).append(",").append(std::to_string(record.port)).append(",");
    text.append(CsvField(record.path)).append(",").append(CsvField(fileName)).append(",");
    text.append(size).append(",").append(modified).append(",");
    text.append(CsvField(record.description)).append(",").append(CsvField(item.engine)).append(",");
    text.append(item.isNew ? "yes" : "no").append(",").append(VerdictName(item.verdict)).append("\n");
}

// One JSON Lines "result" event, as search --json writes it, with the URL
// and what a saved search knows.
void AppendJsonLine(std::string& text, const ExportItem& item, const std::string& url, std::size_t n,
                    const std::vector<std::string>& mirrors)
{
    const ResultEntry& record = item.record;
    JsonObject object;
    object.Add("event", "result").Add("n", static_cast<std::int64_t>(n));
    object.Add("service", ServiceName(record.service)).Add("server", record.server);
    object.Add("port", std::int64_t{record.port}).Add("path", record.path).Add("user", record.user);
    object.Add("password", record.password).Add("description", record.description);
    object.Add("engine", item.engine).Add("url", url).Add("new", item.isNew);
    if (item.verdict == kVerdictGood || item.verdict == kVerdictBad)
        object.Add("verdict", VerdictName(item.verdict));
    // Known from a browse or a file check; null when not.
    if (record.size)
        object.Add("size", static_cast<std::int64_t>(*record.size));
    else
        object.AddRaw("size", "null");
    if (record.modified)
        object.Add("modified", *record.modified);
    else
        object.AddRaw("modified", "null");
    std::string others = "[";
    for (const std::string& mirror : mirrors)
        others.append(others.size() > 1 ? "," : "").append(JsonString(mirror));
    object.AddRaw("mirrors", others + "]");
    text.append(object.Text()).append("\n");
}

// What a file of the format starts with, before its first result.
std::string ExportHeader(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Csv:
        return "url,service,server,port,path,file,size,modified,description,engine,new,verdict\n";
    case ExportFormat::Aria2:
        return "# Velmora download list. Run it with: aria2c -i FILE\n";
    case ExportFormat::Lftp:
        return "# Velmora download script. Run it with: lftp -f FILE\n"
               "set xfer:clobber off\n";
    default:
        return {};
    }
}

bool CanExport(const ResultEntry& record)
{
    return IsExportable(record) && IsValidServerName(record.server);
}

// The results that are one file, each file's in the order they came: the
// same name and the same known size on different servers are mirrors of
// one file. Results that cannot be exported are in none.
std::vector<std::vector<std::size_t>> GroupMirrors(const std::vector<ExportItem>& items)
{
    std::vector<std::vector<std::size_t>> files;
    std::map<std::string, std::vector<std::size_t>> filesOfKey; // name and size -> files
    std::vector<std::set<std::string>> servers;                 // of each file
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ResultEntry& record = items[i].record;
        if (!CanExport(record))
            continue;
        const std::string server =
            std::to_string(record.service) + "://" + LowerAscii(record.server) + ":" + std::to_string(record.port);
        std::size_t* joined = nullptr;
        if (record.size && !record.sizeApproximate) {
            const std::string name = record.path.substr(record.path.rfind('/') + 1);
            std::vector<std::size_t>& candidates = filesOfKey[name + '\0' + std::to_string(*record.size)];
            for (std::size_t& file : candidates) {
                if (!servers[file].contains(server)) {
                    joined = &file;
                    break;
                }
            }
            if (joined == nullptr) {
                candidates.push_back(files.size());
                joined = &candidates.back();
                files.emplace_back();
                servers.emplace_back();
            }
        } else {
            files.emplace_back();
            servers.emplace_back();
        }
        const std::size_t file = joined ? *joined : files.size() - 1;
        files[file].push_back(i);
        servers[file].insert(server);
    }
    return files;
}

// aria2 takes the URLs of one entry, tab-separated, as mirrors of one file.
void AppendAria2Files(const std::vector<ExportItem>& items, ExportText& out)
{
    UniqueNames names;
    std::size_t grouped = 0;
    for (const std::vector<std::size_t>& file : GroupMirrors(items)) {
        grouped += file.size();
        const std::string fileName = ExportFileName(items[file.front()].record.path);
        if (fileName.empty()) {
            out.skipped += file.size();
            continue;
        }
        for (std::size_t i = 0; i < file.size(); ++i)
            out.text.append(i > 0 ? "\t" : "").append(BuildExportUrl(items[file[i]].record));
        out.text.append("\n  out=").append(names.Take(fileName)).append("\n");
        out.written += file.size();
    }
    out.skipped += items.size() - grouped;
}

// Each result a line, with the URLs of its file's other mirrors.
void AppendJsonLines(const std::vector<ExportItem>& items, ExportText& out)
{
    std::vector<std::string> urls(items.size());
    std::vector<const std::vector<std::size_t>*> fileOf(items.size(), nullptr);
    const std::vector<std::vector<std::size_t>> files = GroupMirrors(items);
    for (const std::vector<std::size_t>& file : files) {
        for (const std::size_t i : file) {
            urls[i] = BuildExportUrl(items[i].record);
            fileOf[i] = &file;
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (fileOf[i] == nullptr) {
            ++out.skipped;
            continue;
        }
        std::vector<std::string> mirrors;
        for (const std::size_t other : *fileOf[i]) {
            if (other != i)
                mirrors.push_back(urls[other]);
        }
        AppendJsonLine(out.text, items[i], urls[i], out.written + 1, mirrors);
        ++out.written;
    }
}

// Appends one result in the format; false when it cannot be written.
bool AppendItem(ExportFormat format, const ExportItem& item, UniqueNames& names, ExportText& out)
{
    const ResultEntry& record = item.record;
    if (!CanExport(record))
        return false;
    const std::string url = BuildExportUrl(record);
    const std::string fileName = ExportFileName(record.path);
    switch (format) {
    case ExportFormat::Urls:
        out.text.append(url).append("\n");
        break;
    case ExportFormat::Lftp:
        if (fileName.empty())
            return false;
        AppendLftpGet(out.text, url, names.Take(fileName));
        break;
    case ExportFormat::Csv:
        AppendCsvRow(out.text, item, url, fileName);
        break;
    case ExportFormat::Aria2:
    case ExportFormat::JsonLines:
        return false; // written a file at a time
    }
    return true;
}

} // namespace

ExportText FormatExport(ExportFormat format, const std::vector<ExportItem>& items)
{
    ExportText out;
    out.text = ExportHeader(format);
    if (format == ExportFormat::Aria2) {
        AppendAria2Files(items, out);
        return out;
    }
    if (format == ExportFormat::JsonLines) {
        AppendJsonLines(items, out);
        return out;
    }
    UniqueNames names;
    for (const ExportItem& item : items) {
        if (AppendItem(format, item, names, out))
            ++out.written;
        else
            ++out.skipped;
    }
    return out;
}

std::vector<ExportItem> FilterExport(std::vector<ExportItem> items, bool onlyGood, bool onlyNew,
                                     const FileFilter& files)
{
    std::erase_if(items, [&](const ExportItem& item) {
        const ResultEntry& record = item.record;
        return (onlyGood && item.verdict != kVerdictGood) || (onlyNew && !item.isNew) ||
               (!files.IsEmpty() && !files.Matches(std::string_view(record.path).substr(record.path.rfind('/') + 1),
                                                   record.size, record.modified));
    });
    return items;
}

std::vector<ExportItem> MakeExportItems(const SavedSearch& search)
{
    // Verdicts by the server's label; a search saved before servers were
    // told apart by port kept them by host, in the group of the host's
    // first result.
    std::map<std::pair<std::size_t, std::string>, int> byLabel;
    std::map<std::pair<std::size_t, std::string>, int> byHost;
    for (const SavedVerdict& verdict : search.verdicts)
        (verdict.labelled ? byLabel : byHost)[{verdict.group, verdict.server}] =
            verdict.good ? kVerdictGood : kVerdictBad;
    std::map<std::string, std::pair<std::size_t, std::string>> hostOf; // folded host -> group and host
    std::vector<ExportItem> items;
    items.reserve(search.results.size());
    for (const SavedResult& result : search.results) {
        const ResultEntry& record = result.record;
        const std::size_t group = record.service == kServiceFtp ? kGroupFtp : kGroupHttp;
        int verdict = 0;
        if (const auto labelled = byLabel.find({group, ServerLabel(record)}); labelled != byLabel.end()) {
            verdict = labelled->second;
        } else if (!byHost.empty()) {
            const auto host = hostOf.emplace(SavedResultKey(record.server, {}), std::make_pair(group, record.server));
            const auto old = byHost.find(host.first->second);
            verdict = old == byHost.end() ? 0 : old->second;
        }
        items.push_back({record, result.engine, result.isNew, verdict});
    }
    return items;
}

namespace {

struct ServerVerdict {
    std::string name;
    int verdict = 0;
};

// Each server's verdict, by its key (letter case aside).
std::map<std::string, ServerVerdict> ServerVerdicts(const ServerTree& servers)
{
    std::map<std::string, ServerVerdict> verdicts;
    for (const ServerGroup& group : servers.GetGroups()) {
        for (const ServerItem& item : group.servers) {
            const int verdict = item.testJob && (item.state == kStateSuccess || item.state == kStateFailure)
                                    ? item.testJob->verdict.load(std::memory_order_acquire)
                                    : 0;
            const std::string key = ServerKey(item.first);
            verdicts[SavedResultKey(key, {})] = {key, verdict};
        }
    }
    return verdicts;
}

} // namespace

std::size_t CountOnGoodServers(const ResultList& results, const ServerTree& servers,
                               const std::vector<ResultId>& chosen)
{
    const auto verdicts = ServerVerdicts(servers);
    std::size_t good = 0;
    for (const ResultId id : chosen) {
        if (id >= results.GetCount())
            continue;
        const auto verdict = verdicts.find(SavedResultKey(ServerKey(results.Get(id)), {}));
        good += verdict != verdicts.end() && verdict->second.verdict == kVerdictGood ? 1 : 0;
    }
    return good;
}

std::size_t CountAllOnGoodServers(const ResultList& results, const ServerTree& servers)
{
    std::size_t good = 0;
    for (const auto& [key, server] : ServerVerdicts(servers)) {
        if (server.verdict == kVerdictGood)
            good += results.GetServerRecords(server.name).size();
    }
    return good;
}

std::vector<ExportItem> MakeExportItems(const ResultList& results, const ServerTree& servers,
                                        const std::vector<ResultId>& chosen,
                                        const std::function<std::string(std::uint64_t)>& engineName)
{
    const auto verdicts = ServerVerdicts(servers);
    std::vector<ExportItem> items;
    items.reserve(chosen.size());
    for (const ResultId id : chosen) {
        if (id >= results.GetCount())
            continue;
        ExportItem item;
        item.record = results.Get(id);
        item.engine = engineName ? engineName(item.record.engineItem) : std::string();
        item.isNew = results.IsNew(id);
        const auto verdict = verdicts.find(SavedResultKey(ServerKey(item.record), {}));
        item.verdict = verdict == verdicts.end() ? 0 : verdict->second.verdict;
        items.push_back(std::move(item));
    }
    return items;
}

Result<void> WriteExportFile(const std::string& path, std::string_view text)
{
    // Private: an export can hold the passwords of logins found on pages.
    if (const Result<void> written = WriteFileAtomically(path, text, 0600); !written)
        return Failure{"Could not write " + path + ": " + written.Why() + ".", written.Error().code};
    return {};
}

} // namespace velmora
