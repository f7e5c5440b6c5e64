#pragma once

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
    void seedFromClock() override;
    double next() override;

private:
    std::mt19937 generator_;
};

} // namespace ferrowax
