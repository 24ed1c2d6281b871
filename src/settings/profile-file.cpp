#include "settings/profile-file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

std::string_view TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

ProfileLine ParseProfileLine(std::string_view raw)
{
    ProfileLine line;
    line.raw = std::string(raw);
    const std::string_view text = TrimBlanks(raw);
    if (text.empty() || text.front() == ';')
        return line;
    if (text.front() == '[') {
        const auto close = text.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = ProfileLine::Kind::Section;
            line.name = std::string(TrimBlanks(text.substr(1, close - 1)));
        }
        return line;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) {
        line.kind = ProfileLine::Kind::Bare;
        line.name = std::string(text);
        return line;
    }
    line.kind = ProfileLine::Kind::Entry;
    line.name = std::string(TrimBlanks(text.substr(0, equals)));
    line.value = std::string(TrimBlanks(text.substr(equals + 1)));
    return line;
}

ProfileDocument ProfileDocument::Parse(std::string_view text)
{
    ProfileDocument document;
    std::size_t start = 0;
    bool sawLineEnd = false;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            if (!sawLineEnd)
                document.crlf = true;
        }
        if (end != std::string_view::npos)
            sawLineEnd = true;
        document.lines.push_back(ParseProfileLine(line));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return document;
}

std::string ProfileDocument::Serialize() const
{
    const char* lineEnd = crlf ? "\r\n" : "\n";
    std::string text;
    for (const ProfileLine& line : lines) {
        text += line.raw;
        text += lineEnd;
    }
    return text;
}

ProfileLine MakeSectionLine(const std::string& name)
{
    return ParseProfileLine("[" + name + "]");
}

ProfileLine MakeEntryLine(const std::string& key, const std::string& value)
{
    ProfileLine line;
    line.kind = ProfileLine::Kind::Entry;
    line.raw = key + "=" + value;
    line.name = std::string(TrimBlanks(key));
    line.value = std::string(TrimBlanks(value));
    return line;
}

std::string ResolveProfilePath(const std::string& path)
{
    std::error_code error;
    const fs::path wanted(path);
    if (fs::exists(fs::symlink_status(wanted, error)))
        return path;
    const fs::path directory = wanted.has_parent_path() ? wanted.parent_path() : fs::path(".");
    const std::string name = wanted.filename().string();
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (EqualsNoCase(candidate, name))
            return (wanted.has_parent_path() ? (directory / candidate) : fs::path(candidate)).string();
    }
    return path;
}

std::string ReadProfileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

static bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& text)
{
    static std::atomic<unsigned> serial{0};
    std::error_code error;
    // Write through a link to the file it names, keeping the link.
    fs::path target(path);
    if (fs::is_symlink(target, error)) {
        target = fs::weakly_canonical(target, error);
        if (error)
            return false;
    }
    const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string name = ".";
    name.append(target.filename().string()).append(".tmp.").append(std::to_string(::getpid()));
    name.append(".").append(std::to_string(serial++));
    const fs::path temporary = directory / name;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace velmora
