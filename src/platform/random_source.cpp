#include "random_source.h"

#include <QTime>

namespace ferrowax {

void ClockSeededRandom::seedFromClock()
{
    generator_.seed(static_cast<std::mt19937::result_type>(QTime::currentTime().msecsSinceStartOfDay() / 1000));
}

double ClockSeededRandom::next()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator_);
}

} // namespace ferrowax
