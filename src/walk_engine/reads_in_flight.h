#pragma once

#include <QByteArray>

#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace ferrowax {

// The folders being read right now, by every reader of every walk. A
// reader stuck in a folder that never answers keeps its claim until the
// system answers, so no second reader is sent in after it.
class ReadsInFlight {
public:
    static ReadsInFlight& ofProcess();

    // True when nobody reads `path`: it is now the caller's to read, until
    // release(). Otherwise `whenFree` is called, on the releasing thread,
    // once the read in progress ends.
    bool claim(const QByteArray& path, std::function<void()> whenFree);
    void release(const QByteArray& path);

private:
    std::mutex mutex_;
    std::map<QByteArray, std::vector<std::function<void()>>> reading_; // with those who wait for each
};

} // namespace ferrowax
