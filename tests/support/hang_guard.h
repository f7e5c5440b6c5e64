#pragma once

#include <unistd.h>

namespace ferrowax::testing {

// Ends the whole test program when the code under test blocks for good, so
// that a hang fails the test instead of stalling the run.
class HangGuard {
public:
    explicit HangGuard(unsigned seconds = 60) { ::alarm(seconds); }
    ~HangGuard() { ::alarm(0); }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
};

} // namespace ferrowax::testing
