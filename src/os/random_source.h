#pragma once

#include <QTime>

#include <functional>
#include <random>

namespace ferrowax {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seedFromClock() = 0;
    // Uniform in [0, 1).
    virtual double next() = 0;
};

// Seeded with the seconds since midnight, as the home-page draw expects.
class ClockSeededRandom final : public RandomSource {
public:
    explicit ClockSeededRandom(std::function<QTime()> clock = &QTime::currentTime);

    void seedFromClock() override;
    double next() override;

private:
    std::function<QTime()> clock_;
    std::mt19937 generator_;
};

} // namespace ferrowax
