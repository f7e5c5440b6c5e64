#pragma once

#include <functional>
#include <vector>

namespace ferrowax {

// Ends the program at once, without unwinding whatever command is running.
class ProcessEnd {
public:
    virtual ~ProcessEnd() = default;
    virtual void endNow() = 0;
};

class ImmediateProcessEnd final : public ProcessEnd {
public:
    // Runs `cleanUp` when the program ends, before the process goes.
    void atEnd(std::function<void()> cleanUp);
    [[noreturn]] void endNow() override;

private:
    std::vector<std::function<void()>> cleanUps_;
};

} // namespace ferrowax
