// A stand-in for an FTP client or the download program: writes its working
// directory and arguments, NUL-separated, to $VELMORA_RECORD_FILE.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const char* file = std::getenv("VELMORA_RECORD_FILE");
    if (file == nullptr)
        return 2;
    char cwd[4096] = "";
    if (::getcwd(cwd, sizeof cwd) == nullptr)
        return 2;
    std::string record = std::string(cwd) + '\0';
    for (int i = 0; i < argc; ++i)
        record += std::string(argv[i]) + '\0';
    const std::string partial = std::string(file) + ".part";
    FILE* out = std::fopen(partial.c_str(), "wb");
    if (out == nullptr)
        return 2;
    std::fwrite(record.data(), 1, record.size(), out);
    std::fclose(out);
    return std::rename(partial.c_str(), file) == 0 ? 0 : 2;
}
