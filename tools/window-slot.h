#pragma once

#include <string>

namespace velmora {

// A place among the download windows open at once, so that a second one
// does not open exactly on top of the first: the lowest number no running
// FileTransfer holds. It is held (by a lock the system drops when the
// process ends) until the object goes.
class WindowSlot {
public:
    // Claims a slot among the lock files in `folder`; slot 0 when the folder
    // cannot be used.
    explicit WindowSlot(const std::string& folder);
    ~WindowSlot();
    WindowSlot(const WindowSlot&) = delete;
    WindowSlot& operator=(const WindowSlot&) = delete;

    int Number() const { return m_number; }

private:
    int m_number = 0;
    int m_fd = -1;
};

// Where the slots' lock files live: $XDG_RUNTIME_DIR/velmora, else
// ~/.cache/velmora. Empty when neither can be found.
std::string WindowSlotFolder();

} // namespace velmora
