#include "browse/directory-lister.h"

#include <algorithm>
#include <thread>

namespace velmora {

std::optional<std::string> ServerFindings::BucketRoot() const
{
    const std::lock_guard lock(m_mutex);
    return m_bucketRoot;
}

void ServerFindings::SetBucketRoot(const std::string& directory)
{
    const std::lock_guard lock(m_mutex);
    if (!m_bucketRoot)
        m_bucketRoot = directory;
}

std::unique_ptr<DirectoryLister> MakeDirectoryLister(const BrowseTarget& target, const BrowseLimits& limits,
                                                     const std::atomic<bool>& stop, ServerFindings& findings)
{
    return target.IsFtp() ? MakeFtpLister(target, limits, stop) : MakeHttpLister(target, limits, stop, findings);
}

bool PauseUnlessStopped(std::chrono::milliseconds wait, const std::atomic<bool>& stop)
{
    const auto end = std::chrono::steady_clock::now() + wait;
    while (!stop.load()) {
        const auto left = end - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return true;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(100)));
    }
    return false;
}

} // namespace velmora
