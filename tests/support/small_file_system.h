#pragma once

#include <QByteArray>
#include <QTemporaryDir>

namespace ferrowax::testing {

// A tmpfs of `bytes` in a mount namespace of the test's own, where it may
// mount one (as root). Only the calling thread and the threads and
// processes it starts afterwards see it.
class SmallFileSystem {
public:
    explicit SmallFileSystem(int bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    QByteArray path() const;

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
};

} // namespace ferrowax::testing
