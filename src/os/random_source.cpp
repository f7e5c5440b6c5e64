#include "random_source.h"

namespace ferrowax {

ClockSeededRandom::ClockSeededRandom(std::function<QTime()> clock)
    : clock_(std::move(clock))
{
}

void ClockSeededRandom::seedFromClock()
{
    generator_.seed(static_cast<std::mt19937::result_type>(clock_().msecsSinceStartOfDay() / 1000));
}

double ClockSeededRandom::next()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator_);
}

} // namespace ferrowax
