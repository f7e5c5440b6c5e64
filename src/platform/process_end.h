#pragma once

namespace ferrowax {

// Ends the program at once, without unwinding whatever command is running.
class ProcessEnd {
public:
    virtual ~ProcessEnd() = default;
    virtual void endNow() = 0;
};

class ImmediateProcessEnd final : public ProcessEnd {
public:
    [[noreturn]] void endNow() override;
};

} // namespace ferrowax
