#pragma once

#include <functional>

namespace ferrowax {

// Runs `work` on a thread of its own while the calling thread handles its
// events, and throws on the calling thread what `work` threw. Answers false
// when `work` has not ended within `limitMilliseconds`: it is left behind
// then, for a call stuck in the kernel can be neither joined nor cancelled,
// and whatever it writes into must be its own (captured by value or shared).
bool runOffThread(std::function<void()> work, int limitMilliseconds);

} // namespace ferrowax
