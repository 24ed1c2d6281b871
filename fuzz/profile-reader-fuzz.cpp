// Any settings file: reads must not crash, and a write must read back and
// keep every section that was there.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "settings/profile-store.h"

namespace {

const std::string& FuzzFile()
{
    static const std::string file = "/tmp/velmora-fuzz-" + std::to_string(::getpid()) + ".dat";
    // The run leaves no file behind, however it ends its loop.
    static const int cleanup = std::atexit([] { ::unlink(FuzzFile().c_str()); });
    (void)cleanup;
    return file;
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    const std::string& file = FuzzFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const auto names = SplitNulList(GetPrivateProfileSectionNamesA(1 << 20, file));
    for (const std::string& name : names) {
        GetPrivateProfileSectionA(name, 2048, file);
        GetPrivateProfileIntA(name, "Date", 0, file);
        Require(GetPrivateProfileStringA(name, "Query", "", 1024, file).size() < 1024);
    }
    Require(WritePrivateProfileStringA("Fuzz", "Key", "value", file));
    Require(GetPrivateProfileStringA("fuzz", "key", "", 256, file) == "value");
    const auto after = SplitNulList(GetPrivateProfileSectionNamesA(1 << 20, file));
    for (const std::string& name : names)
        Require(std::find(after.begin(), after.end(), name) != after.end());
    return 0;
}
