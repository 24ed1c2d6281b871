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
    const auto names = SplitNulList(ProfileSnapshot(file).GetSectionNames(1 << 20));
    for (const std::string& name : names) {
        ProfileSnapshot(file).GetSection(name, 2048);
        ProfileSnapshot(file).GetInt(name, "Date", 0);
        Require(ProfileSnapshot(file).GetString(name, "Query", "", 1024).size() < 1024);
    }
    Require(ProfileEdit::WriteString(file, "Fuzz", "Key", "value"));
    Require(ProfileSnapshot(file).GetString("fuzz", "key", "", 256) == "value");
    const auto after = SplitNulList(ProfileSnapshot(file).GetSectionNames(1 << 20));
    for (const std::string& name : names)
        Require(std::find(after.begin(), after.end(), name) != after.end());
    return 0;
}
