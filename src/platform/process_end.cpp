#include "process_end.h"

#include <cstdio>

#include <unistd.h>

namespace ferrowax {

void ImmediateProcessEnd::atEnd(std::function<void()> cleanUp)
{
    cleanUps_.push_back(std::move(cleanUp));
}

void ImmediateProcessEnd::endNow()
{
    for (const auto& cleanUp : cleanUps_)
        cleanUp();
    // What the program printed is not lost; nothing else runs.
    std::fflush(nullptr);
    ::_exit(0);
}

} // namespace ferrowax
