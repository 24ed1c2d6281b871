#pragma once

#include <cstddef>

// Every file name, section, key and default of the two settings files, in
// one place. Buffer sizes are the ones each reader passes.

namespace velmora::keys {

inline constexpr const char* kSettingsFile = "settings.dat";
inline constexpr const char* kClientsFile = "clients.dat";
inline constexpr const char* kClientScriptFile = "client.scr";
inline constexpr const char* kUpdateAnswerFile = "update.tmp";
inline constexpr const char* kSearchesDatabase = "velmora.db";

// settings.dat, general section
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kMaxThreads = "Maxthreads";
inline constexpr int kMaxThreadsDefault = 5;
inline constexpr const char* kFilter = "Filter";
inline constexpr int kFilterDefault = 1;
inline constexpr const char* kViewStyle = "ViewStyle";
inline constexpr int kViewStyleDefault = 1;
inline constexpr const char* kAutoTest = "AutoTest";
inline constexpr int kAutoTestDefault = 1;
inline constexpr const char* kServerDetails = "ServerDetails";
inline constexpr int kServerDetailsDefault = 1;
inline constexpr const char* kSaveSearches = "SaveSearches";
inline constexpr int kSaveSearchesDefault = 1;
// How many runs of each set of words the searches database keeps.
inline constexpr const char* kSearchRunsKept = "SearchRunsKept";
inline constexpr int kSearchRunsKeptDefault = 5;
inline constexpr const char* kOnlyNewResults = "OnlyNewResults";
inline constexpr int kOnlyNewResultsDefault = 0;
inline constexpr const char* kLocalDir = "LocalDir";
inline constexpr const char* kLocalDirDefault = "./"; // the current directory
inline constexpr const char* kFtpClient = "FTPClient";
inline constexpr const char* kFtpClientDefault = "";

// settings.dat, engine sections
inline constexpr const char* kEngineUrl = "URL";
inline constexpr const char* kEngineQuery = "Query";
inline constexpr const char* kEngineType = "Type";
inline constexpr const char* kEngineTypeDefault = "S";
inline constexpr const char* kEngineSearch = "Search";
inline constexpr const char* kEngineSearchDefault = "Y";
inline constexpr const char* kDate = "Date";
// Optional: the User-Agent this engine is asked with, instead of Velmora's.
inline constexpr const char* kEngineAgent = "Agent";
// Optional: how the engine answers ("html" or "json"), where a JSON answer
// keeps its URLs, its API key, one extra request header, and how many pages
// of how many results are asked (see search/engine-source.h).
inline constexpr const char* kEngineFormat = "Format";
inline constexpr const char* kEngineResults = "Results";
inline constexpr const char* kEngineKey = "Key";
inline constexpr const char* kEngineHeader = "Header";
inline constexpr const char* kEnginePages = "Pages";
inline constexpr const char* kEnginePageSize = "PageSize";
inline constexpr int kMostEnginePages = 10;
inline constexpr int kDefaultPageSize = 10;
inline constexpr int kMostPageSize = 1000;

// clients.dat, client sections
inline constexpr const char* kClientPath = "Path";
inline constexpr const char* kClientArgs = "Args";
inline constexpr const char* kClientScript = "Script";
// How the client's script language quotes: "lftp" (the default), "sh" or
// "none" (see results/script-quoting.h).
inline constexpr const char* kClientQuote = "Quote";

// Reader buffer sizes.
inline constexpr std::size_t kSectionNamesBuffer = 8000;
inline constexpr std::size_t kTypeBuffer = 2;
inline constexpr std::size_t kQueryBuffer = 1024;
inline constexpr std::size_t kPageFieldBuffer = 256;
inline constexpr std::size_t kScriptBuffer = 5120;
inline constexpr std::size_t kEngineSectionBuffer = 2048;
inline constexpr std::size_t kClientSectionBuffer = 6144;

} // namespace velmora::keys
