#pragma once

#include <cerrno>

#include <sys/prctl.h>
#include <sys/wait.h>

namespace ferrowax::testing {

// While this lives, the test adopts the processes its children leave
// behind, so that it can wait until every one of them has ended: then
// nothing can still be started by them.
class OrphanReaper {
public:
    OrphanReaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~OrphanReaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
    OrphanReaper(const OrphanReaper&) = delete;
    OrphanReaper& operator=(const OrphanReaper&) = delete;

    // Waits until the test has no child left.
    void waitForAll() const
    {
        while (::waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
        }
    }
};

} // namespace ferrowax::testing
