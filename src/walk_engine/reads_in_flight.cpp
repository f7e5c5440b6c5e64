#include "reads_in_flight.h"

namespace ferrowax {

ReadsInFlight& ReadsInFlight::ofProcess()
{
    // Readers abandoned in the kernel may outlive everything else.
    static ReadsInFlight* const reads = new ReadsInFlight;
    return *reads;
}

bool ReadsInFlight::claim(const QByteArray& path, std::function<void()> whenFree)
{
    const std::lock_guard lock(mutex_);
    const auto [read, claimed] = reading_.try_emplace(path);
    if (!claimed)
        read->second.push_back(std::move(whenFree));
    return claimed;
}

void ReadsInFlight::release(const QByteArray& path)
{
    std::vector<std::function<void()>> waiting;
    {
        const std::lock_guard lock(mutex_);
        const auto read = reading_.find(path);
        if (read == reading_.end())
            return;
        waiting = std::move(read->second);
        reading_.erase(read);
    }
    for (const std::function<void()>& whenFree : waiting)
        whenFree();
}

} // namespace ferrowax
