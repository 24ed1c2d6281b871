#include "window-slot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace velmora {

namespace {

constexpr int kSlots = 16; // more windows than this share the last places

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value == '/' ? value : "";
}

} // namespace

std::string WindowSlotFolder()
{
    if (const std::string runtime = Environment("XDG_RUNTIME_DIR"); !runtime.empty())
        return runtime + "/velmora";
    if (const std::string home = Environment("HOME"); !home.empty())
        return home + "/.cache/velmora";
    return {};
}

WindowSlot::WindowSlot(const std::string& folder)
{
    if (folder.empty())
        return;
    ::mkdir(folder.c_str(), 0700);
    for (int slot = 0; slot < kSlots; ++slot) {
        const std::string path = folder + "/transfer-window-" + std::to_string(slot) + ".lock";
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            m_number = slot;
            return;
        }
        ::close(fd);
    }
    m_number = kSlots - 1;
}

WindowSlot::~WindowSlot()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace velmora
