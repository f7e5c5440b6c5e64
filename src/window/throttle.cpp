#include "throttle.h"

namespace ferrowax {

Throttle::Throttle(int intervalMilliseconds, std::function<void()> action, QObject* parent)
    : QObject(parent)
    , action_(std::move(action))
    , intervalMilliseconds_(intervalMilliseconds)
{
    later_.setSingleShot(true);
    connect(&later_, &QTimer::timeout, this, &Throttle::run);
}

void Throttle::request()
{
    if (later_.isActive())
        return;
    const qint64 since = sinceLastRun_.isValid() ? sinceLastRun_.elapsed() : intervalMilliseconds_;
    if (since >= intervalMilliseconds_)
        run();
    else
        later_.start(static_cast<int>(intervalMilliseconds_ - since));
}

void Throttle::run()
{
    sinceLastRun_.start();
    action_();
}

} // namespace ferrowax
