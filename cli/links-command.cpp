#include "links-command.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <thread>
#include <vector>

#include "json-writer.h"
#include "options.h"
#include "platform/ascii-case.h"
#include "platform/message-queue.h"
#include "search/link-extractor.h"
#include "terminal-text.h"

namespace velmora::cli {

const char* const kLinksHelp =
    "Usage: velmora-cli links [--json] [FILE]\n"
    "\n"
    "Scans one search-engine result page, read from FILE or from standard input,\n"
    "as a search worker scans a fetched page, and prints every link it would post:\n"
    "first the http and https links with their anchor texts, then the ftp links.\n"
    "A search engine's redirect link is replaced by the file link it carries.\n"
    "\n"
    "  --json   one JSON object per line: {\"kind\":\"http\"|\"https\",\"url\":..,\"text\":..},\n"
    "           {\"kind\":\"ftp\",\"url\":..}; a link taken from an engine's redirect also\n"
    "           has \"wrapped\": the redirect; last {\"kind\":\"total\",\"http\":D,\"ftp\":C,\"https\":E}\n"
    "           (https links count in http too)\n"
    "  --help   this text\n"
    "\n"
    "The page is scanned in one go, so the lines are written through a buffer,\n"
    "not one at a time.\n";

namespace {

// Reads the page a piece at a time into its one copy (made as large as a
// file says it is at once), so a page costs about its own size.
bool ReadAll(std::FILE* in, std::string& page)
{
    struct stat info {};
    if (::fstat(::fileno(in), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        page.reserve(static_cast<std::size_t>(info.st_size));
    std::vector<char> piece(std::size_t{1} << 20);
    for (;;) {
        const std::size_t got = std::fread(piece.data(), 1, piece.size(), in);
        AppendPageData(page, std::string_view(piece.data(), got));
        if (got < piece.size())
            return std::ferror(in) == 0;
    }
}

const char* LinkKind(const Message& message)
{
    if (message.id != kMsgFoundHttpLink)
        return "ftp";
    return EqualsNoCase(std::string_view(message.link->text).substr(0, 8), "https://") ? "https" : "http";
}

void PrintLink(const Message& message, bool json)
{
    const FoundLink& link = *message.link;
    const bool http = message.id == kMsgFoundHttpLink;
    const std::string url = link.text.substr(0, link.urlLength);
    const std::string text = http ? link.text.substr(std::min(link.text.size(), link.urlLength + 1)) : std::string();
    const std::string kind = LinkKind(message);
    if (json) {
        JsonObject object;
        object.Add("kind", kind).Add("url", url);
        if (http)
            object.Add("text", text);
        if (!link.wrapper.empty())
            object.Add("wrapped", link.wrapper);
        WriteLine(object.Text(), false);
    } else {
        std::string line = kind + std::string(7 - kind.size(), ' ') + ForTerminal(url);
        if (http)
            line += "  " + ForTerminal(text);
        if (!link.wrapper.empty())
            line += "  (from " + ForTerminal(link.wrapper) + ")";
        WriteLine(line, false);
    }
}

// The page from FILE, or from standard input for none or "-".
bool ReadPage(const std::string& file, std::string& page)
{
    if (file.empty() || file == "-")
        return ReadAll(stdin, page);
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr)
        return false;
    const bool read = ReadAll(in, page);
    std::fclose(in);
    return read;
}

// Scans on a worker as a search does; this thread prints the links as they
// arrive, then their totals.
void PrintLinks(const std::string& page, bool json)
{
    auto queue = std::make_shared<MessageQueue>();
    std::atomic<bool> stop{false};
    std::thread worker([&page, &stop, queue] {
        const LinkScanContext context{queue.get(), &stop, 0, 0};
        const PageScan scan = ScanResultPage(page, context);
        Message done;
        done.id = kMsgEngineDone;
        done.value = static_cast<std::uint64_t>(scan.httpLinks + scan.ftpLinks);
        queue->Post(std::move(done));
    });
    std::int64_t http = 0;
    std::int64_t https = 0;
    std::int64_t ftp = 0;
    for (;;) {
        auto message = queue->WaitTake(std::chrono::milliseconds(500));
        if (!message)
            continue;
        if (message->id == kMsgEngineDone)
            break;
        (message->id == kMsgFoundHttpLink ? http : ftp) += 1;
        https += std::string_view(LinkKind(*message)) == "https" ? 1 : 0;
        PrintLink(*message, json);
    }
    worker.join();
    // https links count among the http ones, and on their own as well.
    if (json)
        WriteLine(JsonObject().Add("kind", "total").Add("http", http).Add("ftp", ftp).Add("https", https).Text());
    else
        WriteLine(std::to_string(http) + " http links (" + std::to_string(https) + " of them https), " +
                  std::to_string(ftp) + " ftp links");
}

} // namespace

int RunLinksCommand(const std::vector<std::string>& args)
{
    const Options options = ParseOptions(args, {"--json"});
    if (const int status = HandleHelpOrError(options, "links", kLinksHelp); status >= 0)
        return status;
    if (options.positional.size() > 1) {
        std::cerr << "velmora-cli links: only one FILE may be given\n";
        return 2;
    }
    const bool json = options.Has("--json");
    const std::string file = options.positional.empty() ? std::string() : options.positional.front();

    std::string page;
    if (!ReadPage(file, page)) {
        std::cerr << "velmora-cli links: cannot read " << (file.empty() ? "standard input" : file) << "\n";
        return 1;
    }

    PrintLinks(page, json);
    return 0;
}

} // namespace velmora::cli
