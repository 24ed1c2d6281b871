#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "results/file-filter.h"
#include "results/result-entry.h"
#include "results/result-list.h"

namespace velmora {

class ServerTree;
struct SavedSearch;

// The forms another program reads: one URL a line, an aria2 input file
// (aria2c -i), an lftp script of get commands (lftp -f), CSV with a header,
// and JSON Lines of result events.
enum class ExportFormat { Urls, Aria2, Lftp, Csv, JsonLines };

// "urls", "aria2", "lftp", "csv" or "json"; nothing for another name.
std::optional<ExportFormat> ParseExportFormat(std::string_view name);
// The ending a file of that form gets: ".txt", ".aria2", ".lftp", ".csv",
// ".jsonl".
const char* ExportFileEnding(ExportFormat format);
// The file name an export of a search suggests: its words, lowercase,
// joined by "-" ("blue-moon.txt"), or "velmora-export" with no words.
std::string SuggestExportName(std::string_view words, ExportFormat format);

// One result to export, with what is known of it besides the record.
struct ExportItem {
    ResultEntry record;
    std::string engine;
    bool isNew = false;
    int verdict = 0; // kVerdictGood or kVerdictBad once its server was tested
};

// A result as a valid URL: the path percent-encoded but for letters,
// digits, "-._~/+,=:@" (so no shell, script or spreadsheet sees syntax in
// it), the port when it is not the scheme's default, and a login only when
// the result names one (the anonymous login is what every program uses by
// itself, so it is left out), every reserved byte of it encoded.
std::string BuildExportUrl(const ResultEntry& record);

// The name a downloaded file gets: the path's last part, with "_" before a
// hidden name (".profile" becomes "_.profile"). Empty when it would be no
// plain file name ("", "." or "..").
std::string ExportFileName(std::string_view path);

struct ExportText {
    std::string text;
    std::size_t written = 0; // results in the text
    std::size_t skipped = 0; // results no URL or file name could be made for
};

// The results in that form. Download lists (aria2, lftp) name every file
// after its path, numbered " (2)", " (3)" when two share a name, so none
// overwrites another.
ExportText FormatExport(ExportFormat format, const std::vector<ExportItem>& items);

// Only the results of servers that passed the test, or only new ones, and
// only the files `files` lets through.
std::vector<ExportItem> FilterExport(std::vector<ExportItem> items, bool onlyGood, bool onlyNew,
                                     const FileFilter& files = {});

// How many of `chosen` FilterExport(onlyGood) keeps: those on a server whose
// test passed. CountAllOnGoodServers counts every result so, without
// taking each one out.
std::size_t CountOnGoodServers(const ResultList& results, const ServerTree& servers,
                               const std::vector<ResultId>& chosen);
std::size_t CountAllOnGoodServers(const ResultList& results, const ServerTree& servers);

// Every result of a saved search, with its server's verdict.
std::vector<ExportItem> MakeExportItems(const SavedSearch& search);
// Those results of the current search, with their servers' verdicts and
// the names of the engines that found them.
std::vector<ExportItem> MakeExportItems(const ResultList& results, const ServerTree& servers,
                                        const std::vector<ResultId>& chosen,
                                        const std::function<std::string(std::uint64_t)>& engineName);

// Writes the file whole or not at all: a new file beside it renamed over
// it. Empty, or why it failed.
Result<void> WriteExportFile(const std::string& path, std::string_view text);

} // namespace velmora
